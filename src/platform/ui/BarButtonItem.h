#pragma once
// A button for a navigation bar or toolbar: a title or picture and an action,
// or a custom view.
#include "platform/gfx/Image.h"

#include <functional>
#include <memory>
#include <string>

namespace pw::ui {

class View;

enum class BarButtonItemStyle { Plain, Bordered, Done };

class BarButtonItem {
public:
    static std::shared_ptr<BarButtonItem> withTitle(std::string title, std::function<void()> action,
                                                    BarButtonItemStyle style = BarButtonItemStyle::Bordered) {
        auto b = std::make_shared<BarButtonItem>();
        b->title = std::move(title);
        b->action = std::move(action);
        b->style = style;
        return b;
    }
    // Room between the items of a toolbar: flexible spaces share what is left over,
    // a fixed one takes its width.
    static std::shared_ptr<BarButtonItem> withFlexibleSpace() {
        auto b = std::make_shared<BarButtonItem>();
        b->space = true;
        return b;
    }
    static std::shared_ptr<BarButtonItem> withFixedSpace(double width) {
        auto b = std::make_shared<BarButtonItem>();
        b->space = true;
        b->width = width;
        return b;
    }
    static std::shared_ptr<BarButtonItem> withCustomView(std::shared_ptr<View> view) {
        auto b = std::make_shared<BarButtonItem>();
        b->customView = std::move(view);
        return b;
    }

    std::string title;
    gfx::Image image;
    BarButtonItemStyle style = BarButtonItemStyle::Bordered;
    std::function<void()> action;
    std::shared_ptr<View> customView;
    bool enabled = true;
    int tag = 0;
    double width = 0; // 0: sized to fit (a space: flexible)
    bool space = false;
};

// What a navigation bar shows for one screen.
struct NavigationItem {
    std::string title;
    std::shared_ptr<BarButtonItem> leftBarButtonItem;
    std::shared_ptr<BarButtonItem> rightBarButtonItem;
    std::shared_ptr<BarButtonItem> backBarButtonItem;
    std::shared_ptr<View> titleView;
    bool hidesBackButton = false;
};

} // namespace pw::ui

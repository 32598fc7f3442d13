#pragma once
// An alert that carries the context of its prompt (which book, which chapter)
// to the button callback.
#include "foundation/widgets/RZPromptContext.h"
#include "platform/ui/AlertView.h"

namespace pw {

class RZAlertView : public ui::AlertView, public RZPromptContext {
public:
    static std::shared_ptr<RZAlertView> create(std::string title, std::string message,
                                               std::weak_ptr<ui::AlertViewDelegate> delegate,
                                               std::string cancelButtonTitle,
                                               std::vector<std::string> otherButtonTitles = {}) {
        return View::create<RZAlertView>(std::move(title), std::move(message), std::move(delegate),
                                         std::move(cancelButtonTitle), std::move(otherButtonTitles));
    }

protected:
    using AlertView::AlertView;
    friend class ui::View;
};

} // namespace pw

#pragma once
// An alert that carries the context of its prompt (which book, which chapter)
// to the button callback.
#include "platform/core/Value.h"
#include "platform/ui/AlertView.h"

namespace pw {

class RZAlertView : public ui::AlertView {
public:
    static std::shared_ptr<RZAlertView> create(std::string title, std::string message,
                                               std::weak_ptr<ui::AlertViewDelegate> delegate,
                                               std::string cancelButtonTitle,
                                               std::vector<std::string> otherButtonTitles = {})
    {
        return View::create<RZAlertView>(std::move(title), std::move(message), std::move(delegate),
                                         std::move(cancelButtonTitle), std::move(otherButtonTitles));
    }

    core::Value userInfo;
    bool isVip = false;
    int32_t chapterId = 0;
    int32_t bookId = 0;
    int32_t rzBookId = 0;

protected:
    using AlertView::AlertView;
    friend class ui::View;
};

} // namespace pw

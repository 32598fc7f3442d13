#pragma once
// An action sheet that carries the context of its prompt to the button callback.
#include "platform/core/Value.h"
#include "platform/ui/ActionSheet.h"

namespace pw {

class RZActionSheet : public ui::ActionSheet {
public:
    static std::shared_ptr<RZActionSheet> create(std::string title, std::weak_ptr<ui::ActionSheetDelegate> delegate,
                                                 std::string cancelButtonTitle, std::string destructiveButtonTitle,
                                                 std::vector<std::string> otherButtonTitles = {})
    {
        return View::create<RZActionSheet>(std::move(title), std::move(delegate), std::move(cancelButtonTitle),
                                           std::move(destructiveButtonTitle), std::move(otherButtonTitles));
    }

    core::Value userInfo;
    bool isVip = false;
    int32_t chapterId = 0;
    int32_t bookId = 0;
    int32_t rzBookId = 0;

protected:
    using ActionSheet::ActionSheet;
    friend class ui::View;
};

} // namespace pw

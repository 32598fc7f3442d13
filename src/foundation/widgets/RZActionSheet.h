#pragma once
// An action sheet that carries the context of its prompt to the button callback.
#include "foundation/widgets/RZPromptContext.h"
#include "platform/ui/ActionSheet.h"

namespace pw {

class RZActionSheet : public ui::ActionSheet, public RZPromptContext {
public:
    static std::shared_ptr<RZActionSheet> create(std::string title, std::weak_ptr<ui::ActionSheetDelegate> delegate,
                                                 std::string cancelButtonTitle, std::string destructiveButtonTitle,
                                                 std::vector<std::string> otherButtonTitles = {}) {
        return View::create<RZActionSheet>(std::move(title), std::move(delegate), std::move(cancelButtonTitle),
                                           std::move(destructiveButtonTitle), std::move(otherButtonTitles));
    }

protected:
    using ActionSheet::ActionSheet;
    friend class ui::View;
};

} // namespace pw

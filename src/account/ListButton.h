#pragma once
// A button that opens a choice list; it remembers the entry chosen.
#include "platform/ui/Button.h"

namespace pw {

class ListButton : public ui::Button {
public:
    static std::shared_ptr<ListButton> create() { return View::create<ListButton>(); }
    int selectedIndex = 0;

protected:
    ListButton() : Button(ui::ButtonType::Custom) {}
    friend class ui::View;
};

} // namespace pw

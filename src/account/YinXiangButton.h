#pragma once
// A button showing one impression label; it carries the label without its count.
#include "platform/ui/Button.h"

#include <string>

namespace pw {

class YinXiangButton : public ui::Button {
public:
    static std::shared_ptr<YinXiangButton> create() { return View::create<YinXiangButton>(); }
    std::string yinXiang;

protected:
    YinXiangButton() : Button(ui::ButtonType::Custom) {}
    friend class ui::View;
};

} // namespace pw

#include "store/StoreReadingScreen.h"

#include "platform/gfx/Font.h"
#include "platform/ui/TextView.h"

namespace pw {

void StoreReadingScreen::viewDidLoad() {
    auto text = ui::View::create<ui::TextView>(view()->bounds());
    text->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    text->setFont(gfx::Font::systemFont(16));
    text->setText(m_opening.content);
    view()->addSubview(text);
}

} // namespace pw

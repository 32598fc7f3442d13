#include "shelf/ShelfEditBar.h"

#include "platform/ui/Button.h"

namespace pw {

void ShelfEditBar::genMenuAndShow() {
    if (!m_hasGen) {
        m_hasGen = true;
        setBackgroundColor(gfx::Color(0.1, 0.1, 0.1, 0.85));
        const char* titles[4] = {"全选", "更新", "删除", "下载管理"};
        const double w = bounds().width() / 4;
        for (int i = 0; i < 4; ++i) {
            auto b = ui::Button::create(ui::ButtonType::Custom);
            b->setFrame(gfx::Rect(i * w, 0, w, bounds().height()));
            b->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
            b->setTitle(titles[i]);
            b->setTitleColor(gfx::Color::white());
            b->setTitleColor(gfx::Color::gray(), ui::ControlStateDisabled);
            addSubview(b);
            m_buttons[static_cast<size_t>(i)] = b;
        }
    }
    setHidden(false);
}

} // namespace pw

#include "reader/PageSliderMenu.h"

#include "reader/ReaderMenuKit.h"

namespace pw {

PageSliderMenu::PageSliderMenu(const gfx::Rect& frame) : ReaderMenuView(frame) {
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin);
    setFadeEntrance(0.4);
}

void PageSliderMenu::build() {
    using namespace readermenu;
    const double w = bounds().width(), h = bounds().height();
    auto face = picture(bounds(), "v2_icon_read_box.9.3.png", panelColour(), {8, 8});
    face->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(face);
    btnDecrease = genBtnItemWithFrame({20, 32, 38, 38}, "v2_icon_read_decrease.png");
    btnIncrease = genBtnItemWithFrame({242, 32, 38, 38}, "v2_icon_read_increase.png");
    // The pictures carry the signs; a plain face needs them written.
    if (!hasPicture(*btnDecrease))
        setButton(*btnDecrease, 20, "−");
    if (!hasPicture(*btnIncrease))
        setButton(*btnIncrease, 20, "+");
    addSubview(btnDecrease);
    addSubview(btnIncrease);
    lblTitle = genLabelWithFrame({75, 10, 150, 21}, 14, "");
    lblTitle->setTextAlignment(gfx::TextAlignment::Center);
    addSubview(lblTitle);
    slider = View::create<ui::Slider>(gfx::Rect(70, 39, 160, 23));
    addSubview(slider);
    if (showChapterNav) {
        const double width = (w - 13) / 2;
        btnPrevChapter = genBtnItemWithFrame({6, h - 45, width, 38}, "v2_icon_read_btn_bg2.png");
        btnNextChapter = genBtnItemWithFrame({w - width - 6, h - 45, width - 1, 38}, "v2_icon_read_btn_bg2.png");
        setButton(*btnPrevChapter, 14, "上一章");
        setButton(*btnNextChapter, 14, "下一章");
        addSubview(btnPrevChapter);
        addSubview(btnNextChapter);
    }
}

} // namespace pw

#include "reader/PageTopMenu.h"

#include "platform/core/NotificationCenter.h"
#include "platform/device/Device.h"
#include "reader/PageTopMenuLayout.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

namespace {
bool isTablet() {
    return device::Device::current().idiom() == device::Idiom::Pad;
}
} // namespace

PageTopMenu::PageTopMenu(const gfx::Rect& frame) : ReaderMenuView(frame) {
    setEntrance({0, -100}, 0.4);
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    setClipsToBounds(true);
    setBackgroundColor(gfx::Color::clear());
}

void PageTopMenu::build() {
    using namespace readermenu;
    const double w = bounds().width();
    imgBackground = std::static_pointer_cast<ui::ImageView>(
        picture({0, 0, w, kTopMenuShutHeight}, "v2_icon_readtop.png", panelColour()));
    imgBackground->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    addSubview(imgBackground);
    auto bar = picture({0, 0, w, 44}, "v2_icon_read_navigationBar.png");
    bar->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(bar);

    btnTopBack = genBtnItemWithFrame({5, 6, 48, 32}, "v2_icon_read_back.png", false);
    setButton(*btnTopBack, 12, "书架");
    addSubview(btnTopBack);

    auto group = ui::View::create(pageTopMenuRightGroupFrame(w));
    group->setAutoresizingMask(ui::FlexibleLeftMargin);
    const auto slots = pageTopMenuRightGroup();
    btnTopLight = genBtnItemWithFrame(slots[0], "v2_icon_read_light.png");
    setButton(*btnTopLight, 12, "开/关灯", {0, 25, 0, 0});
    btnTopScreenOrientation = genBtnItemWithFrame(slots[1], "v2_icon_read_screenorientation_top.png");
    setButton(*btnTopScreenOrientation, 12, "旋转锁定", {0, 25, 0, 0});
    btnSettingTop = genBtnItemWithFrame(slots[2], "v2_icon_read_setting_top.png");
    setButton(*btnSettingTop, 12, "阅读设置", {0, 25, 0, 0});
    std::weak_ptr<PageTopMenu> weak = std::static_pointer_cast<PageTopMenu>(shared_from_this());
    btnSettingTop->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->showMoreSetting();
        },
        ui::ControlEventTouchUpInside);
    for (const auto& b : {btnTopLight, btnTopScreenOrientation, btnSettingTop})
        group->addSubview(b);
    addSubview(group);

    const auto tops = pageTopMenuRowTops();
    const bool tablet = isTablet();
    auto row = [&](int index, double height) {
        auto r = ui::View::create(gfx::Rect(0, tops[index], w, height));
        r->setAutoresizingMask(ui::FlexibleWidth);
        addSubview(r);
        return r;
    };

    auto font = row(0, 44);
    font->addSubview(genLabelWithFrame({5, 12, 40, 20}, 13, "字体："));
    btnFontSizeIncrease = genBtnItemWithFrame({60, 4, 118, 34}, "v2_icon_read_btn_fontsize_increase.png");
    setButton(*btnFontSizeIncrease, 12, "增大字体", {0, 15, 0, 0});
    btnFontSizeDecrease =
        genBtnItemWithFrame(pageTopMenuFontDecrease(w, tablet), "v2_icon_read_btn_fontsize_decrease.png");
    setButton(*btnFontSizeDecrease, 12, "减小字体", {0, 15, 0, 0});
    font->addSubview(btnFontSizeIncrease);
    font->addSubview(btnFontSizeDecrease);
    addMenuLineUnderView(*font);

    auto light = row(1, 42);
    light->addSubview(genLabelWithFrame({5, 10, 40, 20}, 13, "亮度："));
    sliderBrightness = View::create<ui::Slider>(gfx::Rect(60, 10, tablet ? 320 : w - 100, 23));
    sliderBrightness->continuous = true;
    sliderBrightness->minimumValue = 0;
    sliderBrightness->maximumValue = 100;
    if (!tablet)
        sliderBrightness->setAutoresizingMask(ui::FlexibleWidth);
    light->addSubview(sliderBrightness);
    addMenuLineUnderView(*light);

    auto style = row(2, 60);
    style->addSubview(genLabelWithFrame({5, 20, 40, 20}, 13, "样式："));
    auto styles = View::create<ui::ScrollView>(gfx::Rect(45, 0, w - 60, 60));
    styles->directionalLockEnabled = true;
    styles->setAutoresizingMask(ui::FlexibleWidth);
    styles->setContentSize({451, 60});
    auto iconButton = [&](double x, const char* image, const char* title) {
        auto b = genBtnItemWithFrame({x, 5, 50, 50}, image);
        setButton(*b, 12, title, {32, 0, 0, 0});
        styles->addSubview(b);
        return b;
    };
    btnBackgroundColorPicker = iconButton(20, "icon_backgroundcolor_s.png", "背景颜色");
    btnFontColorPicker = iconButton(73, "icon_fontcolor.png", "字体颜色");
    styles->addSubview(picture({130, 10, 2, 40}, "read_menu_line_v.png"));
    const char* const bgImages[6] = {"readbg1_icon.png", "readbg2_icon.png", "readbg3_icon.png",
                                     "readbg4_icon.png", "readbg5_icon.png", "readbg6_icon.png"};
    const char* const bgTitles[6] = {"羊皮卷", "羽毛", "黑色水滴", "纸质", "木纹", "西方花纹"};
    for (int i = 0; i < 6; ++i)
        backgroundButtons[i] = iconButton(136 + 53.0 * i, bgImages[i], bgTitles[i]);
    style->addSubview(styles);
    addMenuLineUnderView(*style);

    auto turning = row(3, 40);
    turning->addSubview(genLabelWithFrame({5, 10, 70, 20}, 13, "翻页效果："));
    scrollTurningStyle = View::create<ui::ScrollView>(gfx::Rect(75, 0, w - 85, 40));
    scrollTurningStyle->directionalLockEnabled = true;
    scrollTurningStyle->setAutoresizingMask(ui::FlexibleWidth);
    scrollTurningStyle->setContentSize({525, 40});
    const char* const turnTitles[6] = {"无翻页效果", "仿真翻页", "左右拖动", "左右滑动", "上下拖动", "上下滑动"};
    for (int i = 0; i < 6; ++i) {
        auto b = genStretchableBtnWithFrame({pageTopMenuTurnButtonX(i), 2, 80, 34}, "v2_icon_read_btn_bg.png", 7, 7);
        setButton(*b, 12, turnTitles[i]);
        b->setTag(i);
        turningButtons[i] = b;
        scrollTurningStyle->addSubview(b);
    }
    turning->addSubview(scrollTurningStyle);
    addMenuLineUnderView(*turning);

    auto last = row(4, kTopMenuOpenHeight - tops[4]);
    btnAutoScroll = genStretchableBtnWithFrame({5, 3, 148, 34}, "v2_icon_read_btn_bg.png", 7, 7, false);
    btnAutoScroll->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    setButton(*btnAutoScroll, 12, "自动滚屏");
    btnAutoScroll->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->showScrollSpeedView();
        },
        ui::ControlEventTouchUpInside);
    last->addSubview(btnAutoScroll);
    scrollSpeedView = ui::View::create(gfx::Rect(5, 3, 148, 34));
    scrollSpeedView->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    scrollSpeedView->setHidden(true);
    const auto speedFrames = pageTopMenuSpeedButtons();
    const char* const speedTitles[3] = {"快速", "中速", "慢速"};
    for (int i = 0; i < 3; ++i) {
        auto b = genStretchableBtnWithFrame(speedFrames[i], "v2_icon_read_btn_bg.png", 7, 7);
        setButton(*b, 12, speedTitles[i]);
        b->setTag(i);
        speedButtons[i] = b;
        scrollSpeedView->addSubview(b);
    }
    last->addSubview(scrollSpeedView);
    btnFullScreen = genStretchableBtnWithFrame(pageTopMenuFullScreen(w, tablet), "v2_icon_read_btn_bg.png", 7, 7);
    setButton(*btnFullScreen, 12, "全屏阅读");
    last->addSubview(btnFullScreen);

    layoutMenu();
    // The bar itself stays on top of the rows.
    bringSubviewToFront(bar.get());
    bringSubviewToFront(btnTopBack.get());
    bringSubviewToFront(group.get());
}

void PageTopMenu::layoutMenu() {
    // On phones the right-hand buttons keep to the right edge as the bar widens.
    if (isTablet())
        return;
    btnFontSizeDecrease->setAutoresizingMask(ui::FlexibleLeftMargin);
    btnFullScreen->setAutoresizingMask(ui::FlexibleLeftMargin);
}

void PageTopMenu::addMenuLineUnderView(const ui::View& row) {
    auto line = readermenu::picture({0, row.frame().maxY() - 2, bounds().width(), 2}, "read_menu_line.png",
                                    gfx::Color::fromWhite(1, 0.2));
    line->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(line);
}

void PageTopMenu::setFoldHeight(double h) {
    gfx::Rect f = frame();
    setFrame({f.x(), f.y(), f.width(), h});
    if (imgBackground) {
        const gfx::Rect b = imgBackground->frame();
        imgBackground->setFrame({b.x(), b.y(), b.width(), h});
    }
}

bool PageTopMenu::isOpen() const {
    return imgBackground && imgBackground->frame().height() != kTopMenuShutHeight;
}

void PageTopMenu::close() {
    setFoldHeight(kTopMenuShutHeight);
    setHidden(true);
    hideScrollSpeedView();
}

void PageTopMenu::showMoreSetting() {
    if (!imgBackground)
        return;
    const double height = imgBackground->frame().height();
    const bool opening = height == kTopMenuShutHeight;
    if (!isTablet()) {
        auto& centre = core::NotificationCenter::defaultCenter();
        if (opening) {
            centre.post(kBottomMenuClose);
            centre.post(kChapterClose);
            centre.post(kInteractiveClose);
        } else {
            centre.post(kBottomMenuShow);
            centre.post(kChapterShow);
            centre.post(kInteractiveShow);
        }
    }
    ui::BlockAnimationOptions options;
    options.duration = 0.1;
    options.curve = ui::TimingFunction::EaseOut;
    View::animate(options, [this, height, opening] {
        setFoldHeight(pageTopMenuHeightAfterFold(height));
        if (opening)
            scrollToCurrentPageTurning();
        else
            hideScrollSpeedView();
    });
}

ui::Button* PageTopMenu::turningButtonTagged(int tag) const {
    for (const auto& b : turningButtons)
        if (b && b->tag() == tag)
            return b.get();
    return nullptr;
}

void PageTopMenu::setCurrentPageTurningStyle(int style) {
    if (auto* b = turningButtonTagged(m_currentPageTurningStyle))
        readermenu::setSelectedLook(*b, false);
    m_currentPageTurningStyle = style;
}

void PageTopMenu::scrollToCurrentPageTurning() {
    if (!scrollTurningStyle || scrollTurningStyle->isDragging() || scrollTurningStyle->isDecelerating())
        return;
    auto* b = turningButtonTagged(m_currentPageTurningStyle);
    if (b)
        readermenu::setSelectedLook(*b, true);
    const auto target =
        pageTurningScrollTarget(b ? m_currentPageTurningStyle : -1, scrollTurningStyle->bounds().width(),
                                scrollTurningStyle->contentSize().width);
    if (target)
        scrollTurningStyle->setContentOffset({*target, 0}, true);
}

void PageTopMenu::setCurrentAutoScrollSpeed(int speed) {
    for (const auto& b : speedButtons)
        if (b && b->tag() == m_currentAutoScrollSpeed)
            readermenu::setSelectedLook(*b, false);
    m_currentAutoScrollSpeed = speed;
}

void PageTopMenu::setAutoScrollSpeedButton() {
    for (const auto& b : speedButtons)
        if (b && b->tag() == m_currentAutoScrollSpeed)
            readermenu::setSelectedLook(*b, true);
}

namespace {
// The swap's look: the view turns over from the right in 0.2 s.
void flipFromRight(ui::View& v, std::function<void(bool)> done = {}) {
    auto flip = std::make_shared<ui::Transition>(ui::TransitionType::Flip, ui::TransitionSubtype::FromRight,
                                                 PageTopMenu::kSpeedSwapSeconds);
    flip->timing = ui::TimingFunction::EaseInOut;
    flip->onStop = std::move(done);
    v.layer()->addAnimation(flip, "speedSwap");
}
} // namespace

void PageTopMenu::showScrollSpeedView() {
    if (!btnAutoScroll || !scrollSpeedView)
        return;
    setAutoScrollSpeedButton();
    // First the auto-scroll button turns away, then the speeds turn in.
    const uint64_t swap = ++m_speedSwap;
    std::weak_ptr<View> weak = shared_from_this();
    flipFromRight(*btnAutoScroll, [weak, swap](bool) {
        auto s = std::static_pointer_cast<PageTopMenu>(weak.lock());
        if (!s || s->m_speedSwap != swap || !s->scrollSpeedView)
            return;
        flipFromRight(*s->scrollSpeedView);
        s->scrollSpeedView->setHidden(false);
    });
    btnAutoScroll->setHidden(true);
}

void PageTopMenu::hideScrollSpeedView() {
    // A swap still turning ends here: its speeds do not come after all.
    ++m_speedSwap;
    if (btnAutoScroll) {
        btnAutoScroll->layer()->removeAnimation("speedSwap");
        btnAutoScroll->setHidden(false);
        btnAutoScroll->setAlpha(1);
    }
    if (scrollSpeedView) {
        scrollSpeedView->layer()->removeAnimation("speedSwap");
        scrollSpeedView->setHidden(true);
    }
}

void PageTopMenu::setCurrentBrightness(float value) {
    if (sliderBrightness)
        sliderBrightness->setValue(value);
    m_currentBrightness = value;
}

void PageTopMenu::setLightOn(bool on) {
    if (btnTopLight)
        btnTopLight->setTitle(on ? "关灯" : "开灯");
    m_lightOn = on;
}

void PageTopMenu::setRotateLock(bool locked) {
    if (btnTopScreenOrientation)
        btnTopScreenOrientation->setTitle(locked ? "取消锁定" : "锁定旋转");
    m_rotateLock = locked;
}

void PageTopMenu::setFullScreen(bool full) {
    if (btnFullScreen)
        btnFullScreen->setTitle(full ? "取消全屏阅读" : "全屏阅读");
    m_fullScreen = full;
}

void PageTopMenu::setBtnFontSize(float points) {
    m_btnFontSize = points;
    switch (fontSizeLimitFor(points)) {
    case FontSizeLimit::Smallest:
        if (btnFontSizeDecrease)
            readermenu::setUsable(*btnFontSizeDecrease, false);
        break;
    case FontSizeLimit::Largest:
        if (btnFontSizeIncrease)
            readermenu::setUsable(*btnFontSizeIncrease, false);
        break;
    case FontSizeLimit::None:
        break;
    }
}

} // namespace pw

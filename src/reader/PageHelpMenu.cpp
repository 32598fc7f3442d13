#include "reader/PageHelpMenu.h"

#include "foundation/db/SettingTB.h"
#include "platform/core/NotificationCenter.h"
#include "platform/device/Device.h"
#include "platform/gfx/Context.h"

#include <algorithm>
#include "platform/ui/BundleImage.h"
#include "reader/PageHelpMenuLayout.h"

namespace pw {

namespace {

// A rounded rectangle of corner radius 4, filled by the caller.
void addRoundedRectToPath(gfx::Context& ctx, const gfx::Rect& r) {
    const double radius = std::min({4.0, r.width() / 2, r.height() / 2});
    ctx.beginPath();
    ctx.moveTo({r.minX() + radius, r.minY()});
    ctx.addArcToPoint({r.maxX(), r.minY()}, {r.maxX(), r.maxY()}, radius);
    ctx.addArcToPoint({r.maxX(), r.maxY()}, {r.minX(), r.maxY()}, radius);
    ctx.addArcToPoint({r.minX(), r.maxY()}, {r.minX(), r.minY()}, radius);
    ctx.addArcToPoint({r.minX(), r.minY()}, {r.maxX(), r.minY()}, radius);
    ctx.closePath();
}

void drawHand(gfx::Context& ctx, const char* name, gfx::Point at) {
    const auto img = ui::BundleImage::named(name);
    if (!img.isNull())
        ctx.drawImage(img, gfx::Rect(at.x, at.y, 90, 125));
}

} // namespace

PageHelpMenu::PageHelpMenu(const gfx::Rect& frame) : View(frame) {
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setBackgroundColor(gfx::Color::fromWhite(0.05, 0.95));
    setTag(kPageHelpMenuTag);
}

void PageHelpMenu::didCreate() {
    std::weak_ptr<View> weak = shared_from_this();
    m_orientationToken = core::NotificationCenter::defaultCenter().addObserver(
        "UIDeviceOrientationDidChangeNotification", [weak](const core::Notification&) {
            auto self = weak.lock();
            if (self && self->superview() &&
                device::Device::current().orientation() != device::Orientation::PortraitUpsideDown)
                self->setNeedsDisplay();
        });
}

void PageHelpMenu::genMenuAndShow(ui::View& host, bool isUpDown) {
    if (!pageHelpMenuShouldShow(SettingTB::readSettingWithKey(kSettingKey), host.viewWithTag(kPageHelpMenuTag)))
        return;
    auto sheet = View::create<PageHelpMenu>(host.frame());
    sheet->setFrame({0, 0, host.bounds().width(), host.bounds().height()});
    sheet->m_isUpDown = isUpDown;
    sheet->setAlpha(0);
    host.insertSubview(sheet, 0);
    host.bringSubviewToFront(sheet.get());
    ui::BlockAnimationOptions options;
    options.duration = 0.2;
    options.curve = ui::TimingFunction::EaseOut;
    View::animate(options, [s = sheet.get()] { s->setAlpha(0.95); });
}

void PageHelpMenu::hideMenu(ui::View& host, gfx::Point touchPoint) {
    auto* sheet = dynamic_cast<PageHelpMenu*>(host.viewWithTag(kPageHelpMenuTag));
    if (!sheet)
        return;
    if (pageHelpMenuTouchStoresOff(sheet->m_noTips, sheet->convertPointFromView(touchPoint, &host)))
        SettingTB::saveSettingWithKey(kSettingKey, "off");
    sheet->m_orientationToken = {};
    sheet->removeFromSuperview();
}

void PageHelpMenu::draw(gfx::Context& ctx, const gfx::Rect&) {
    const bool tablet = device::Device::current().idiom() == device::Idiom::Pad;
    const auto l = pageHelpMenuLayout(bounds().size, m_isUpDown, tablet);
    const auto white = gfx::Color::white();
    const auto font = gfx::Font::boldSystemFont(19);

    ctx.setFillColor(gfx::Color(0, 0, 0, 0.95));
    ctx.fillRect(l.backHalf);
    ctx.setFillColor(gfx::Color::fromWhite(0.5, 1));
    addRoundedRectToPath(ctx, l.centre);
    ctx.fillPath();
    drawHand(ctx, "ges_tap_right_white.png", l.centreHand);

    ctx.setFillColor(white);
    if (m_isUpDown) {
        ctx.drawText("点此区域至上一页", l.prevCaption.origin, font);
        ctx.drawText("点此区域至下一页", l.nextCaption.origin, font);
    } else {
        ctx.drawText("点此区域至上一页", l.prevCaption, font, gfx::LineBreakMode::CharWrap);
        ctx.drawText("点此区域至下一页", l.nextCaption, font, gfx::LineBreakMode::CharWrap);
    }
    drawHand(ctx, "ges_tap_left_white.png", l.leftHand);
    drawHand(ctx, "ges_tap_right_white.png", l.rightHand);
    ctx.drawText("点中间弹出菜单", l.menuCaption, font, gfx::LineBreakMode::CharWrap, gfx::TextAlignment::Center);

    ctx.setFillColor(gfx::Color::fromWhite(0.3, 1));
    addRoundedRectToPath(ctx, l.noTips);
    ctx.fillPath();
    m_noTips = l.noTips;
    ctx.setFillColor(white);
    ctx.drawText("不再提示", l.noTipsText, gfx::Font::boldSystemFont(14), gfx::LineBreakMode::CharWrap,
                 gfx::TextAlignment::Center);
}

} // namespace pw

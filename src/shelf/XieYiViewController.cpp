#include "shelf/XieYiViewController.h"

#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"

#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextView.h"

#include <cstdlib>

namespace pw {

namespace {

XieYiViewController::Terminator& terminator() {
    static XieYiViewController::Terminator t = [](int status) { std::exit(status); };
    return t;
}

std::string agreementText() {
    auto bytes = core::FileManager::readFile(core::Paths::resource("RZXieyi.txt"));
    if (!bytes)
        return {};
    return std::string(bytes->begin(), bytes->end());
}

} // namespace

void XieYiViewController::setTerminator(Terminator t) {
    terminator() = t ? std::move(t) : [](int status) { std::exit(status); };
}

void XieYiViewController::viewDidLoad() {
    setTitle("用户协议");
    auto& v = *view();
    const double W = v.bounds().width(), H = v.bounds().height();
    v.setBackgroundColor(gfx::Color::fromRGB255(226, 222, 214));
    if (auto bg = ui::BundleImage::named("iPhone_table_bg.png"); !bg.isNull())
        v.setBackgroundColor(gfx::Color::patternImage(bg));

    m_scroll = ui::View::create<ui::ScrollView>(v.bounds());
    m_scroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    v.addSubview(m_scroll);

    auto title = ui::View::create<ui::Label>(gfx::Rect(7, 10, W - 14, 22));
    title->setAutoresizingMask(ui::FlexibleWidth);
    title->setBackgroundColor(gfx::Color::clear());
    title->setTextColor(gfx::Color::gray());
    title->setShadowColor(gfx::Color::black());
    title->setShadowOffset({0, 1});
    title->setText("用户协议");
    m_scroll->addSubview(title);

    m_textView = ui::View::create<ui::TextView>(gfx::Rect(5, 40, W - 10, H - 100));
    m_textView->setAutoresizingMask(ui::FlexibleWidth);
    m_textView->setFont(gfx::Font::systemFont(12));
    m_textView->setTextColor(gfx::Color::darkGray());
    m_textView->editable = false;
    m_textView->layer()->setCornerRadius(5);
    m_textView->layer()->setBorderWidth(1);
    m_textView->layer()->setBorderColor(gfx::Color::lightGray());
    m_textView->setText(agreementText());
    m_scroll->addSubview(m_textView);

    const double y = m_textView->frame().maxY() + 10;
    auto makeButton = [&](const std::string& text, const gfx::Rect& frame, unsigned mask,
                          void (XieYiViewController::*action)()) {
        auto b = ui::Button::create(ui::ButtonType::Custom);
        b->setFrame(frame);
        b->setAutoresizingMask(mask);
        auto img = ui::BundleImage::named("buy_chapter_button.png");
        if (!img.isNull())
            b->setBackgroundImage(img.stretchable(8, 10));
        else
            b->setBackgroundColor(gfx::Color::fromRGB255(240, 240, 240));
        b->titleLabel().setFont(gfx::Font::systemFont(12));
        b->setTitleColor(gfx::Color::black());
        b->setTitle(text);
        std::weak_ptr<ViewController> weak = weak_from_this();
        b->addTarget(
            [weak, action](ui::Control&) {
                if (auto self = std::static_pointer_cast<XieYiViewController>(weak.lock()))
                    ((*self).*action)();
            },
            ui::ControlEventTouchUpInside);
        m_scroll->addSubview(b);
        m_buttons.push_back(b);
    };
    if (isFirstLoad) {
        const double bw = (W - 60 - 10) / 2;
        makeButton("我同意", gfx::Rect(30, y, bw, 35), ui::FlexibleWidth | ui::FlexibleRightMargin,
                   &XieYiViewController::agree);
        makeButton("我不同意", gfx::Rect(30 + bw + 10, y, bw, 35), ui::FlexibleLeftMargin | ui::FlexibleWidth,
                   &XieYiViewController::refuse);
    } else {
        makeButton("知道了", gfx::Rect((W - 200) / 2, y, 200, 35),
                   ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleWidth, &XieYiViewController::ok);
    }
    m_allHeight = m_buttons.back()->frame().maxY() + 5;
    m_scroll->setContentSize({W, m_allHeight});
}

bool XieYiViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void XieYiViewController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) {
    if (m_scroll)
        m_scroll->setContentSize({view()->bounds().width(), m_allHeight});
    ViewController::willAnimateRotationToInterfaceOrientation(o, duration);
}

void XieYiViewController::agree() {
    dismissModalViewControllerAnimated(true);
    SettingTB::saveSettingWithKey("rzxy", "1");
    if (auto d = delegate.lock())
        d->agreed();
}

void XieYiViewController::refuse() {
    terminator()(0);
}

void XieYiViewController::ok() {
    dismissModalViewControllerAnimated(true);
}

} // namespace pw

#include "account/AboutPagewellViewController.h"

#include "foundation/frame/PagewellAppDelegate.h"
#include "platform/core/Paths.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TextView.h"

#include <fstream>
#include <sstream>

namespace pw {

namespace {

constexpr const char* kVersionText = "1.4.0beta";
constexpr const char* kSlogan = "墨川书院，好书伴你每一程";
constexpr const char* kProduct = "墨川读书iPhone/iPad版";
constexpr const char* kDescription = "墨川书院是一个原创小说阅读与创作平台，汇集玄幻、都市、历史、言情等各类连载作品，"
                                     "作品随写随发，读者可在线追读、收藏、与作者互动。";
constexpr const char* kDisclaimer =
    "本版本适用于系统 4.0 及以上版本，在其他系统上使用所产生的问题，墨川书院不承担责任。"
    "本程序使用过程中产生的数据流量费用，由运营商收取。";
constexpr const char* kContactLines[] = {"官方网站：http://www.mochuan.example/app",
                                         "技术支持：support@mochuan.example", "客服号：mochuan-reader"};
constexpr const char* kRights = "© 2010-2013 墨川书院 版权所有";

AboutPagewellViewController::AgreementFactory& agreementFactory() {
    static AboutPagewellViewController::AgreementFactory factory;
    return factory;
}

std::string agreementText() {
    std::ifstream in(core::Paths::resource("RZXieyi.txt"), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The agreement as a plain page, for when no agreement screen is given.
std::shared_ptr<ui::ViewController> plainAgreementPage() {
    auto page = ui::ViewController::create<ui::ViewController>();
    auto v = page->view();
    v->setBackgroundColor(gfx::Color::white());
    const gfx::Rect b = v->bounds();
    auto text = ui::View::create<ui::TextView>(gfx::Rect(0, 0, b.width(), b.height() - 50));
    text->editable = false;
    text->setFont(gfx::Font::systemFont(14));
    text->setText(agreementText());
    text->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    v->addSubview(text);
    auto button = ui::Button::create(ui::ButtonType::RoundedRect);
    button->setFrame(gfx::Rect(b.width() / 2 - 60, b.height() - 45, 120, 40));
    button->setTitle("知道了", ui::ControlStateNormal);
    button->setAutoresizingMask(ui::FlexibleTopMargin | ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    std::weak_ptr<ui::ViewController> weak = page;
    button->addTarget(
        [weak](ui::Control&) {
            if (auto p = weak.lock())
                if (auto* presenting = p->presentingViewController())
                    presenting->dismissModalViewControllerAnimated(true);
        },
        ui::ControlEventTouchUpInside);
    v->addSubview(button);
    return page;
}

} // namespace

void AboutPagewellViewController::setAgreementFactory(AgreementFactory factory) {
    agreementFactory() = std::move(factory);
}

bool AboutPagewellViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void AboutPagewellViewController::viewDidLoad() {
    setTitle("关于");
    std::weak_ptr<AboutPagewellViewController> weak =
        std::static_pointer_cast<AboutPagewellViewController>(shared_from_this());
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
        "用户协议",
        [weak] {
            if (auto s = weak.lock())
                s->click();
        },
        ui::BarButtonItemStyle::Plain);

    auto v = view();
    m_scrollview = ui::View::create<ui::ScrollView>(v->bounds());
    m_scrollview->setBackgroundColor(gfx::Color::white());
    m_scrollview->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_scrollview->setAutoresizesSubviews(true);
    v->addSubview(m_scrollview);

    const bool pad = device::Device::current().idiom() == device::Idiom::Pad;
    const double w = m_scrollview->bounds().width();
    const gfx::Color grey = gfx::Color::fromWhite(0.333);
    // Tablet gaps, fonts and sizes; the phone stacks every item directly below
    // the previous one in smaller type.
    const double margin = pad ? 15 : 5;
    const double paragraphHeight = pad ? 164 : 64;
    const double lineFont = pad ? 18 : 10;

    auto icon = ui::View::create<ui::ImageView>(gfx::Rect(w / 2 - 143.0 / 2, pad ? 30 : 0, 143, 146));
    icon->setImage(ui::BundleImage::named("about_icon.png"));
    icon->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_scrollview->addSubview(icon);
    double y = icon->frame().maxY();

    auto add = [&](double gap, double x, double width, double height, double font, const std::string& text,
                   gfx::TextAlignment align, const gfx::Color& colour, int lines) {
        auto label = ui::View::create<ui::Label>(gfx::Rect(x, y + gap, width, height));
        label->setFont(gfx::Font::systemFont(font));
        label->setTextColor(colour);
        label->setBackgroundColor(gfx::Color::clear());
        label->setTextAlignment(align);
        label->setNumberOfLines(lines);
        label->setText(text);
        label->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
        m_scrollview->addSubview(label);
        m_labels.push_back(label);
        y = label->frame().maxY();
        return label;
    };
    using gfx::TextAlignment;
    auto slogan =
        add(pad ? 30 : 0, 0, w, pad ? 21 : 18, pad ? 25 : 14, kSlogan, TextAlignment::Center, gfx::Color::black(), 1);
    slogan->setAdjustsFontSizeToFitWidth(true);
    slogan->setMinimumFontSize(10);
    add(pad ? 25 : 0, 0, w, pad ? 26 : 17, pad ? 23 : 13, kProduct, TextAlignment::Center, grey, 1);
    add(pad ? 15 : 0, 0, w, pad ? 21 : 16, pad ? 18 : 12, std::string("版本：") + kVersionText, TextAlignment::Center,
        grey, 1);
    add(pad ? 40 : 0, margin, w - 2 * margin, paragraphHeight, pad ? 25 : 10, kDescription, TextAlignment::Left, grey,
        0);
    add(pad ? 20 : 0, margin, w - 2 * margin, paragraphHeight, pad ? 25 : 10, kDisclaimer, TextAlignment::Left, grey,
        0);
    bool first = true;
    for (const char* line : kContactLines) {
        add(pad ? (first ? 50 : 20) : 0, margin, w - 2 * margin, pad ? 21 : 14, lineFont, line, TextAlignment::Left,
            grey, 1);
        first = false;
    }
    add(pad ? 70 : 0, 0, w, pad ? 21 : 14, lineFont, kRights, TextAlignment::Center, grey, 1);
    m_allHeight = y + 1;
    m_scrollview->setContentSize({v->bounds().width(), m_allHeight});
}

void AboutPagewellViewController::willAnimateRotationToInterfaceOrientation(device::Orientation, double) {
    if (m_scrollview)
        m_scrollview->setContentSize({view()->bounds().width(), m_allHeight});
}

void AboutPagewellViewController::click() {
    auto& factory = agreementFactory();
    presentModalViewController(factory ? factory() : plainAgreementPage(), true);
}

} // namespace pw

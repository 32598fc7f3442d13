#include "account/RZMessageDetailViewController.h"

#include "foundation/db/MessageTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/DateFormatter.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"

#include <algorithm>
#include <cctype>

namespace pw {

RZMessageDetailViewController::~RZMessageDetailViewController() = default;

bool RZMessageDetailViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

std::string RZMessageDetailViewController::bodyText(const core::Value& record) {
    std::string text = record["message"].asString().value_or("");
    std::string key = record["key"].asString().value_or("");
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    if (key == "url")
        text += "\n\n" + record["value"].asString().value_or("");
    return text;
}

void RZMessageDetailViewController::viewDidLoad() {
    setTitle("消息内容");
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, true);
    auto v = view();
    v->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    std::weak_ptr<RZMessageDetailViewController> weak =
        std::static_pointer_cast<RZMessageDetailViewController>(shared_from_this());
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
        "删除",
        [weak] {
            if (auto s = weak.lock())
                s->rightBtnClick();
        },
        ui::BarButtonItemStyle::Bordered);

    const core::Value record = MessageTB::getMessageWithNotifyId(m_notifyId).value_or(core::Value::map());
    const double w = v->bounds().width(), h = v->bounds().height();

    auto titleCaption = ui::View::create<ui::Label>(gfx::Rect(10, 10, 45, 25));
    titleCaption->setFont(gfx::Font::systemFont(14));
    titleCaption->setBackgroundColor(gfx::Color::clear());
    titleCaption->setText("标题：");
    v->addSubview(titleCaption);
    m_title = ui::View::create<ui::Label>(gfx::Rect(57, 10, w - 57 - 4, 25));
    m_title->setFont(gfx::Font::boldSystemFont(14));
    m_title->setTextAlignment(gfx::TextAlignment::Center);
    m_title->setBackgroundColor(gfx::Color::clear());
    m_title->setAutoresizingMask(ui::FlexibleWidth);
    m_title->setText(record["title"].asString().value_or(""));
    v->addSubview(m_title);
    auto line = ui::View::create<ui::ImageView>(gfx::Rect(0, 43, w, 1));
    line->setImage(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    v->addSubview(line);
    auto bodyCaption = ui::View::create<ui::Label>(gfx::Rect(10, 52, 250, 25));
    bodyCaption->setFont(gfx::Font::systemFont(14));
    bodyCaption->setBackgroundColor(gfx::Color::clear());
    bodyCaption->setText("正文：");
    v->addSubview(bodyCaption);
    m_date = ui::View::create<ui::Label>(gfx::Rect(w - 110, 52, 108, 25));
    m_date->setFont(gfx::Font::systemFont(12));
    m_date->setTextColor(gfx::Color::darkGray());
    m_date->setBackgroundColor(gfx::Color::clear());
    m_date->setAutoresizingMask(ui::FlexibleLeftMargin);
    const core::DateFormatter format("yyyy-MM-dd HH:mm");
    m_date->setText(format.format(static_cast<double>(record["createDate"].asInt().value_or(0) / 1000)));
    v->addSubview(m_date);
    const double top = m_date->frame().maxY() + 10;
    m_text = ui::View::create<ui::TextView>(gfx::Rect(10, top, w - 20, std::max(0.0, h - m_date->frame().maxY() - 20)));
    m_text->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_text->editable = false;
    m_text->detectsLinks = true;
    m_text->setFont(gfx::Font::systemFont(13));
    m_text->setTextColor(gfx::Color::fromWhite(0.2));
    m_text->setBackgroundColor(gfx::Color::clear());
    m_text->setText(bodyText(record));
    v->addSubview(m_text);
    m_hud = ProgressHUD::initWithView(v.get());
    m_hud->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_hud);
}

void RZMessageDetailViewController::rightBtnClick() {
    if (!MessageTB::removeMessageWithNotifyId(m_notifyId)) {
        // Kept on screen: the message is still in the table.
        if (m_hud)
            m_hud->showTipsWithoutLoadingHideDelay("删除失败，请稍后再试", 2);
        return;
    }
    auto self = shared_from_this(); // the pop releases this screen
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    if (auto d = m_delegate.lock())
        d->RZMessageDetailDelete(m_notifyId, m_indexPath);
}

} // namespace pw

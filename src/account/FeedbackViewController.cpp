#include "account/FeedbackViewController.h"

#include "foundation/codec/JSONCodec.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "foundation/widgets/ProgressHUD.h"
#include "network/RQFormDataRequest.h"
#include "platform/core/Text.h"
#include "platform/core/TextCut.h"
#include "platform/device/Device.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "site/CheckLoginWithInfo.h"
#include "site/RZFormDataRequest.h"
#include "site/SiteAnswer.h"

namespace pw {

namespace {
constexpr const char* kFeedbackVersionText = "1.4.0beta";
// Accepts invalid Unicode in the answer rather than refusing it.
constexpr uint32_t kLenientUnicode = 4;
} // namespace

FeedbackViewController::~FeedbackViewController() {
    clean();
}

std::string FeedbackViewController::deviceSuffix() {
    return "[" + device::Device::current().systemName() + " | " + UIDeviceHardware::platform() + " | " + kFeedbackVersionText +
           " | " + std::to_string(PagewellAppDelegate::kVersionCode) + "]";
}

std::string FeedbackViewController::contentToSend(const std::string& text) {
    const std::u16string units = core::text::toUtf16Lenient(text);
    std::string body = text;
    if (units.size() > kMaxLength)
        body = core::text::toUtf8Lenient(core::text::cutToLength(units, kMaxLength));
    return body + deviceSuffix();
}

bool FeedbackViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void FeedbackViewController::viewDidLoad() {
    setTitle("意见反馈");
    auto v = view();
    v->setBackgroundColor(gfx::Color::white());
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, false);
    std::weak_ptr<FeedbackViewController> weak = std::static_pointer_cast<FeedbackViewController>(shared_from_this());
    auto submitItem = ui::BarButtonItem::withTitle(
        "提交",
        [weak] {
            if (auto s = weak.lock())
                s->rightItemBtnClick();
        },
        ui::BarButtonItemStyle::Plain);
    submitItem->enabled = false;
    navigationItem().rightBarButtonItem = submitItem;

    const double w = v->bounds().width();
    m_lbl = ui::View::create<ui::Label>(gfx::Rect(8, -2, w, 25));
    m_lbl->setFont(gfx::Font::systemFont(12));
    m_lbl->setTextColor(gfx::Color::gray());
    m_lbl->setBackgroundColor(gfx::Color::clear());
    m_lbl->setText("欢迎提出您的宝贵意见（200字以内）。谢谢支持！");
    m_lbl->setAutoresizingMask(ui::FlexibleWidth);
    v->addSubview(m_lbl);
    m_txt = ui::View::create<ui::TextView>(gfx::Rect(0, 2, w, 200));
    m_txt->setBackgroundColor(gfx::Color::clear());
    m_txt->setAutoresizingMask(ui::FlexibleWidth);
    m_txt->onChange = [weak](ui::TextView&) {
        if (auto s = weak.lock())
            s->textViewDidChange();
    };
    v->addSubview(m_txt);
    m_txt->becomeFirstResponder();

    m_hud = ProgressHUD::initWithView(m_txt.get());
    m_hud->animationType = ProgressHUDAnimationZoom;
    m_hud->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_hud);
    m_activity = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_activity->setCenter(v->bounds().center());
    m_activity->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                    ui::FlexibleBottomMargin);
    v->addSubview(m_activity);
}

void FeedbackViewController::viewDidUnload() {
    clean();
}

bool FeedbackViewController::submitEnabled() const {
    auto& item = const_cast<FeedbackViewController*>(this)->navigationItem().rightBarButtonItem;
    return item && item->enabled;
}

void FeedbackViewController::setSubmitEnabled(bool enabled) {
    if (auto& item = navigationItem().rightBarButtonItem)
        item->enabled = enabled;
    if (auto* nav = navigationController())
        nav->navigationBar().refresh();
}

void FeedbackViewController::textViewDidChange() {
    const bool empty = !m_txt || m_txt->text().empty();
    if (m_lbl)
        m_lbl->setHidden(!empty);
    // While a feedback is on its way the button stays off, so typing cannot
    // send the same text twice.
    setSubmitEnabled(!empty && !m_sending);
}

void FeedbackViewController::rightItemBtnClick() {
    if (m_sending || !m_txt || m_txt->text().empty())
        return;
    if (!m_checkLogin) {
        m_checkLogin = CheckLoginWithInfo::create();
        m_checkLogin->setResultDelegate(std::static_pointer_cast<CheckLoginWithInfoDelegate>(
            std::static_pointer_cast<FeedbackViewController>(shared_from_this())));
    }
    checkIsLoginWithInfo({});
}

void FeedbackViewController::checkIsLoginWithInfo(std::any userInfo) {
    if (m_checkLogin)
        m_checkLogin->checkIsLoginWithTarget(shared_from_this(), std::move(userInfo));
}

void FeedbackViewController::checkLoginWithInfoResult(bool isLogin, const std::string&, const std::any&) {
    if (isLogin)
        submit();
}

void FeedbackViewController::submit() {
    if (m_sending || !m_txt)
        return;
    m_sending = true;
    setSubmitEnabled(false);
    auto form =
        RZFormDataRequest::requestWithURL(SiteAnswer::url(SiteHosts::Service::Interface, "/api/AddFeedback.ashx"));
    form->setPostFormat(RQFormDataRequest::URLEncodedPostFormat);
    form->setStringEncoding("UTF-8");
    form->setPostValue(contentToSend(m_txt->text()), "cnt");
    form->setPostValue("42", "albumid");
    form->setDelegate(
        std::weak_ptr<RQHTTPRequestDelegate>(std::static_pointer_cast<FeedbackViewController>(shared_from_this())));
    form->setTimeOutSeconds(kTimeout);
    m_requestForm = form;
    form->startAsynchronous();
    if (m_activity)
        m_activity->startAnimating();
}

void FeedbackViewController::finish(const std::string& tip) {
    m_sending = false;
    textViewDidChange();
    if (m_activity)
        m_activity->stopAnimating();
    m_tip = tip;
    if (m_hud)
        m_hud->showTipsWithoutLoadingHideDelay(tip, 2);
}

void FeedbackViewController::requestFinished(RQHTTPRequest& request) {
    // The site's feedback answer is read as it stands, without the control
    // character cleaning of other answers.
    const auto text = SiteAnswer::text(request);
    const auto answer = text ? mutableObjectFromJSONStringWithParseOptions(*text, kLenientUnicode) : std::nullopt;
    if (!answer) {
        finish(kFailed);
        return;
    }
    finish((*answer)["msg"].asString().value_or(""));
}

void FeedbackViewController::requestFailed(RQHTTPRequest&) {
    finish(kFailed);
}

void FeedbackViewController::clean() {
    if (m_txt)
        m_txt->resignFirstResponder();
    if (m_requestForm) {
        m_requestForm->clearDelegatesAndCancel();
        m_requestForm.reset();
    }
    m_checkLogin.reset();
    m_sending = false;
}

} // namespace pw

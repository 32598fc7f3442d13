#pragma once
// The feedback form: one text field whose text, with a short description of
// the device and the application, is posted to the site once a login check
// has found the user logged in. The site's answer shows as a tip.
#include "network/RQHTTPRequestDelegate.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "site/CheckLoginWithInfoDelegate.h"

#include <any>
#include <memory>
#include <string>

namespace pw {

class CheckLoginWithInfo;
class ProgressHUD;
class RQHTTPRequest;

class FeedbackViewController : public ui::ViewController,
                               public CheckLoginWithInfoDelegate,
                               public RQHTTPRequestDelegate {
public:
    static std::shared_ptr<FeedbackViewController> create() { return ViewController::create<FeedbackViewController>(); }
    ~FeedbackViewController() override;

    static constexpr size_t kMaxLength = 200; // UTF-16 units, as the site counts
    static constexpr double kTimeout = 30;
    static constexpr const char* kFailed = "抱歉，留言似乎没有成功...";

    // The device suffix: "[system | model | version text | version code]".
    static std::string deviceSuffix();
    // What is sent as `cnt`: the text cut to its first 200 characters, never
    // splitting a surrogate pair, followed by the device suffix.
    static std::string contentToSend(const std::string& text);

    void viewDidLoad() override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    void rightItemBtnClick();
    // The login check; the user info comes back with its answer (none here).
    void checkIsLoginWithInfo(std::any userInfo);
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) override;
    void submit();
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void textViewDidChange();
    void clean();

    const std::shared_ptr<ui::TextView>& txt() const { return m_txt; }
    const std::shared_ptr<ui::Label>& lbl() const { return m_lbl; }
    bool submitEnabled() const;
    bool isSending() const { return m_sending; }
    const std::shared_ptr<RQHTTPRequest>& requestForm() const { return m_requestForm; }
    const std::shared_ptr<CheckLoginWithInfo>& checkLogin() const { return m_checkLogin; }
    const std::shared_ptr<ProgressHUD>& hud() const { return m_hud; }
    // The last tip shown.
    const std::string& tip() const { return m_tip; }

protected:
    FeedbackViewController() { setTitle("意见反馈"); }
    friend class ui::ViewController;

private:
    void setSubmitEnabled(bool enabled);
    void finish(const std::string& tip);

    std::shared_ptr<ui::TextView> m_txt;
    std::shared_ptr<ui::Label> m_lbl;
    std::shared_ptr<CheckLoginWithInfo> m_checkLogin;
    std::shared_ptr<RQHTTPRequest> m_requestForm;
    std::shared_ptr<ProgressHUD> m_hud;
    std::shared_ptr<ui::ActivityIndicatorView> m_activity;
    bool m_sending = false;
    std::string m_tip;
};

} // namespace pw

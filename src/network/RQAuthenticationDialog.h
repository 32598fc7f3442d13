#pragma once
#include "platform/ui/View.h"

#include <memory>
#include <string>
#include <vector>

namespace pw {

namespace ui {
class Button;
class Label;
class PopupWindow;
class TextField;
} // namespace ui

class RQHTTPRequest;

// The engine's credentials screen: asks for a user name, a password and, for
// NTLM, a domain, when a server or a proxy wants credentials the engine cannot
// find. One dialog shows at a time; other requests wait, and one answer serves
// every waiting request for the same place and realm.
class RQAuthenticationDialog : public ui::View {
public:
    enum Type { ServerAuthentication = 0, ProxyAuthentication = 1 };

    // Main thread.
    static void presentAuthenticationDialogForRequest(std::shared_ptr<RQHTTPRequest> request);
    static std::shared_ptr<RQAuthenticationDialog> currentDialog();
    static size_t waitingRequestCount();
    // Headless tools can switch the dialog off: requests then fail instead of waiting.
    static void setPresentationEnabled(bool enabled);
    static bool presentationEnabled();

    ~RQAuthenticationDialog() override;

    std::shared_ptr<RQHTTPRequest> request() const { return m_request; }
    Type type() const { return m_type; }
    std::string titleText() const;
    std::string promptText(bool portrait = true) const;
    int numberOfSections() const;
    std::string headerTitle() const;
    std::string footerText() const;
    ui::TextField* usernameField() const { return m_fields.size() > 0 ? m_fields[0].get() : nullptr; }
    ui::TextField* passwordField() const { return m_fields.size() > 1 ? m_fields[1].get() : nullptr; }
    ui::TextField* domainField() const { return m_fields.size() > 2 ? m_fields[2].get() : nullptr; }

    void loginWithCredentialsFromDialog();
    void cancelAuthenticationFromDialog();
    std::vector<std::shared_ptr<RQHTTPRequest>> requestsRequiringTheseCredentials() const;

protected:
    RQAuthenticationDialog(std::shared_ptr<RQHTTPRequest> request);
    friend class ui::View;

private:
    bool usesNTLM() const;
    void show();
    void dismiss();
    static void presentNextDialog();

    std::shared_ptr<RQHTTPRequest> m_request;
    Type m_type = ServerAuthentication;
    std::shared_ptr<ui::PopupWindow> m_window;
    std::vector<std::shared_ptr<ui::TextField>> m_fields;
    std::vector<std::shared_ptr<ui::Label>> m_labels;
    std::vector<std::shared_ptr<ui::Button>> m_buttons;
};

} // namespace pw

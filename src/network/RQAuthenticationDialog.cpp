#include "network/RQAuthenticationDialog.h"

#include "network/RQHTTPRequest.h"
#include "platform/core/RunLoop.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/net/Url.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/PopupWindow.h"
#include "platform/ui/TextField.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace pw {
namespace {

std::shared_ptr<RQAuthenticationDialog> g_current;
std::vector<std::shared_ptr<RQHTTPRequest>> g_waiting;
std::atomic<bool> g_enabled = true;

constexpr double kWidth = 300;

bool sameAddress(const RQHTTPRequest& a, const RQHTTPRequest& b) {
    auto ua = net::Url::parse(a.url());
    auto ub = net::Url::parse(b.url());
    if (!ua || !ub)
        return false;
    return ua->host() == ub->host() && ua->port() == ub->port() && ua->scheme() == ub->scheme();
}

} // namespace

void RQAuthenticationDialog::setPresentationEnabled(bool enabled) {
    g_enabled = enabled;
}

bool RQAuthenticationDialog::presentationEnabled() {
    return g_enabled;
}

std::shared_ptr<RQAuthenticationDialog> RQAuthenticationDialog::currentDialog() {
    return g_current;
}

size_t RQAuthenticationDialog::waitingRequestCount() {
    return g_waiting.size();
}

void RQAuthenticationDialog::presentAuthenticationDialogForRequest(std::shared_ptr<RQHTTPRequest> request) {
    if (g_current) {
        g_waiting.push_back(std::move(request));
        return;
    }
    g_current = ui::View::create<RQAuthenticationDialog>(std::move(request));
    g_current->show();
}

RQAuthenticationDialog::RQAuthenticationDialog(std::shared_ptr<RQHTTPRequest> request) : m_request(std::move(request)) {
    m_type = m_request->authenticationNeeded() == 2 ? ProxyAuthentication : ServerAuthentication;
}

RQAuthenticationDialog::~RQAuthenticationDialog() = default;

bool RQAuthenticationDialog::usesNTLM() const {
    const std::string& scheme =
        m_type == ProxyAuthentication ? m_request->proxyAuthenticationScheme() : m_request->authenticationScheme();
    return scheme == net::kAuthenticationSchemeNTLM;
}

std::string RQAuthenticationDialog::titleText() const {
    if (m_type == ProxyAuthentication)
        return m_request->proxyHost();
    auto u = net::Url::parse(m_request->url());
    return u ? u->host() : std::string();
}

std::string RQAuthenticationDialog::promptText(bool portrait) const {
    if (!portrait)
        return {};
    return m_type == ProxyAuthentication ? "Login to this secure proxy server." : "Login to this secure server.";
}

int RQAuthenticationDialog::numberOfSections() const {
    return usesNTLM() ? 2 : 1;
}

std::string RQAuthenticationDialog::headerTitle() const {
    return m_request->authenticationRealm();
}

std::string RQAuthenticationDialog::footerText() const {
    auto u = net::Url::parse(m_request->url());
    if (m_request->authenticationScheme() == net::kAuthenticationSchemeBasic && (!u || u->scheme() != "https"))
        return "Password will be sent in the clear.";
    return "Password will be sent securely.";
}

std::vector<std::shared_ptr<RQHTTPRequest>> RQAuthenticationDialog::requestsRequiringTheseCredentials() const {
    std::vector<std::shared_ptr<RQHTTPRequest>> out;
    auto realmOf = [&](const RQHTTPRequest& r) {
        return m_type == ProxyAuthentication ? r.proxyAuthenticationRealm() : r.authenticationRealm();
    };
    for (const auto& r : g_waiting) {
        if (r->authenticationNeeded() != m_request->authenticationNeeded() || !sameAddress(*r, *m_request) ||
            realmOf(*r) != realmOf(*m_request))
            continue;
        if (m_type == ProxyAuthentication &&
            (r->proxyHost() != m_request->proxyHost() || r->proxyPort() != m_request->proxyPort()))
            continue;
        out.push_back(r);
    }
    out.push_back(m_request);
    return out;
}

void RQAuthenticationDialog::show() {
    for (auto& v : subviews())
        v->removeFromSuperview();
    m_fields.clear();
    m_labels.clear();
    m_buttons.clear();

    double y = 10;
    auto addLabel = [&](const std::string& text, double height, bool bold) {
        auto l = ui::View::create<ui::Label>(gfx::Rect(10, y, kWidth - 20, height));
        l->setText(text);
        l->setTextAlignment(gfx::TextAlignment::Center);
        l->setFont(bold ? gfx::Font::boldSystemFont(17) : gfx::Font::systemFont(13));
        addSubview(l);
        m_labels.push_back(l);
        y += height + 4;
    };
    addLabel(titleText(), 22, true);
    addLabel(promptText(true), 18, false);
    if (!headerTitle().empty())
        addLabel(headerTitle(), 18, false);
    auto addField = [&](const char* placeholder, bool secure) {
        auto f = ui::View::create<ui::TextField>(gfx::Rect(10, y, kWidth - 20, 31));
        f->setPlaceholder(placeholder);
        f->setBorderStyle(ui::TextBorderStyle::RoundedRect);
        f->secureTextEntry = secure;
        addSubview(f);
        m_fields.push_back(f);
        y += 31 + 8;
    };
    addField("User", false);
    addField("Password", true);
    if (numberOfSections() == 2)
        addField("Domain", false);
    addLabel(footerText(), 18, false);

    std::weak_ptr<RQAuthenticationDialog> weak = std::static_pointer_cast<RQAuthenticationDialog>(shared_from_this());
    auto addButton = [&](const char* title, double x, auto action) {
        auto b = ui::Button::create(ui::ButtonType::RoundedRect);
        b->setTitle(title);
        b->setFrame(gfx::Rect(x, y, (kWidth - 30) / 2, 40));
        b->addTarget(
            [weak, action](ui::Control&) {
                if (auto me = weak.lock())
                    ((*me).*action)();
            },
            ui::ControlEventTouchUpInside);
        addSubview(b);
        m_buttons.push_back(b);
    };
    addButton("Cancel", 10, &RQAuthenticationDialog::cancelAuthenticationFromDialog);
    addButton("Login", 20 + (kWidth - 30) / 2, &RQAuthenticationDialog::loginWithCredentialsFromDialog);
    y += 50;
    setBounds(gfx::Rect(0, 0, kWidth, y));
    setBackgroundColor(gfx::Color::fromWhite(0.95));

    m_window = ui::PopupWindow::create(ui::kWindowLevelAlert);
    ui::View& c = m_window->container();
    setCenter({std::round(c.bounds().width() / 2), std::round(c.bounds().height() / 2)});
    c.addSubview(shared_from_this());
    m_window->show();
    if (!m_fields.empty())
        m_fields[0]->becomeFirstResponder();
}

void RQAuthenticationDialog::loginWithCredentialsFromDialog() {
    auto keep = std::static_pointer_cast<RQAuthenticationDialog>(shared_from_this());
    std::string user = usernameField() ? usernameField()->text() : std::string();
    std::string password = passwordField() ? passwordField()->text() : std::string();
    std::string domain = domainField() ? domainField()->text() : std::string();
    bool ntlm = usesNTLM();
    for (auto& r : requestsRequiringTheseCredentials()) {
        if (m_type == ProxyAuthentication) {
            r->setProxyUsername(user);
            r->setProxyPassword(password);
            if (ntlm)
                r->setProxyDomain(domain);
        } else {
            r->setUsername(user);
            r->setPassword(password);
            if (ntlm)
                r->setDomain(domain);
        }
        r->retryUsingSuppliedCredentials();
        g_waiting.erase(std::remove(g_waiting.begin(), g_waiting.end(), r), g_waiting.end());
    }
    dismiss();
}

void RQAuthenticationDialog::cancelAuthenticationFromDialog() {
    auto keep = std::static_pointer_cast<RQAuthenticationDialog>(shared_from_this());
    for (auto& r : requestsRequiringTheseCredentials()) {
        r->cancelAuthentication();
        g_waiting.erase(std::remove(g_waiting.begin(), g_waiting.end(), r), g_waiting.end());
    }
    dismiss();
}

void RQAuthenticationDialog::dismiss() {
    auto keep = std::static_pointer_cast<RQAuthenticationDialog>(shared_from_this());
    if (m_fields.size() > 0)
        for (auto& f : m_fields)
            f->resignFirstResponder();
    removeFromSuperview();
    if (m_window) {
        m_window->close();
        m_window.reset();
    }
    if (g_current == keep) {
        g_current.reset();
        // The next waiting request gets its dialog on the next turn of the main loop.
        core::RunLoop::main().post([] { presentNextDialog(); });
    }
}

void RQAuthenticationDialog::presentNextDialog() {
    if (g_current || g_waiting.empty())
        return;
    auto next = g_waiting.front();
    g_waiting.erase(g_waiting.begin());
    presentAuthenticationDialogForRequest(next);
}

} // namespace pw

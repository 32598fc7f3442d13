#include "site/Ostra.h"

#include "foundation/db/SettingTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/util/Utils.h"
#include "platform/core/Clock.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "site/RZHTTPRequest.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <regex>

namespace pw {

namespace {
std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::optional<int64_t> toInt64(const std::string& digits) {
    int64_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return v;
}

double systemVersionNumber() {
    return std::strtod(device::Device::current().systemVersion().c_str(), nullptr);
}
} // namespace

void Ostra::createOstraReferrer(const std::optional<std::string>& referrer, const std::optional<std::string>& pageTitle,
                                const std::optional<std::string>& pagePathName,
                                const std::optional<std::string>& pageQueryString,
                                const std::optional<std::string>& pageUrl,
                                const std::optional<std::string>& topPageUrl) {
    core::OperationQueue::shared().addOperation(
        std::make_shared<Ostra>(referrer, pageTitle, pagePathName, pageQueryString, pageUrl, topPageUrl));
}

Ostra::Ostra(const std::optional<std::string>& referrer, const std::optional<std::string>& pageTitle,
             const std::optional<std::string>& pagePathName, const std::optional<std::string>& pageQueryString,
             const std::optional<std::string>& pageUrl, const std::optional<std::string>& topPageUrl) {
    if (auto id = SettingTB::readSettingWithKey("k_globalId"))
        m_globalId = toInt64(*id).value_or(0);
    if (auto t = SettingTB::readSettingWithKey("k_lastTime"))
        m_lastTime = std::strtod(t->c_str(), nullptr);
    auto enc = [](const std::optional<std::string>& s) { return encodingStringParameter(s.value_or("")); };
    m_referrer = enc(referrer);
    m_pageTitle = enc(pageTitle);
    m_pagePathName = enc(pagePathName);
    m_pageQueryString = enc(pageQueryString);
    m_pageUrl = enc(pageUrl);
    m_topPageUrl = enc(topPageUrl);
}

void Ostra::main() {
    const double elapsed = core::Clock::shared().now() - m_lastTime;
    m_token = SettingTB::readSettingWithKey("vemoToken").value_or("");
    if (m_globalId == 0)
        addGlobalUser();
    else if (elapsed > 86400)
        addDailyUser();
    else
        addSessionUser();
}

std::string Ostra::pageFields() const {
    // The token is the user's, so it is escaped like every other value.
    return "referrer=" + m_referrer + "&pageTitle=" + m_pageTitle + "&host=" + kHostName +
           "&pagePathName=" + m_pagePathName + "&pageQueryString=" + m_pageQueryString + "&pageUrl=" + m_pageUrl +
           "&topPageUrl=" + m_topPageUrl + "&isErrorPage=0&curToken=" + encodingStringParameter(m_token);
}

std::string Ostra::globalUserQuery() const {
    const auto screen = device::Device::current().screen();
    return "opName=AddGlobalUser&clientColorDepth=32&clientScreenWidth=" + format("%.0f", screen.width) +
           "&clientScreenHeight=" + format("%.f", screen.height) +
           "&flashVersion=" + format("%.2f", systemVersionNumber()) + "&" + pageFields();
}

std::string Ostra::dailyUserQuery() const {
    const auto screen = device::Device::current().screen();
    return "opName=AddDailyUser&clientColorDepth=32&globalId=" + std::to_string(m_globalId) +
           "&clientScreenWidth=" + format("%f", screen.width) + "&clientScreenHeight=" + format("%lf", screen.height) +
           "&flashVersion=" + format("%.2f", systemVersionNumber()) + "&" + pageFields();
}

std::string Ostra::sessionUserQuery() const {
    return "opName=AddSessionUser&globalId=" + std::to_string(m_globalId) + "&" + pageFields();
}

void Ostra::addGlobalUser() {
    submit(globalUserQuery(), AddGlobalUser);
}

void Ostra::addDailyUser() {
    submit(dailyUserQuery(), AddDailyUser);
}

void Ostra::addSessionUser() {
    submit(sessionUserQuery(), AddSessionUser);
}

std::optional<Ostra::ReplyNumbers> Ostra::parseReply(const std::string& text, int tag) {
    // The whole reply must have the form; the numbers come from the groups,
    // never from fixed positions.
    static const std::regex global(R"re(^\{value:"0\|([0-9]+)\|([0-9]*)"\}$)re");
    static const std::regex single(R"re(^\{value:"0\|([0-9]*)"\}$)re");
    std::smatch m;
    if (tag == AddGlobalUser) {
        if (!std::regex_match(text, m, global))
            return std::nullopt;
        auto id = toInt64(m[1].str());
        if (!id || *id == 0)
            return std::nullopt;
        return ReplyNumbers{*id, toInt64(m[2].str())};
    }
    if (!std::regex_match(text, m, single))
        return std::nullopt;
    if (m[1].length() == 0)
        return ReplyNumbers{0, std::nullopt};
    auto session = toInt64(m[1].str());
    if (!session)
        return std::nullopt;
    return ReplyNumbers{*session, std::nullopt};
}

void Ostra::submit(const std::string& query, int tag) {
    auto request =
        RZHTTPRequest::requestWithURL(SiteHosts::baseUrl(SiteHosts::Service::Statistics) + "/statajax.aspx?" + query);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(30);
    request->setTag(tag);
    request->startSynchronous();
    if (request->error() || request->responseStatusCode() != 200)
        return;
    auto text = request->responseString();
    if (!text)
        if (auto bytes = request->responseData())
            text = core::text::decodeToUtf8(*bytes, "GB18030");
    if (!text || text->empty())
        return;
    auto numbers = parseReply(*text, tag);
    if (!numbers)
        return;
    if (tag == AddGlobalUser) {
        m_globalId = numbers->first;
        m_sessionId = numbers->second.value_or(0);
        SettingTB::saveSettingWithKey("k_globalId", std::to_string(m_globalId));
    } else if (tag == AddDailyUser) {
        m_sessionId = numbers->first;
        m_lastTime = core::Clock::shared().now();
        SettingTB::saveSettingWithKey("k_lastTime", format("%f", m_lastTime));
    } else {
        m_sessionId = numbers->first;
    }
}

} // namespace pw

#pragma once
// One page view reported to the site's statistics service, in the manner of a
// web page's visitor counter: the first beacon ever registers the
// installation (1001), the first of each day counts a daily visitor (1002),
// the others a session visitor (1003). Each beacon is an operation of the
// application's shared one-at-a-time queue; fire and forget.
#include "platform/core/Operation.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class Ostra : public core::Operation {
public:
    enum Tag : int { AddGlobalUser = 1001, AddDailyUser = 1002, AddSessionUser = 1003 };
    // The host name the beacons give for the application.
    static constexpr const char* kHostName = "pagewell.client";

    // Queues one beacon on the application's shared queue.
    static void createOstraReferrer(const std::optional<std::string>& referrer,
                                    const std::optional<std::string>& pageTitle,
                                    const std::optional<std::string>& pagePathName,
                                    const std::optional<std::string>& pageQueryString,
                                    const std::optional<std::string>& pageUrl,
                                    const std::optional<std::string>& topPageUrl);

    // Loads the visitor id and the last daily visit from the settings and keeps
    // the six page texts percent-encoded.
    Ostra(const std::optional<std::string>& referrer, const std::optional<std::string>& pageTitle,
          const std::optional<std::string>& pagePathName, const std::optional<std::string>& pageQueryString,
          const std::optional<std::string>& pageUrl, const std::optional<std::string>& topPageUrl);

    // The operation's body: decides and sends one beacon.
    void main() override;
    // Sends one beacon synchronously and reads its reply.
    void submit(const std::string& query, int tag);
    void addGlobalUser();
    void addDailyUser();
    void addSessionUser();

    // The query each operation would send now (what addGlobalUser... submit).
    std::string globalUserQuery() const;
    std::string dailyUserQuery() const;
    std::string sessionUserQuery() const;
    // Reads a reply: the numbers it carries, nullopt when it is not of the
    // operation's form.
    struct ReplyNumbers {
        int64_t first = 0;
        std::optional<int64_t> second;
    };
    static std::optional<ReplyNumbers> parseReply(const std::string& text, int tag);

    int64_t globalId() const { return m_globalId; }
    double lastTime() const { return m_lastTime; }
    int64_t sessionId() const { return m_sessionId; }
    const std::string& token() const { return m_token; }
    void setToken(std::string token) { m_token = std::move(token); }

private:
    std::string pageFields() const;

    int64_t m_globalId = 0;
    double m_lastTime = 0;
    int64_t m_sessionId = 0;
    std::string m_token;
    std::string m_referrer;
    std::string m_pageTitle;
    std::string m_pagePathName;
    std::string m_pageQueryString;
    std::string m_pageUrl;
    std::string m_topPageUrl;
};

} // namespace pw

#pragma once
// Asks the site every 300 s whether the books with an update reminder have
// new chapters, and collects the site's notices: user messages, settings the
// site pushes and orders to download a whole book silently. What it learns
// goes into the book, settings and message tables and out as notifications.
#include "site/SiteAPIBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pw {

namespace core {
class Timer;
}

class CheckRZBookUpdate : public SiteAPIBase {
public:
    static std::shared_ptr<CheckRZBookUpdate> create() {
        return std::shared_ptr<CheckRZBookUpdate>(new CheckRZBookUpdate());
    }
    static constexpr double kInterval = 300;
    static constexpr int kVersionCode = 15;
    enum NotifyType : int { UserMessage = 1, Setting = 2, SilentDownload = 3 };

    ~CheckRZBookUpdate() override;

    // A repeating timer on the calling (main) thread's run loop; the first
    // poll comes one interval after the start.
    void startToCheckRZBookUpdate();
    void stopToCheckRZBookUpdate();
    // One tick: doWork on a detached thread.
    void fireMethod();
    // Builds the poll's address from the tables (any thread) and starts the
    // request on the main thread.
    void doWork();

    // The poll's address for these reminder books and stored keys.
    static std::string pollURL(int64_t lastNotifyId, int64_t lastRequestTime, const std::vector<int64_t>& books);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    const std::shared_ptr<core::Timer>& timer() const { return m_timer; }

protected:
    CheckRZBookUpdate() = default;

private:
    void startPoll(const std::string& url);
    void readBookList(const core::Value& books);
    void readNotifyList(const core::Value& notices);

    std::shared_ptr<core::Timer> m_timer;
};

} // namespace pw

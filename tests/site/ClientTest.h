#pragma once
// The fixture of the shelf, download, poll and statistics clients' tests: the
// site tests' stand-in and home, a way to let answers that should not come
// have their chance, and a record of notifications.
#include "SiteTest.h"
#include "platform/core/NotificationCenter.h"

#include <string>
#include <vector>

namespace pw::test {

class ClientTest : public SiteTest {
protected:
    void TearDown() override {
        // Idle kept-alive connections would hold the stand-in's threads until they time out.
        RQHTTPRequest::expirePersistentConnections();
        SiteTest::TearDown();
    }
    // Serves the main run loop for a while (a late answer would arrive meanwhile).
    void drain(double seconds = 0.2) {
        waitFor([] { return false; }, seconds);
    }
    const std::string m_user = std::to_string(standin::StandinSite::kReaderId);
};

// Records the notifications of the given names, in the order posted.
class NoticeLog {
public:
    explicit NoticeLog(std::vector<std::string> names) {
        for (auto& name : names)
            m_tokens.push_back(core::NotificationCenter::defaultCenter().addObserver(
                name, [this](const core::Notification& n) { m_notices.push_back(n); }));
    }
    const std::vector<core::Notification>& all() const { return m_notices; }
    std::vector<core::Notification> named(const std::string& name) const {
        std::vector<core::Notification> out;
        for (const auto& n : m_notices)
            if (n.name == name)
                out.push_back(n);
        return out;
    }
    size_t count(const std::string& name) const { return named(name).size(); }
    void clear() { m_notices.clear(); }

private:
    std::vector<core::Notification> m_notices;
    std::vector<core::ObserverToken> m_tokens;
};

} // namespace pw::test

#pragma once
// Fetches the four shelves the logged-in user keeps on the site (the VIP
// shelf and shelves 1 to 3), one after another through a queue, and stores
// their books on the local site shelf, each shelf as a category of its own.
// The caller fetches first and, in its callback, hands the record back to
// saveBookcaseWithUserId.
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Value.h"
#include "site/RZHTTPRequest.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class ProgressHUD;
class RQNetworkQueue;

class GetBookCaseBooks : public RQHTTPRequestDelegate, public std::enable_shared_from_this<GetBookCaseBooks> {
public:
    static constexpr int kShelfCount = 4;

    GetBookCaseBooks() = default;
    ~GetBookCaseBooks() override;

    // Answers the callback once, when all four requests have ended, with a
    // record of shelf number -> list of books; a shelf that failed, or whose
    // answer was not a list, has no key.
    void getBookCaseBookWithTarget(std::weak_ptr<void> target, SiteSelector selector, std::shared_ptr<ProgressHUD> hud);
    // Stores the shelves under the user; false only when the four shelf
    // categories cannot be made.
    bool saveBookcaseWithUserId(const std::string& userId, const core::Value& bookcaseData,
                                const std::shared_ptr<ProgressHUD>& hud);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void queueFinished(RQNetworkQueue& queue);

    // The category name of shelf t (0 to 3).
    static std::string categoryName(int t);

    const std::shared_ptr<RQNetworkQueue>& networkQueue() const { return m_networkQueue; }
    const core::Value& bookCaseDict() const { return m_bookCaseDict; }
    const std::shared_ptr<ProgressHUD>& pProgressHUD() const { return m_pProgressHUD; }
    int64_t hasReceived() const { return m_hasReceived; }

private:
    void dropQueue();
    void setLabel(const std::string& text);

    std::shared_ptr<RQNetworkQueue> m_networkQueue;
    core::Value m_bookCaseDict = core::Value::map();
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    int64_t m_hasReceived = 0;
};

} // namespace pw

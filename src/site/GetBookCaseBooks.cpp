#include "site/GetBookCaseBooks.h"

#include "foundation/db/BookTB.h"
#include "foundation/codec/JSONCodec.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/widgets/ProgressHUD.h"
#include "network/RQNetworkQueue.h"
#include "site/SiteAnswer.h"

namespace pw {

namespace {
std::string progressText(int t) {
    return t == 0 ? "同步 VIP 书架" : "同步 书架" + std::to_string(t);
}
std::string failureText(int t) {
    return t == 0 ? "同步 VIP 书架失败" : "同步 书架" + std::to_string(t) + " 失败";
}
std::string shownName(int t) {
    return t == 0 ? "VIP书架" : "书架" + std::to_string(t);
}
} // namespace

std::string GetBookCaseBooks::categoryName(int t) {
    return shownName(t);
}

GetBookCaseBooks::~GetBookCaseBooks() {
    dropQueue();
}

void GetBookCaseBooks::setLabel(const std::string& text) {
    if (m_pProgressHUD)
        m_pProgressHUD->setLabelText(text);
}

void GetBookCaseBooks::dropQueue() {
    if (!m_networkQueue)
        return;
    // A superseded fetch reports nothing: neither its shelves nor its end.
    m_networkQueue->setDelegate({});
    m_networkQueue->setRequestDidFinishSelector({});
    m_networkQueue->setRequestDidFailSelector({});
    m_networkQueue->setQueueDidFinishSelector({});
    m_networkQueue->setUserInfo({});
    m_networkQueue->cancelAllOperations();
    m_networkQueue.reset();
}

void GetBookCaseBooks::getBookCaseBookWithTarget(std::weak_ptr<void> target, SiteSelector selector,
                                                 std::shared_ptr<ProgressHUD> hud) {
    m_pProgressHUD = std::move(hud);
    m_hasReceived = 0;
    if (m_pProgressHUD) {
        m_pProgressHUD->hide(false);
        m_pProgressHUD->setLabelText(std::string("正在同步书架信息"));
        m_pProgressHUD->show(false);
    }
    dropQueue();
    m_bookCaseDict = core::Value::map();

    auto queue = RQNetworkQueue::queue();
    queue->setMaxConcurrentOperationCount(1);
    queue->setShouldCancelAllRequestsOnFailure(false);
    queue->setShowAccurateProgress(false);
    queue->setDelegate(weak_from_this());
    // The queue calls these only while this object (its delegate) lives.
    queue->setRequestDidFinishSelector([this](RQHTTPRequest& r) { requestFinished(r); });
    queue->setRequestDidFailSelector([this](RQHTTPRequest& r) { requestFailed(r); });
    queue->setQueueDidFinishSelector([this](RQNetworkQueue& q) { queueFinished(q); });
    queue->setUserInfo({{"target", std::any(std::move(target))}, {"selector", std::any(std::move(selector))}});
    m_networkQueue = queue;

    const std::string base = SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/GetBookCaseBooks.ashx?t=";
    for (int t = 0; t < kShelfCount; ++t) {
        auto request = RQHTTPRequest::requestWithURL(base + std::to_string(t));
        request->setShowAccurateProgress(false);
        request->setDefaultResponseEncoding("UTF-8");
        request->setShouldContinueWhenAppEntersBackground(true);
        request->setTimeOutSeconds(30);
        request->setTag(t);
        queue->addOperation(request);
    }
    queue->go();
}

void GetBookCaseBooks::requestFinished(RQHTTPRequest& request) {
    const int t = request.tag();
    // Only a list of books counts as a shelf; an error page or a broken answer
    // is a failed shelf, not an empty one.
    std::optional<core::Value> shelf;
    if (request.responseStatusCode() == 200)
        if (auto text = SiteAnswer::text(request))
            shelf = objectFromJSONString(*text);
    if (!shelf || !shelf->isArray()) {
        setLabel(failureText(t));
        return;
    }
    m_bookCaseDict.set(std::to_string(t), std::move(*shelf));
    setLabel(progressText(t));
}

void GetBookCaseBooks::requestFailed(RQHTTPRequest& request) {
    setLabel(failureText(request.tag()));
}

void GetBookCaseBooks::queueFinished(RQNetworkQueue& queue) {
    setLabel("同步书架信息完毕");
    RQUserInfo info = queue.userInfo();
    queue.setUserInfo({});
    auto target = info.find("target");
    auto selector = info.find("selector");
    if (target == info.end() || selector == info.end())
        return;
    const auto* receiver = std::any_cast<std::weak_ptr<void>>(&target->second);
    const auto* operation = std::any_cast<SiteSelector>(&selector->second);
    if (receiver && operation && *operation && receiver->lock())
        (*operation)(m_bookCaseDict);
}

bool GetBookCaseBooks::saveBookcaseWithUserId(const std::string& userId, const core::Value& bookcaseData,
                                              const std::shared_ptr<ProgressHUD>& hud) {
    if (!CategoryTB::syncBookCases()) {
        if (hud)
            hud->showTipsWithLoadingHideDelay("保存书架信息失败", 2.0f);
        return false;
    }
    for (int t = 0; t < kShelfCount; ++t) {
        const auto* books = bookcaseData[std::to_string(t)].asArray();
        if (!books || books->empty())
            continue;
        if (hud)
            hud->setLabelText("正在保存 " + shownName(t) + " ...");
        if (BookTB::addBookCaseBooksWith(*books, core::Value(userId), shownName(t)) != 0 && hud)
            hud->setLabelText("保存 " + shownName(t) + " 信息失败");
    }
    return true;
}

} // namespace pw

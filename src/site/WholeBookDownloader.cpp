#include "site/WholeBookDownloader.h"

#include "foundation/db/BookChapterWriter.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/FileHelper.h"
#include "network/RQNetworkQueue.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "site/BookContentDownloader.h"
#include "site/BookCoverDownloader.h"
#include "site/DownManager.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace pw {

namespace {
constexpr const char* kProgress = "NSNotificationCenter_BookAllDownProgress";
constexpr const char* kFailed = "NSNotificationCenter_BookAllDownFailed";
constexpr const char* kSuccess = "NSNotificationCenter_BookAllDownSuccess";

using IdList = std::vector<int64_t>;

std::optional<int64_t> parseId(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    int64_t id = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return id;
}

// A chapter request carries the whole id list of its stage; its tag is its
// index in that list.
std::shared_ptr<IdList> idsOf(RZHTTPRequest& request) {
    const auto* ids = std::any_cast<std::shared_ptr<IdList>>(&request.userPack());
    return ids ? *ids : nullptr;
}

// The index after the batch that `request` ended, or nullopt when the list is done.
std::optional<size_t> nextBatchStart(RZHTTPRequest& request) {
    auto ids = idsOf(request);
    if (!ids || ids->empty())
        return std::nullopt;
    const size_t next = static_cast<size_t>(request.tag()) + 1;
    if (next >= ids->size())
        return std::nullopt;
    return next;
}
} // namespace

std::shared_ptr<WholeBookDownloader> WholeBookDownloader::create() {
    return std::make_shared<WholeBookDownloader>();
}

WholeBookDownloader::WholeBookDownloader()
    : m_queue(RQNetworkQueue::queue()), m_bookCoverDownloader(BookCoverDownloader::create()) {
    // One request at a time, strictly in the order they were added.
    m_queue->setMaxConcurrentOperationCount(1);
    m_queue->setShouldCancelAllRequestsOnFailure(false);
    m_queue->setShowAccurateProgress(false);
    m_queue->go();
}

WholeBookDownloader::~WholeBookDownloader() {
    m_queue->cancelAllOperations();
}

bool WholeBookDownloader::isIdle() const {
    // A request that has ended may still wait for its answer to be handled on
    // the main thread; the book is running until its end notice.
    return !m_running && m_queue->operationCount() == 0;
}

void WholeBookDownloader::cancelDownloading() {
    // Answers that were already on their way are dropped too: a cancelled
    // download must not go on from one of them.
    ++m_generation;
    m_running = false;
    m_writer.reset();
    m_queue->cancelAllOperations();
}

BookChapterWriter* WholeBookDownloader::writerFor(int64_t rzBookId) {
    if (!m_writer || m_writer->rzBookId() != rzBookId)
        m_writer = BookChapterWriter::open(rzBookId);
    return m_writer.get();
}

std::shared_ptr<RZHTTPRequest> WholeBookDownloader::makeRequest(const std::string& url, int64_t rzBookId,
                                                                const std::string& userId) {
    auto request = RZHTTPRequest::requestWithURL(url);
    request->setShouldContinueWhenAppEntersBackground(true);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(30);
    request->setDefaultResponseEncoding("UTF-8");
    request->setLrzBookId(rzBookId);
    request->setUserId(userId);
    return request;
}

void WholeBookDownloader::enqueue(const std::shared_ptr<RZHTTPRequest>& request, Handler finished, Handler failed) {
    request->setDelegate(weak_from_this());
    const uint64_t generation = m_generation;
    request->setDidFinishSelector([finished, generation](RQHTTPRequestDelegate& d, RQHTTPRequest& r) {
        auto& self = static_cast<WholeBookDownloader&>(d);
        if (self.m_generation == generation)
            (self.*finished)(static_cast<RZHTTPRequest&>(r));
    });
    request->setDidFailSelector([failed, generation](RQHTTPRequestDelegate& d, RQHTTPRequest& r) {
        auto& self = static_cast<WholeBookDownloader&>(d);
        if (self.m_generation == generation)
            (self.*failed)(static_cast<RZHTTPRequest&>(r));
    });
    // Each request waits for the one queued before it.
    if (auto last = m_lastQueued.lock(); last && !last->isFinished())
        request->addDependency(last);
    m_lastQueued = request;
    m_queue->addOperation(request);
}

void WholeBookDownloader::postNotificationWithName(const std::string& name, double progress, int64_t rzBookId,
                                                   const std::string& userId) {
    if (progress >= 1.0) {
        m_running = false;
        m_writer.reset(); // everything the book stored is on the disk before it is announced
    }
    core::Value note = DownManager::createNoteWithRZBookId(rzBookId, userId, progress);
    if (name == kSuccess)
        note.set("lost", m_lost);
    core::NotificationCenter::defaultCenter().post(name, std::move(note));
}

void WholeBookDownloader::fail(RZHTTPRequest& request) {
    postNotificationWithName(kFailed, 1.0, request.lrzBookId(), request.userId());
}

// ---- 1. the chapter list

void WholeBookDownloader::beginToDownloadByRZBookId(int64_t rzBookId, const std::string& userId) {
    m_running = true;
    m_currentDownloadingType = StageChapterList;
    const int64_t from = BookDB::getLocalSecondMaxChapterIdWithRZBookId(rzBookId);
    auto request = makeRequest(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/Client/IGetBookInfo.aspx?bookid=" +
                                   std::to_string(rzBookId) + "&chapterId=" + std::to_string(from),
                               rzBookId, userId);
    enqueue(request, &WholeBookDownloader::downChapterListFinished, &WholeBookDownloader::listRequestFailed);
}

void WholeBookDownloader::downChapterListFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    const std::string userId = request.userId();
    m_lost = 0;
    const bool onShelf = BookTB::isBookExistsByRZBookId(id) == 1;
    if (onShelf && BookTB::isBookBelongWithRZBookId(id, core::Value(userId)) == 0)
        return fail(request);
    postNotificationWithName(kProgress, 0.2, id, userId);

    auto reply = SiteAnswer::cleanedJSON(request);
    if (!reply || !reply->isMap() || reply->get("ret") == nullptr || (*reply)["ret"].asInt() != 0)
        return fail(request);
    const auto* chapters = (*reply)["Chapters"].asArray();
    if (!chapters || chapters->empty())
        return fail(request);
    // The book's database stays open from here to the book's end: it is made
    // when missing, and the list and every batch are stored without a flush of
    // their own (see BookChapterWriter).
    if (!m_writer || m_writer->rzBookId() != id)
        m_writer = BookChapterWriter::create(id);
    if (!m_writer)
        return fail(request);

    const core::Value& r = *reply;
    if (onShelf) {
        BookTB::updateLastChapterId(r["LastChapterId"], r["LastChapterName"], r["LastChapterTime"], id);
    } else {
        const std::string cover = AppPaths::coverFile(id).string();
        const std::string file = AppPaths::bookDatabase(id).string();
        if (BookTB::addBookWithRZBookId(id, r["BookName"].asString().value_or(""), cover, file, "RZ",
                                        r["Author"].asString().value_or(""), core::Value(userId), r["LastChapterId"],
                                        r["LastChapterName"], r["LastChapterTime"], 0) != 0)
            return fail(request);
        m_shouldReloadAfterGetBookInfo = true;
    }
    BookTB::updateBookDBStateByRZBookId(id);
    if (m_shouldReloadAfterGetBookInfo) {
        m_shouldReloadAfterGetBookInfo = false;
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookReload");
    }
    if (!m_writer->addChapters(*chapters))
        return fail(request);
    if (const auto* volumes = r["Volumes"].asArray())
        m_writer->addVolumes(*volumes);

    m_currentDownloadingType = StageCover;
    if (FileHelper::isBookCoverImageExistByRZBookId(id))
        return beginToDownChaptersContent(id, userId);
    auto cover = makeRequest(SiteHosts::baseUrl(SiteHosts::Service::Image) + "/books/" + std::to_string(id) + "/" +
                                 std::to_string(id) + ".jpg",
                             id, userId);
    enqueue(cover, &WholeBookDownloader::downBookCoverFinished, &WholeBookDownloader::downBookCoverFailed);
}

void WholeBookDownloader::downBookCoverFinished(RZHTTPRequest& request) {
    if (request.responseStatusCode() == 200)
        if (auto bytes = request.responseData())
            m_bookCoverDownloader->saveBookCover(*bytes, request.lrzBookId());
    beginToDownChaptersContent(request.lrzBookId(), request.userId());
}

void WholeBookDownloader::downBookCoverFailed(RZHTTPRequest& request) {
    if (request.isRequestCancelled())
        return;
    beginToDownChaptersContent(request.lrzBookId(), request.userId());
}

// ---- 3. free chapters

void WholeBookDownloader::beginToDownChaptersContent(int64_t rzBookId, const std::string& userId) {
    if (m_currentDownloadingType != StageCover)
        return;
    auto ids = BookDB::getAllNotDownloadedChapterIdsByRZBookId(rzBookId);
    if (!ids)
        return postNotificationWithName(kFailed, 1.0, rzBookId, userId);
    m_currentDownloadingType = StageFreeChapters;
    if (ids->empty())
        return beginToDownPurchasedVipChapterList(rzBookId, userId);
    queueFreeBatch(rzBookId, userId, std::make_shared<IdList>(std::move(*ids)), 0);
}

void WholeBookDownloader::queueFreeBatch(int64_t rzBookId, const std::string& userId,
                                         const std::shared_ptr<IdList>& ids, size_t from) {
    const size_t end = std::min(from + kBatchSize, ids->size());
    const std::string base = SiteHosts::baseUrl(SiteHosts::Service::File);
    for (size_t i = from; i < end; ++i) {
        const int64_t cid = (*ids)[i];
        auto request = makeRequest(base + BookContentDownloader::freeChapterPath(rzBookId, cid), rzBookId, userId);
        request->setCategoryId(cid);
        request->setTag(static_cast<int>(i));
        request->setUserPack(ids);
        request->setIsLastInQueue(i + 1 == end);
        enqueue(request, &WholeBookDownloader::downChapterContentFinished,
                &WholeBookDownloader::downChapterContentFailed);
    }
}

void WholeBookDownloader::downChapterContentFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    postNotificationWithName(kProgress, 0.5, id, request.userId());
    // An error page must never be stored as a chapter: only a whole answer in
    // the chapter file's wrapper is.
    std::optional<std::string> text;
    if (request.responseStatusCode() == 200)
        if (auto bytes = request.responseData())
            text = BookContentDownloader::freeChapterText(*bytes);
    if (text) {
        auto* writer = writerFor(id);
        if (!writer || !writer->saveChapters({{request.categoryId(), text->empty() ? std::string("  ") : *text}}))
            ++m_lost;
    } else {
        ++m_lost;
    }
    if (request.isLastInQueue())
        processLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::downChapterContentFailed(RZHTTPRequest& request) {
    if (request.isRequestCancelled()) {
        request.setUserPack({});
        return;
    }
    ++m_lost;
    if (request.isLastInQueue())
        processLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::processLastCntDownInQueueFinished(RZHTTPRequest& request) {
    if (auto next = nextBatchStart(request))
        queueFreeBatch(request.lrzBookId(), request.userId(), idsOf(request), *next);
    else
        beginToDownPurchasedVipChapterList(request.lrzBookId(), request.userId());
}

// ---- 4. bought paid chapters

void WholeBookDownloader::beginToDownPurchasedVipChapterList(int64_t rzBookId, const std::string& userId) {
    if (m_currentDownloadingType != StageFreeChapters)
        return;
    m_currentDownloadingType = StageBoughtList;
    auto request = makeRequest(SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                                   "/Client/IGetBuyedChapterList.aspx?bookid=" + std::to_string(rzBookId),
                               rzBookId, userId);
    enqueue(request, &WholeBookDownloader::downVipChapterListFinished, &WholeBookDownloader::listRequestFailed);
}

void WholeBookDownloader::downVipChapterListFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    const std::string userId = request.userId();
    postNotificationWithName(kProgress, 0.6, id, userId);
    if (request.responseStatusCode() != 200)
        return fail(request);
    auto text = SiteAnswer::text(request);
    if (!text || text->empty())
        return postNotificationWithName(kSuccess, 1.0, id, userId);

    std::set<int64_t> bought;
    std::vector<int64_t> boughtInOrder;
    size_t start = 0;
    while (start <= text->size()) {
        size_t comma = text->find(',', start);
        if (comma == std::string::npos)
            comma = text->size();
        if (auto cid = parseId(std::string_view(*text).substr(start, comma - start)))
            if (bought.insert(*cid).second)
                boughtInOrder.push_back(*cid);
        start = comma + 1;
    }
    auto list = std::make_shared<IdList>();
    if (auto zero = BookDB::getAllPriceZeroVipChapterIdByRZBookId(id))
        for (int64_t cid : *zero)
            if (!bought.count(cid))
                list->push_back(cid);
    std::set<int64_t> stored;
    if (auto downloaded = BookDB::getAllDownloadedVipChapterIdsByRZBookId(id))
        stored.insert(downloaded->begin(), downloaded->end());
    for (int64_t cid : boughtInOrder)
        if (!stored.count(cid))
            list->push_back(cid);
    if (list->empty())
        return postNotificationWithName(kSuccess, 1.0, id, userId);
    m_currentDownloadingType = StagePaidChapters;
    queuePaidBatch(id, userId, list, 0);
}

void WholeBookDownloader::queuePaidBatch(int64_t rzBookId, const std::string& userId,
                                         const std::shared_ptr<IdList>& ids, size_t from) {
    const size_t end = std::min(from + kBatchSize, ids->size());
    const std::string base = SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/IGetVipContent.ashx?k=";
    const std::string device = device::Device::current().identifierForVendor();
    for (size_t i = from; i < end; ++i) {
        const int64_t cid = (*ids)[i];
        auto request = makeRequest(base + BookContentDownloader::vipToken(rzBookId, cid, device), rzBookId, userId);
        request->setChapterId(cid);
        request->setTag(static_cast<int>(i));
        request->setUserPack(ids);
        request->setIsLastInQueue(i + 1 == end);
        enqueue(request, &WholeBookDownloader::downVipChapterContentFinished,
                &WholeBookDownloader::downVipChapterContentFailed);
    }
}

void WholeBookDownloader::downVipChapterContentFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    std::optional<std::string> body;
    if (request.responseStatusCode() == 200)
        body = request.responseData();
    if (body && !body->empty()) {
        postNotificationWithName(kProgress, 0.8, id, request.userId());
        auto* writer = writerFor(id);
        if (!writer || !writer->saveVipChapters({{request.chapterId(), std::move(*body)}}, core::Value(request.userId())))
            ++m_lost;
    } else {
        ++m_lost;
    }
    if (request.isLastInQueue())
        processVipLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::downVipChapterContentFailed(RZHTTPRequest& request) {
    if (request.isRequestCancelled()) {
        request.setUserPack({});
        return;
    }
    ++m_lost;
    if (request.isLastInQueue())
        processVipLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::processVipLastCntDownInQueueFinished(RZHTTPRequest& request) {
    if (auto next = nextBatchStart(request))
        queuePaidBatch(request.lrzBookId(), request.userId(), idsOf(request), *next);
    else
        postNotificationWithName(kSuccess, 1.0, request.lrzBookId(), request.userId());
}

void WholeBookDownloader::listRequestFailed(RZHTTPRequest& request) {
    requestFailed(request);
}

void WholeBookDownloader::requestFailed(RQHTTPRequest& request) {
    if (request.isRequestCancelled())
        return;
    fail(static_cast<RZHTTPRequest&>(request));
}

} // namespace pw

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

// The chapters of one batch are fetched at once; the next batch is queued
// when every request of this one has answered (or failed). The answers are
// kept until then and stored while the next batch is on its way.
struct Batch {
    std::shared_ptr<IdList> ids;
    size_t end = 0; // one past the batch's last index in ids
    size_t size = 0;
    size_t answered = 0;
    std::vector<std::pair<int64_t, std::string>> received; // chapter id, text or bytes
};

std::shared_ptr<Batch> batchOf(RZHTTPRequest& request) {
    const auto* batch = std::any_cast<std::shared_ptr<Batch>>(&request.userPack());
    return batch ? *batch : nullptr;
}

// Counts one answer of the request's batch; true when it was the batch's last.
bool batchAnswered(RZHTTPRequest& request) {
    auto batch = batchOf(request);
    return batch && ++batch->answered == batch->size;
}
} // namespace

std::shared_ptr<WholeBookDownloader> WholeBookDownloader::create() {
    return std::make_shared<WholeBookDownloader>();
}

WholeBookDownloader::WholeBookDownloader()
    : m_queue(RQNetworkQueue::queue()), m_bookCoverDownloader(BookCoverDownloader::create()) {
    // A batch of chapters is fetched at once; every other request runs alone.
    m_queue->setMaxConcurrentOperationCount(static_cast<int>(kBatchSize));
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

void WholeBookDownloader::enqueue(const std::shared_ptr<RZHTTPRequest>& request, Handler finished, Handler failed,
                                  bool afterLast) {
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
    // The steps run strictly one after another; only a batch's own requests run together.
    if (auto last = m_lastQueued.lock(); afterLast && last && !last->isFinished())
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
    auto batch = std::make_shared<Batch>(Batch{ids, end, end - from, 0, {}});
    const std::string base = SiteHosts::baseUrl(SiteHosts::Service::File);
    for (size_t i = from; i < end; ++i) {
        const int64_t cid = (*ids)[i];
        auto request = makeRequest(base + BookContentDownloader::freeChapterPath(rzBookId, cid), rzBookId, userId);
        request->setCategoryId(cid);
        request->setTag(static_cast<int>(i));
        request->setUserPack(batch);
        request->setIsLastInQueue(i + 1 == end);
        enqueue(request, &WholeBookDownloader::downChapterContentFinished,
                &WholeBookDownloader::downChapterContentFailed, false);
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
    auto batch = batchOf(request);
    if (text && batch)
        batch->received.emplace_back(request.categoryId(), text->empty() ? std::string("  ") : std::move(*text));
    else
        ++m_lost;
    if (batchAnswered(request))
        processLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::downChapterContentFailed(RZHTTPRequest& request) {
    if (request.isRequestCancelled()) {
        request.setUserPack({});
        return;
    }
    ++m_lost;
    if (batchAnswered(request))
        processLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::processLastCntDownInQueueFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    auto batch = batchOf(request);
    if (!batch || batch->end >= batch->ids->size())
        beginToDownPurchasedVipChapterList(id, request.userId());
    else
        queueFreeBatch(id, request.userId(), batch->ids, batch->end);
    // Stored while the next request is under way; its answer is handled after this.
    if (batch && !batch->received.empty()) {
        auto* writer = writerFor(id);
        if (!writer || !writer->saveChapters(batch->received))
            m_lost += static_cast<int64_t>(batch->received.size());
    }
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
    auto batch = std::make_shared<Batch>(Batch{ids, end, end - from, 0, {}});
    const std::string base = SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/IGetVipContent.ashx?k=";
    const std::string device = device::Device::current().identifierForVendor();
    for (size_t i = from; i < end; ++i) {
        const int64_t cid = (*ids)[i];
        auto request = makeRequest(base + BookContentDownloader::vipToken(rzBookId, cid, device), rzBookId, userId);
        request->setChapterId(cid);
        request->setTag(static_cast<int>(i));
        request->setUserPack(batch);
        request->setIsLastInQueue(i + 1 == end);
        enqueue(request, &WholeBookDownloader::downVipChapterContentFinished,
                &WholeBookDownloader::downVipChapterContentFailed, false);
    }
}

void WholeBookDownloader::downVipChapterContentFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    std::optional<std::string> body;
    if (request.responseStatusCode() == 200)
        body = request.responseData();
    auto batch = batchOf(request);
    if (body && !body->empty() && batch) {
        postNotificationWithName(kProgress, 0.8, id, request.userId());
        batch->received.emplace_back(request.chapterId(), std::move(*body));
    } else {
        ++m_lost;
    }
    if (batchAnswered(request))
        processVipLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::downVipChapterContentFailed(RZHTTPRequest& request) {
    if (request.isRequestCancelled()) {
        request.setUserPack({});
        return;
    }
    ++m_lost;
    if (batchAnswered(request))
        processVipLastCntDownInQueueFinished(request);
}

void WholeBookDownloader::processVipLastCntDownInQueueFinished(RZHTTPRequest& request) {
    const int64_t id = request.lrzBookId();
    auto batch = batchOf(request);
    const bool more = batch && batch->end < batch->ids->size();
    if (more)
        queuePaidBatch(id, request.userId(), batch->ids, batch->end);
    if (batch && !batch->received.empty()) {
        auto* writer = writerFor(id);
        if (!writer || !writer->saveVipChapters(batch->received, core::Value(request.userId())))
            m_lost += static_cast<int64_t>(batch->received.size());
    }
    // The book is announced only once everything it fetched is stored.
    if (!more)
        postNotificationWithName(kSuccess, 1.0, id, request.userId());
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

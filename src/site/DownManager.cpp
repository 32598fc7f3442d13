#include "site/DownManager.h"

#include "foundation/db/BookTB.h"
#include "network/RQNetworkQueue.h"
#include "platform/core/NotificationCenter.h"
#include "site/WholeBookDownloader.h"

#include <algorithm>

namespace pw {

namespace {
constexpr const char* kProgress = "NSNotificationCenter_BookAllDownProgress";
constexpr const char* kFailed = "NSNotificationCenter_BookAllDownFailed";
constexpr const char* kSuccess = "NSNotificationCenter_BookAllDownSuccess";

std::optional<int64_t> idOf(const core::Value& v) {
    if (auto i = v.asInt())
        return *i;
    if (auto s = v.asString()) {
        try {
            size_t used = 0;
            int64_t id = std::stoll(*s, &used);
            if (used == s->size())
                return id;
        } catch (...) {}
    }
    return std::nullopt;
}

void postBarMessage(const std::string& text) {
    core::Value info = core::Value::map();
    info.set("msg", text);
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BarMessage", std::move(info));
}
} // namespace

DownManager::DownManager() : m_wholeBookDownloader(WholeBookDownloader::create()) {
    auto& nc = core::NotificationCenter::defaultCenter();
    for (const char* name : {kProgress, kFailed, kSuccess})
        m_tokens.push_back(nc.addObserver(name, [this](const core::Notification& n) { processBookDown(n); }));
}

DownManager::~DownManager() {
    m_tokens.clear();
    m_wholeBookDownloader->cancelDownloading();
}

core::Value DownManager::createNoteWithRZBookId(int64_t rzBookId, const std::optional<std::string>& userId,
                                                double progress) {
    core::Value note = core::Value::map();
    note.set("rzbid", rzBookId);
    note.set("progress", progress);
    if (userId)
        note.set("uid", *userId);
    return note;
}

bool DownManager::containsLocked(int64_t rzBookId) const {
    return std::find(m_bookInDownloading.begin(), m_bookInDownloading.end(), rzBookId) != m_bookInDownloading.end();
}

void DownManager::startLocked(int64_t rzBookId) {
    m_wholeBookDownloader->beginToDownloadByRZBookId(rzBookId, m_userId);
}

void DownManager::beginToDownloadWithRZBookId(int64_t rzBookId, const std::string& userId) {
    m_userId = userId;
    addNewDownloadingWithRZBookId(rzBookId);
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookAllDownBegin",
                                                   createNoteWithRZBookId(rzBookId, userId, 0.01));
    std::lock_guard lock(m_lock);
    if (m_wholeBookDownloader->isIdle())
        startLocked(rzBookId);
}

void DownManager::beginToDownloadMultiRZBookIds(const std::vector<int64_t>& rzBookIds, const std::string& userId) {
    m_userId = userId;
    addMultiNewDownloadingWithRZBookIdsWithoutCheckFirst(rzBookIds);
    core::Value dict = core::Value::map();
    {
        std::lock_guard lock(m_lock);
        for (int64_t id : rzBookIds) {
            dict.set(std::to_string(id), 0.01);
            // Starting adds an operation at once, so only the first id starts.
            if (m_wholeBookDownloader->isIdle())
                startLocked(id);
        }
    }
    core::Value info = core::Value::map();
    info.set("dictBids", std::move(dict));
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_MultiBookAllDownBegin", std::move(info));
}

bool DownManager::isBookDownloadingNow(int64_t rzBookId) const {
    std::lock_guard lock(m_lock);
    return containsLocked(rzBookId);
}

bool DownManager::isBookDownloadingNowWithRZBookIdNumber(const core::Value& rzBookId) const {
    auto id = idOf(rzBookId);
    return id && isBookDownloadingNow(*id);
}

void DownManager::cancelAllDownload() {
    std::lock_guard lock(m_lock);
    m_bookInDownloading.clear();
    m_wholeBookDownloader->cancelDownloading();
}

void DownManager::continueUnFinishedDownload() {
    std::lock_guard lock(m_lock);
    m_wholeBookDownloader->cancelDownloading();
    if (!m_bookInDownloading.empty())
        startLocked(m_bookInDownloading.back());
}

void DownManager::addNewDownloadingWithRZBookId(int64_t rzBookId) {
    std::lock_guard lock(m_lock);
    if (!containsLocked(rzBookId))
        m_bookInDownloading.push_back(rzBookId);
}

void DownManager::addNewDownloadingWithRZBookIdNumber(const core::Value& rzBookId) {
    if (auto id = idOf(rzBookId))
        addNewDownloadingWithRZBookId(*id);
}

void DownManager::addMultiNewDownloadingWithRZBookIds(const std::vector<int64_t>& rzBookIds) {
    std::lock_guard lock(m_lock);
    for (int64_t id : rzBookIds)
        if (!containsLocked(id))
            m_bookInDownloading.push_back(id);
}

void DownManager::addMultiNewDownloadingWithRZBookIdsWithoutCheckFirst(const std::vector<int64_t>& rzBookIds) {
    std::lock_guard lock(m_lock);
    m_bookInDownloading.insert(m_bookInDownloading.end(), rzBookIds.begin(), rzBookIds.end());
}

void DownManager::removeDownloadingWithRZBookId(int64_t rzBookId) {
    std::lock_guard lock(m_lock);
    auto it = std::find(m_bookInDownloading.rbegin(), m_bookInDownloading.rend(), rzBookId);
    if (it != m_bookInDownloading.rend())
        m_bookInDownloading.erase(std::next(it).base());
}

std::vector<int64_t> DownManager::downloadingBookIds() const {
    std::lock_guard lock(m_lock);
    return m_bookInDownloading;
}

void DownManager::processBookDown(const core::Notification& notification) {
    const core::Value& info = notification.payload;
    auto id = idOf(info["rzbid"]);
    auto progress = info["progress"].asDouble();
    if (!id || !progress || *progress < 1.0)
        return;
    {
        // A notice for a book that is not in the list (one cancelled, or one
        // started elsewhere) must not start another book.
        std::lock_guard lock(m_lock);
        if (!containsLocked(*id))
            return;
    }
    removeDownloadingWithRZBookId(*id);

    const bool failed = notification.name == kFailed;
    const int64_t lost = info["lost"].asInt().value_or(0);
    if (auto name = BookTB::getBookNameByRZBookId(*id); name && !name->empty()) {
        std::string text = "《" + *name + "》";
        if (failed)
            text += "下载失败";
        else if (lost > 0)
            text += "下载完成，" + std::to_string(lost) + "章未能下载";
        else
            text += "下载完成";
        postBarMessage(text);
    }

    bool allDone = false;
    {
        std::lock_guard lock(m_lock);
        if (!m_bookInDownloading.empty())
            startLocked(m_bookInDownloading.back());
        else
            allDone = true;
    }
    if (allDone) {
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookReload");
        postBarMessage("书籍全部下载完成");
    }
}

} // namespace pw

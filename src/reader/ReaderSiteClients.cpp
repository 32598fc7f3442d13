#include "reader/ReaderSiteClients.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "platform/core/Bytes.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "reader/PageViewController.h"
#include "reader/ReaderSiteActions.h"
#include "site/BookContentDownloader.h"
#include "site/BookmarkSync.h"

#include <charconv>

namespace pw {

namespace {
ReaderSiteClients::PurchaseScreenMaker& purchaseMaker() {
    static ReaderSiteClients::PurchaseScreenMaker maker;
    return maker;
}
} // namespace

ReaderSiteClients::ReaderSiteClients(std::weak_ptr<PageViewController> reader)
    : m_reader(std::move(reader)), m_downloader(BookContentDownloader::create()),
      m_bookmarkSync(BookmarkSync::create()) {}

ReaderSiteClients::~ReaderSiteClients() = default;

std::shared_ptr<ReaderSiteClients> ReaderSiteClients::attach(const std::shared_ptr<PageViewController>& reader) {
    auto clients = std::shared_ptr<ReaderSiteClients>(new ReaderSiteClients(reader));
    reader->setReaderSite(clients);
    return clients;
}

void ReaderSiteClients::setPurchaseScreenMaker(PurchaseScreenMaker maker) {
    purchaseMaker() = std::move(maker);
}

template <typename F>
void ReaderSiteClients::withActions(F&& f) {
    auto reader = m_reader.lock();
    if (!reader)
        return;
    // The actions hold no state of their own: one made for the answer runs
    // on the screen's chapters and host just as the screen's own would.
    ReaderSiteActions actions(reader->chapters(), *reader, *this);
    f(actions);
}

int ReaderSiteClients::isBookExists(int64_t rzBookId) {
    return BookTB::isBookExistsByRZBookId(rzBookId);
}

int ReaderSiteClients::isBookBelong(int64_t rzBookId, const std::string& userId) {
    return BookTB::isBookBelongWithRZBookId(rzBookId, core::Value(userId));
}

bool ReaderSiteClients::deleteChapter(int64_t rzBookId, int64_t chapterId, bool isVip) {
    return isVip ? BookDB::deleteVipChapterByRZBookId(rzBookId, chapterId)
                 : BookDB::deleteChapterByRZBookId(rzBookId, chapterId);
}

void ReaderSiteClients::forgetReadingPlace(int64_t rzBookId) {
    BookTB::deleteBookReadingInfoWithRZBookId(rzBookId);
}

int ReaderSiteClients::isVipChapter(int64_t rzBookId, int64_t chapterId) {
    return BookDB::isVipChapterByRZBookId(rzBookId, chapterId);
}

void ReaderSiteClients::downloadFree(int64_t rzBookId, int64_t chapterId) {
    std::weak_ptr<ReaderSiteClients> weak = shared_from_this();
    m_downloader->downloadBookContentByRZBookId(rzBookId, chapterId, weak, [weak](const core::Value& result) {
        if (auto s = weak.lock())
            s->downloadAnswer(result);
    });
}

void ReaderSiteClients::downloadVip(int64_t rzBookId, int64_t chapterId) {
    std::weak_ptr<ReaderSiteClients> weak = shared_from_this();
    m_downloader->downloadBookVipContentByRZBookId(rzBookId, chapterId, weak, [weak](const core::Value& result) {
        if (auto s = weak.lock())
            s->downloadAnswer(result);
    });
}

void ReaderSiteClients::downloadAnswer(const core::Value& result) {
    std::optional<ChapterDownload> download;
    if (result.isMap()) {
        ChapterDownload d;
        d.bid = result["bid"].asInt().value_or(0);
        d.cid = result["cid"].asInt().value_or(0);
        d.vip = result["vip"].asBool().value_or(false);
        if (const auto* bytes = result["cnt"].bytesPtr())
            d.cnt = core::toString(core::ByteView(bytes->data(), bytes->size()));
        else if (const auto* text = result["cnt"].stringPtr())
            d.cnt = *text;
        download = std::move(d);
    }
    withActions([&](ReaderSiteActions& a) { a.downChapterCallback(download); });
}

void ReaderSiteClients::showBuyChapterController(int64_t rzBookId, int64_t chapterId) {
    std::weak_ptr<ReaderSiteClients> weak = shared_from_this();
    // The progress overlay shows before the purchase screen slides in.
    core::RunLoop::current().postAfter(kPurchaseDelay, [weak, rzBookId, chapterId] {
        auto s = weak.lock();
        auto reader = s ? s->m_reader.lock() : nullptr;
        if (!reader || !purchaseMaker())
            return;
        std::weak_ptr<ReaderSiteClients> answerTo = s;
        auto screen = purchaseMaker()(rzBookId, chapterId, [answerTo](const std::string& purchase) {
            if (auto c = answerTo.lock())
                c->withActions([&](ReaderSiteActions& a) { a.buyVipChapterCallback(purchase); });
        });
        if (screen && reader->navigationController())
            reader->navigationController()->pushViewController(screen, true);
    });
}

bool ReaderSiteClients::saveChapter(int64_t rzBookId, int64_t chapterId, const std::string& text) {
    return BookDB::saveChapterWithRZBookId(rzBookId, chapterId, text);
}

bool ReaderSiteClients::saveVipChapter(int64_t rzBookId, int64_t chapterId, const std::string& bytes,
                                       const std::string& userId) {
    return BookDB::saveVipChapterWithRZBookId(rzBookId, chapterId, core::asByteView(bytes), core::Value(userId));
}

void ReaderSiteClients::bookmarkSync(int64_t rzBookId) {
    std::weak_ptr<ReaderSiteClients> weak = shared_from_this();
    m_bookmarkSync->bookmarkSyncWithTarget(
        weak,
        [weak](const core::Value& result) {
            auto s = weak.lock();
            if (!s)
                return;
            const bool ok = result[0].asBool().value_or(false);
            int64_t chapter = 0;
            if (const auto text = result[1].asString())
                std::from_chars(text->data(), text->data() + text->size(), chapter);
            s->withActions([&](ReaderSiteActions& a) { a.handleBookmarkSync(ok, chapter); });
        },
        rzBookId);
}

void ReaderSiteClients::bookmarkUpload(int64_t rzBookId, int64_t chapterId, bool isVip) {
    std::weak_ptr<ReaderSiteClients> weak = shared_from_this();
    m_bookmarkSync->bookmarkUploadWithTarget(
        weak,
        [weak](const core::Value& result) {
            if (auto s = weak.lock())
                s->withActions(
                    [&](ReaderSiteActions& a) { a.handleBookmarkUpload(result[0].asBool().value_or(false)); });
        },
        rzBookId, chapterId, isVip);
}

void ReaderSiteClients::downloadWholeBook(int64_t rzBookId) {
    core::Value note = core::Value::map();
    note.set("rzbid", rzBookId);
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_DownAllBook", std::move(note));
}

void ReaderSiteClients::goToMainView() {
    std::weak_ptr<PageViewController> reader = m_reader;
    core::RunLoop::current().postAfter(kLeaveDelay, [reader] {
        if (auto r = reader.lock())
            r->goToMainView();
    });
}

} // namespace pw

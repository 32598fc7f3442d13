#include "ClientTest.h"

#include "Catalogue.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "network/RQNetworkQueue.h"
#include "site/DownManager.h"
#include "site/WholeBookDownloader.h"

#include <algorithm>

using namespace pw;
using namespace pw::test;
using standin::Catalogue;
using standin::Host;
using standin::Reply;
using standin::StandinSite;

namespace {
constexpr const char* kBegin = "NSNotificationCenter_BookAllDownBegin";
constexpr const char* kProgress = "NSNotificationCenter_BookAllDownProgress";
constexpr const char* kSuccess = "NSNotificationCenter_BookAllDownSuccess";
constexpr const char* kFailed = "NSNotificationCenter_BookAllDownFailed";
constexpr const char* kBar = "NSNotificationCenter_BarMessage";
constexpr const char* kReload = "NSNotificationCenter_BookReload";

std::vector<double> progressOf(const std::vector<core::Notification>& notices) {
    std::vector<double> out;
    for (const auto& n : notices)
        out.push_back(n.payload["progress"].asDouble().value_or(-1));
    return out;
}

std::vector<std::string> barTexts(const NoticeLog& log) {
    std::vector<std::string> out;
    for (const auto& n : log.named(kBar))
        out.push_back(n.payload["msg"].asString().value_or(""));
    return out;
}

// Rows of a table of the book's own database whose chapter is `chapterId` (all rows for 0).
int64_t rowsIn(int64_t bookId, const std::string& table, int64_t chapterId = 0) {
    SQLDatabase db(BookDB::bookDBPath(bookId).string());
    if (!db.open())
        return -1;
    auto rs = chapterId ? db.executeQuery("select count(*) from " + table + " where ChapterId = ?", {chapterId})
                        : db.executeQuery("select count(*) from " + table);
    return rs && rs->next() ? rs->longLongIntForColumnIndex(0) : -1;
}

std::string freeFilePath(int64_t bookId, int64_t chapterId) {
    return "/Author" + std::to_string(bookId % 8 + 1) + "/" + std::to_string(bookId) + "/" + std::to_string(chapterId) +
           ".txt";
}

std::vector<int64_t> requestedBookInfo(StandinSite& site) {
    std::vector<int64_t> ids;
    for (const auto& r : site.requests(Host::Interface, "/Client/IGetBookInfo.aspx"))
        ids.push_back(std::stoll(r.param("bookid")));
    return ids;
}
} // namespace

class WholeBookTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        if (IsSkipped())
            return;
        m_book = m_site->catalogue().book(Catalogue::kLunyu);
        ASSERT_NE(m_book, nullptr);
        for (size_t i = 0; i < m_book->chapters.size(); ++i)
            (Catalogue::isVipIndex(i) ? (Catalogue::priceOfIndex(i) == 0 ? m_zeroPrice : m_paid) : m_free)
                .push_back(m_book->chapters[i].id);
        logInAsReader();
        m_site->clearRequests();
    }
    bool downloadOnce(DownManager& dm, NoticeLog& log) {
        const size_t ends = log.count(kSuccess) + log.count(kFailed);
        dm.beginToDownloadWithRZBookId(Catalogue::kLunyu, m_user);
        return waitFor([&] { return log.count(kSuccess) + log.count(kFailed) > ends; });
    }

    const standin::Book* m_book = nullptr;
    std::vector<int64_t> m_free, m_paid, m_zeroPrice;
};

TEST_F(WholeBookTest, FetchesFreeBoughtAndZeroPriceChaptersInBatchesOfFive) {
    ASSERT_GE(m_free.size(), 11u);
    ASSERT_GE(m_paid.size(), 2u);
    ASSERT_FALSE(m_zeroPrice.empty());
    // One paid chapter bought, and the zero-price one bought too: it is fetched once.
    m_site->setPurchases(StandinSite::kReaderId, Catalogue::kLunyu, {m_paid[1], m_zeroPrice[0]});
    NoticeLog log({kBegin, kProgress, kSuccess, kFailed, kBar, kReload});
    DownManager dm;
    // How many chapter files the site had been asked for when each free
    // chapter arrived, and how many free chapters were stored by then.
    std::vector<size_t> asked, storedBefore;
    core::ObserverToken watch =
        core::NotificationCenter::defaultCenter().addObserver(kProgress, [&](const core::Notification& n) {
            if (n.payload["progress"].asDouble() != 0.5)
                return;
            asked.push_back(m_site->requests(Host::File).size());
            size_t stored = 0;
            for (int64_t cid : m_free)
                stored += BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, cid) == 1;
            storedBefore.push_back(stored);
        });
    ASSERT_TRUE(downloadOnce(dm, log));

    ASSERT_EQ(log.count(kSuccess), 1u);
    const auto end = log.named(kSuccess)[0].payload;
    EXPECT_EQ(end["rzbid"].asInt(), Catalogue::kLunyu);
    EXPECT_EQ(end["uid"].asString(), m_user);
    EXPECT_EQ(end["lost"].asInt(), 0);
    // 0.01 queued, 0.2 list, 0.5 per free chapter, 0.6 bought list, 0.8 per paid chapter, 1.0 end.
    std::vector<double> expected{0.2};
    expected.insert(expected.end(), m_free.size(), 0.5);
    expected.push_back(0.6);
    expected.insert(expected.end(), 2, 0.8);
    EXPECT_EQ(progressOf(log.named(kProgress)), expected);
    EXPECT_EQ(progressOf(log.named(kBegin)), std::vector<double>{0.01});

    // Batches of five: a batch is queued together, and the next one only
    // when the last of it has answered. Each chapter is stored as its answer
    // arrives, so every chapter before it is stored already.
    ASSERT_EQ(asked.size(), m_free.size());
    for (size_t i = 0; i < asked.size(); ++i) {
        EXPECT_LE(asked[i], std::min(m_free.size(), (i / 5 + 1) * 5)) << i;
        EXPECT_GT(asked[i], i) << i;
        EXPECT_EQ(storedBefore[i], i) << i;
    }
    EXPECT_EQ(asked[4], 5u); // the first batch's last answer: nothing of the second asked for yet

    // One request at a time: the free chapters were asked for in reading order, each once.
    std::vector<std::string> files;
    for (const auto& r : m_site->requests(Host::File))
        files.push_back(r.path);
    std::vector<std::string> expectedFiles;
    for (int64_t cid : m_free)
        expectedFiles.push_back(freeFilePath(Catalogue::kLunyu, cid));
    EXPECT_EQ(files, expectedFiles);
    EXPECT_EQ(m_site->count(Host::Interface, "/api/IGetVipContent.ashx"), 2u);

    for (int64_t cid : m_free)
        EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, cid), 1) << cid;
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, m_paid[1]), 1);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, m_zeroPrice[0]), 1);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, m_paid[0]), 0);

    // The text is stored without the file's wrapper, one paragraph a line.
    auto stored = BookDB::getChapterContentWithRZBookId(Catalogue::kLunyu, m_free[0]);
    ASSERT_TRUE(stored && stored->size() == 2);
    const std::string text = (*stored)[1].asString().value_or("");
    EXPECT_EQ(text.find("document.write"), std::string::npos);
    EXPECT_EQ(text.find("<p>"), std::string::npos);
    EXPECT_EQ(text.substr(0, 12), m_book->chapters[0].text.substr(0, 12));

    // The book was put on the shelf for the user, with its cover.
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(Catalogue::kLunyu, core::Value(m_user)), 1);
    EXPECT_TRUE(std::filesystem::exists(AppPaths::coverFile(Catalogue::kLunyu)));
    EXPECT_EQ(barTexts(log), (std::vector<std::string>{"《论语》下载完成", "书籍全部下载完成"}));
    EXPECT_TRUE(dm.downloadingBookIds().empty());
}

TEST_F(WholeBookTest, ADroppedConnectionLosesOnlyThatChapterAndTheBookResumes) {
    NoticeLog log({kSuccess, kFailed, kBar});
    DownManager dm;
    const int64_t dropped = m_free[5], refused = m_free[6];
    // The file host drops the connection half-way through one chapter and
    // answers another with an error page.
    const std::string body = "document.write('" + std::string(400, 'x') + "');";
    // (twice: the engine tries a dropped connection once more on a new one)
    m_site->script(Host::File, freeFilePath(Catalogue::kLunyu, dropped), Reply::drop(body, 100), 2);
    m_site->script(Host::File, freeFilePath(Catalogue::kLunyu, refused),
                   Reply::text(404, "<html><body>404 Not Found</body></html>", "text/html"));
    ASSERT_TRUE(downloadOnce(dm, log));
    ASSERT_EQ(log.count(kSuccess), 1u);
    EXPECT_EQ(log.named(kSuccess)[0].payload["lost"].asInt(), 2);
    EXPECT_EQ(barTexts(log)[0], "《论语》下载完成，2章未能下载");
    for (int64_t cid : {dropped, refused}) {
        EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, cid), 0) << cid;
        EXPECT_EQ(rowsIn(Catalogue::kLunyu, "chaptercontent", cid), 0) << cid;
    }
    EXPECT_EQ(rowsIn(Catalogue::kLunyu, "chaptercontent"), static_cast<int64_t>(m_free.size()) - 2);

    // Again: only the two missing chapters are fetched, and nothing is stored twice.
    m_site->clearRequests();
    m_site->clearScripts();
    log.clear();
    ASSERT_TRUE(downloadOnce(dm, log));
    ASSERT_EQ(log.count(kSuccess), 1u);
    EXPECT_EQ(log.named(kSuccess)[0].payload["lost"].asInt(), 0);
    std::vector<std::string> files;
    for (const auto& r : m_site->requests(Host::File))
        files.push_back(r.path);
    EXPECT_EQ(files, (std::vector<std::string>{freeFilePath(Catalogue::kLunyu, dropped),
                                               freeFilePath(Catalogue::kLunyu, refused)}));
    EXPECT_EQ(rowsIn(Catalogue::kLunyu, "chaptercontent"), static_cast<int64_t>(m_free.size()));
    EXPECT_EQ(rowsIn(Catalogue::kLunyu, "chaptercontent", dropped), 1);
    auto stored = BookDB::getChapterContentWithRZBookId(Catalogue::kLunyu, dropped);
    ASSERT_TRUE(stored && stored->size() == 2);
    EXPECT_EQ((*stored)[1].asString().value_or("").find('x'), std::string::npos);
}

TEST_F(WholeBookTest, CancellingStopsTheDownloadWithoutAnyNotice) {
    NoticeLog log({kSuccess, kFailed, kBar});
    DownManager dm;
    int freeSeen = 0;
    core::ObserverToken watch =
        core::NotificationCenter::defaultCenter().addObserver(kProgress, [&](const core::Notification& n) {
            if (n.payload["progress"].asDouble() == 0.5 && ++freeSeen == 2)
                dm.cancelAllDownload();
        });
    dm.beginToDownloadWithRZBookId(Catalogue::kLunyu, m_user);
    ASSERT_TRUE(waitFor([&] { return freeSeen >= 2 && dm.wholeBookDownloader().isIdle(); }));
    drain(0.3);
    EXPECT_EQ(freeSeen, 2);
    for (const auto& n : log.all())
        ADD_FAILURE() << n.name << " " << n.payload["progress"].asDouble().value_or(-1);
    EXPECT_TRUE(dm.downloadingBookIds().empty());
    EXPECT_LE(m_site->requests(Host::File).size(), 5u);
    EXPECT_EQ(m_site->count(Host::Interface, "/Client/IGetBuyedChapterList.aspx"), 0u);
}

TEST_F(WholeBookTest, ABookOnTheShelfOfAnotherUserFailsAtOnce) {
    ASSERT_EQ(
        BookTB::addBookWithRZBookId(Catalogue::kLunyu, "论语", "", "", "RZ", "", core::Value("424242"), 0, "", 0, 0),
        0);
    NoticeLog log({kProgress, kSuccess, kFailed, kBar});
    DownManager dm;
    ASSERT_TRUE(downloadOnce(dm, log));
    EXPECT_EQ(log.count(kFailed), 1u);
    EXPECT_EQ(log.count(kProgress), 0u);
    EXPECT_EQ(progressOf(log.named(kFailed)), std::vector<double>{1.0});
    // A failed book is not announced as finished.
    EXPECT_EQ(barTexts(log), (std::vector<std::string>{"《论语》下载失败", "书籍全部下载完成"}));
    EXPECT_EQ(m_site->requests().size(), 1u);
}

// The manager's order, with books the site does not know: each fails at its
// chapter list, so the order of those requests is the order of the books.
class DownManagerTest : public ClientTest {};

TEST_F(DownManagerTest, ServesTheListLastInFirstOutAfterTheBookStartedAtOnce) {
    NoticeLog log({kBegin, kBar, kReload, "NSNotificationCenter_MultiBookAllDownBegin"});
    DownManager dm;
    dm.beginToDownloadWithRZBookId(11, m_user);
    dm.beginToDownloadWithRZBookId(12, m_user);
    dm.beginToDownloadWithRZBookId(13, m_user);
    dm.beginToDownloadWithRZBookId(12, m_user); // already queued: announced again, not added again
    EXPECT_EQ(dm.downloadingBookIds(), (std::vector<int64_t>{11, 12, 13}));
    EXPECT_EQ(log.count(kBegin), 4u);
    ASSERT_TRUE(waitFor([&] { return log.count(kReload) == 1; }));
    EXPECT_EQ(requestedBookInfo(*m_site), (std::vector<int64_t>{11, 13, 12}));
    EXPECT_EQ(barTexts(log), std::vector<std::string>{"书籍全部下载完成"}); // the books have no names

    m_site->clearRequests();
    dm.beginToDownloadMultiRZBookIds({21, 22, 23}, m_user);
    ASSERT_EQ(log.count("NSNotificationCenter_MultiBookAllDownBegin"), 1u);
    const auto dict = log.named("NSNotificationCenter_MultiBookAllDownBegin")[0].payload["dictBids"];
    EXPECT_EQ(dict["21"].asDouble(), 0.01);
    EXPECT_EQ(dict.size(), 3u);
    ASSERT_TRUE(waitFor([&] { return log.count(kReload) == 2; }));
    EXPECT_EQ(requestedBookInfo(*m_site), (std::vector<int64_t>{21, 23, 22}));
}

TEST_F(DownManagerTest, NoticesThatEndNoBookOfTheListChangeNothing) {
    DownManager dm;
    // Keep the first book running until the test is done looking.
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx", Reply::stall(30));
    dm.beginToDownloadWithRZBookId(31, m_user);
    dm.beginToDownloadWithRZBookId(32, m_user);
    ASSERT_TRUE(waitFor([&] { return m_site->requests(Host::Interface).size() == 1; }));
    auto& nc = core::NotificationCenter::defaultCenter();
    nc.post(kProgress, DownManager::createNoteWithRZBookId(31, m_user, 0.5));
    nc.post(kSuccess, DownManager::createNoteWithRZBookId(99, m_user, 1.0));
    drain();
    EXPECT_EQ(dm.downloadingBookIds(), (std::vector<int64_t>{31, 32}));
    EXPECT_EQ(m_site->requests(Host::Interface).size(), 1u);

    dm.cancelAllDownload();
    EXPECT_TRUE(dm.downloadingBookIds().empty());
    dm.continueUnFinishedDownload(); // nothing left: only stops the downloader
    drain();
    EXPECT_EQ(m_site->requests(Host::Interface).size(), 1u);
    EXPECT_TRUE(dm.wholeBookDownloader().isIdle());
}

TEST(DownloadNote, CarriesTheUserOnlyWhenThereIsOne) {
    auto note = DownManager::createNoteWithRZBookId(3000000005, std::string("7"), 0.01);
    EXPECT_EQ(note["rzbid"].asInt(), 3000000005);
    EXPECT_EQ(note["progress"].asDouble(), 0.01);
    EXPECT_EQ(note["uid"].asString(), "7");
    EXPECT_EQ(DownManager::createNoteWithRZBookId(1, std::nullopt, 1.0).size(), 2u);
}

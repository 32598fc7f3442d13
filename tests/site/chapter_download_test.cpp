#include "SiteTest.h"

#include "foundation/db/BookDB.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "site/BookContentDownloader.h"
#include "site/IGetBookInfo.h"

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;
using standin::Reply;
using standin::StandinSite;

class ChapterTest : public SiteTest {
protected:
    // The book's chapter list stored, as before any chapter is opened.
    void storeList(int64_t id) {
        Answers answers;
        auto info = IGetBookInfo::create();
        info->getBookInfoByRZBookId(id, answers.receiver, answers.selector(), nullptr, "1000001", false);
        ASSERT_TRUE(waitFor([&] { return !answers.values.empty(); }));
        ASSERT_EQ(answers.values[0][0].asInt(), 1);
    }
    core::Value download(int64_t book, int64_t chapter, bool vip) {
        Answers answers;
        if (vip)
            m_downloader->downloadBookVipContentByRZBookId(book, chapter, answers.receiver, answers.selector());
        else
            m_downloader->downloadBookContentByRZBookId(book, chapter, answers.receiver, answers.selector());
        EXPECT_TRUE(waitFor([&] { return !answers.values.empty(); }));
        return answers.values.empty() ? core::Value() : answers.values[0];
    }
    const standin::Chapter& nth(int64_t book, size_t index) { return this->book(book).chapters.at(index); }

    std::shared_ptr<BookContentDownloader> m_downloader = BookContentDownloader::create();
};

TEST_F(ChapterTest, FreeChapterDownloadedAndStored) {
    storeList(Catalogue::kLunyu);
    const auto& first = nth(Catalogue::kLunyu, 0);
    const core::Value r = download(Catalogue::kLunyu, first.id, false);
    ASSERT_TRUE(r.isMap());
    EXPECT_EQ(r["bid"].asInt(), Catalogue::kLunyu);
    EXPECT_EQ(r["cid"].asInt(), first.id);
    EXPECT_EQ(r["vip"].asBool(), false);
    EXPECT_EQ(r["cnt"].asString(), first.text); // paragraphs on lines of their own
    EXPECT_EQ(m_site->requests(Host::File)[0].target, "/Author3/1002/1.txt");

    ASSERT_TRUE(BookContentDownloader::storeChapter(r, core::Value("1000001")));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, first.id), 1);
    auto stored = BookDB::getChapterContentWithRZBookId(Catalogue::kLunyu, first.id);
    ASSERT_TRUE(stored && stored->size() == 2);
    EXPECT_EQ((*stored)[1].asString(), first.text);
}

TEST_F(ChapterTest, ErrorPagesAndCutOffFilesAreRefused) {
    storeList(Catalogue::kLunyu);
    const auto& first = nth(Catalogue::kLunyu, 0);
    const std::string path = BookContentDownloader::freeChapterPath(Catalogue::kLunyu, first.id);
    const std::string whole = *core::text::encodeFromUtf8("document.write('子曰<p>学而时习之');", "GB18030");
    const Reply refused[] = {
        Reply::text(404, "<html><body>404 Not Found</body></html>", "text/html"),
        Reply::text(200, "<html><body>Server Error</body></html>", "text/html"),
        Reply::text(500, whole), // the whole wrapper, but not an answer
        Reply::text(200, whole.substr(0, whole.size() - 5)),
        Reply::drop(whole, 12),
    };
    for (const auto& reply : refused) {
        m_site->script(Host::File, path, reply, 3); // the engine may retry a dropped connection
        EXPECT_TRUE(download(Catalogue::kLunyu, first.id, false).isNull()) << reply.status << " " << reply.body;
        m_site->clearScripts();
    }
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, first.id), 0);
    // A chapter the site has no file for (a paid one) is refused too.
    EXPECT_TRUE(download(Catalogue::kLunyu, nth(Catalogue::kLunyu, 3).id, false).isNull());
}

TEST_F(ChapterTest, PaidChaptersForTheReader) {
    storeList(Catalogue::kLunyu);
    const auto& bought = nth(Catalogue::kLunyu, 3);     // paid, bought by the reader
    const auto& notBought = nth(Catalogue::kLunyu, 11); // paid, not bought
    const auto& zeroPrice = nth(Catalogue::kLunyu, 19); // paid at 0
    ASSERT_TRUE(bought.vip && notBought.vip && zeroPrice.vip);
    ASSERT_EQ(zeroPrice.price, 0);

    // Not logged in: the site refuses.
    EXPECT_TRUE(download(Catalogue::kLunyu, bought.id, true).isNull());

    logInAsReader();
    core::Value r = download(Catalogue::kLunyu, bought.id, true);
    ASSERT_TRUE(r.isMap());
    EXPECT_EQ(r["vip"].asBool(), true);
    ASSERT_TRUE(r["cnt"].isBytes());
    EXPECT_EQ(core::toString(core::ByteView(*r["cnt"].bytesPtr())), bought.text);
    ASSERT_TRUE(BookContentDownloader::storeChapter(r, core::Value(std::to_string(StandinSite::kReaderId))));
    auto stored = BookDB::getVipChapterContentWithRZBookId(Catalogue::kLunyu, bought.id, core::Value("1000001"));
    ASSERT_TRUE(stored && stored->size() == 2);
    EXPECT_EQ((*stored)[1].asBytes(), r["cnt"].asBytes());

    EXPECT_TRUE(download(Catalogue::kLunyu, notBought.id, true).isNull());
    EXPECT_TRUE(download(Catalogue::kLunyu, zeroPrice.id, true).isMap());

    // The token named the book, the chapter and this device.
    auto sent = m_site->requests(Host::Interface, "/api/IGetVipContent.ashx");
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().target, "/api/IGetVipContent.ashx?k=" +
                                      BookContentDownloader::vipToken(Catalogue::kLunyu, zeroPrice.id,
                                                                      device::Device::current().identifierForVendor()));
}

TEST_F(ChapterTest, ANewDownloadSupersedesTheOneInFlight) {
    logInAsReader();
    const auto& free = nth(Catalogue::kLunyu, 0);
    const auto& paid = nth(Catalogue::kLunyu, 3);
    m_site->script(Host::File, BookContentDownloader::freeChapterPath(Catalogue::kLunyu, free.id), Reply::stall(0.3));
    Answers answers;
    m_downloader->downloadBookContentByRZBookId(Catalogue::kLunyu, free.id, answers.receiver, answers.selector());
    ASSERT_TRUE(waitFor([&] { return m_site->requests(Host::File).size() == 1; }));
    m_downloader->downloadBookVipContentByRZBookId(Catalogue::kLunyu, paid.id, answers.receiver, answers.selector());
    ASSERT_TRUE(waitFor([&] { return !answers.values.empty(); }));
    waitFor([] { return false; }, 0.5);
    ASSERT_EQ(answers.values.size(), 1u);
    EXPECT_EQ(answers.values[0]["cid"].asInt(), paid.id);
}

} // namespace
} // namespace pw::test

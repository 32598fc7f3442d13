#include "SiteTest.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/NotificationCenter.h"
#include "platform/gfx/Image.h"
#include "site/BookContentDownloader.h"
#include "site/BookCoverDownloader.h"
#include "site/IGetBookInfo.h"

#include <fstream>
#include <sstream>

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;
using standin::Reply;

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class BookInfoTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        m_hud = ProgressHUD::initWithView(m_window.get());
        m_token = core::NotificationCenter::defaultCenter().addObserver(
            "NSNotificationCenter_BookCoverReload",
            [this](const core::Notification& n) { m_coverNotes.push_back(n.payload["rzbid"].asInt().value_or(0)); });
    }
    void TearDown() override {
        setDeviceKindProvider(nullptr);
        SiteTest::TearDown();
    }

    core::Value fetch(int64_t id, bool incremental = false) {
        Answers answers;
        m_info->getBookInfoByRZBookId(id, answers.receiver, answers.selector(), m_hud, "1000001", incremental);
        EXPECT_TRUE(waitFor([&] { return !answers.values.empty(); }));
        return answers.values.empty() ? core::Value() : answers.values[0];
    }

    std::shared_ptr<IGetBookInfo> m_info = IGetBookInfo::create();
    std::shared_ptr<ProgressHUD> m_hud;
    core::ObserverToken m_token;
    std::vector<int64_t> m_coverNotes;
};

TEST_F(BookInfoTest, SavesChaptersVolumesTheBookRowAndTheCover) {
    const auto& songs = book(Catalogue::kShijing);
    const core::Value result = fetch(Catalogue::kShijing);
    ASSERT_TRUE(result.isArray());
    EXPECT_EQ(result[0].asInt(), 1);
    EXPECT_EQ(result[1].asInt(), Catalogue::kShijing);
    EXPECT_EQ(result[2].asString(), "诗经");
    EXPECT_EQ(m_hud->labelText(), "保存章节列表成功");

    auto chapters = BookDB::getAllChaptersWithRZBookId(Catalogue::kShijing);
    ASSERT_TRUE(chapters);
    ASSERT_EQ(chapters->size(), songs.chapters.size());
    EXPECT_EQ((*chapters)[0]["cname"].asString(), "关雎");
    auto volumes = BookDB::getAllVolumeWithRZBookId(Catalogue::kShijing);
    ASSERT_TRUE(volumes);
    ASSERT_EQ(volumes->size(), songs.volumes.size()); // the sections
    EXPECT_EQ((*volumes)[0]["vname"].asString(), "国风·周南");
    EXPECT_EQ(BookDB::getAllPriceZeroVipChapterIdByRZBookId(Catalogue::kShijing)->size(),
              static_cast<size_t>(std::count_if(songs.chapters.begin(), songs.chapters.end(),
                                                [](const auto& c) { return c.vip && c.price == 0; })));

    EXPECT_EQ(BookTB::isBookExistsByRZBookId(Catalogue::kShijing), 1);
    auto rows = BookTB::getAllRZBooks();
    ASSERT_TRUE(rows && rows->size() == 1);
    const auto& row = (*rows)[0];
    EXPECT_EQ(row["bname"].asString(), "诗经");
    EXPECT_EQ(row["status"].asInt(), 0);
    EXPECT_EQ(row["lstChapterId"].asInt(), songs.chapters.back().id);

    // The cover follows: fitted to a phone's shelf tile.
    ASSERT_TRUE(waitFor([&] { return !m_coverNotes.empty(); }));
    EXPECT_EQ(m_coverNotes[0], Catalogue::kShijing);
    auto cover = gfx::Image::fromFile(AppPaths::coverFile(Catalogue::kShijing).string());
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->pixelWidth(), 74);
    EXPECT_EQ(cover->pixelHeight(), 92);

    auto sent = m_site->requests(Host::Interface, "/Client/IGetBookInfo.aspx");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, "/Client/IGetBookInfo.aspx?bookid=1001&chapterId=0");
}

TEST_F(BookInfoTest, IncrementalFetchOfABookPast32Bits) {
    const auto& tang = book(Catalogue::kTang);
    ASSERT_GT(tang.chapters.size(), 10000u); // the complete Tang poems
    // Two chapters near the end are stored: the fetch starts at the second-highest.
    const auto& a = tang.chapters[tang.chapters.size() - 40];
    const auto& b = tang.chapters[tang.chapters.size() - 30];
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Catalogue::kTang));
    core::Value::Array seed;
    for (const auto* c : {&a, &b}) {
        core::Value::Map e;
        e.append("c", c->id);
        e.append("n", c->name);
        e.append("v", 0);
        e.append("p", 0);
        e.append("t", c->time);
        e.append("w", c->words);
        e.append("vc", c->volumeCode);
        seed.push_back(core::Value(std::move(e)));
    }
    ASSERT_TRUE(BookDB::addChapters(seed, Catalogue::kTang));

    const core::Value result = fetch(Catalogue::kTang, true);
    ASSERT_TRUE(result.isArray());
    EXPECT_EQ(result[0].asInt(), 1);
    EXPECT_EQ(result[1].asInt(), Catalogue::kTang);
    auto sent = m_site->requests(Host::Interface, "/Client/IGetBookInfo.aspx");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].param("chapterId"), std::to_string(a.id));
    auto ids = BookDB::getAllChapterIdByRZBookId(Catalogue::kTang);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->size(), 40u); // from a to the end
    EXPECT_EQ(ids->back(), tang.chapters.back().id);
    EXPECT_GT(ids->back(), int64_t(1) << 32);

    // A chapter of it comes whole from the file host's /Author<id % 8 + 1>/ folder.
    Answers answers;
    auto downloader = BookContentDownloader::create();
    downloader->downloadBookContentByRZBookId(Catalogue::kTang, b.id, answers.receiver, answers.selector());
    ASSERT_TRUE(waitFor([&] { return !answers.values.empty(); }));
    EXPECT_EQ(answers.values[0]["bid"].asInt(), Catalogue::kTang);
    EXPECT_EQ(answers.values[0]["cid"].asInt(), b.id);
    EXPECT_EQ(answers.values[0]["cnt"].asString(), b.text);
    EXPECT_EQ(m_site->requests(Host::File).back().target, "/Author6/3000000005/" + std::to_string(b.id) + ".txt");
}

TEST_F(BookInfoTest, UnusableAndUnparsableAnswers) {
    // No such book: -1, nothing stored.
    core::Value r = fetch(999);
    ASSERT_TRUE(r.isArray());
    EXPECT_EQ(r[0].asInt(), -1);
    EXPECT_EQ(r[1].asInt(), 0);
    EXPECT_EQ(r[2].asString(), "");
    EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookId(999));

    // ret 0 and no chapters: -1.
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx",
                   Reply::json(R"({"ret":0,"BookId":1002,"BookName":"x","Chapters":[]})"));
    r = fetch(Catalogue::kLunyu);
    EXPECT_EQ(r[0].asInt(), -1);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(Catalogue::kLunyu), 0);

    // An error page, even with status 200, and a server error: null and a tip.
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx", Reply::text(200, "<html>Runtime Error</html>"));
    EXPECT_TRUE(fetch(Catalogue::kLunyu).isNull());
    EXPECT_EQ(m_hud->labelText(), "无法解析章节信息");
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx",
                   Reply::text(500, R"({"ret":0,"BookId":1002,"Chapters":[{"c":1}]})"));
    EXPECT_TRUE(fetch(Catalogue::kLunyu).isNull());
    // A dropped connection: null.
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx",
                   Reply::drop(R"({"ret":0,"BookId":1002,"Chapters":[{"c":1}]})", 10), 3);
    EXPECT_TRUE(fetch(Catalogue::kLunyu).isNull());
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(Catalogue::kLunyu), 0);
}

TEST_F(BookInfoTest, PrettyPrintedAnswerWithControlCharactersInNames) {
    m_site->script(Host::Interface, "/Client/IGetBookInfo.aspx",
                   Reply::json("{\n  \"ret\": 0,\n  \"BookId\": 1002,\n  \"BookName\": \"论\t语\",\n"
                               "  \"Author\": \"孔子\",\n  \"LastChapterId\": 2,\n"
                               "  \"Chapters\": [\n    {\"c\": 1, \"n\": \"学而\n篇\", \"v\": 0, \"p\": 0, "
                               "\"t\": 1, \"w\": 10, \"vc\": 1},\n    {\"c\": 2, \"n\": \"为政篇\", \"v\": 0, "
                               "\"p\": 0, \"t\": 2, \"w\": 10, \"vc\": 1}\n  ],\n"
                               "  \"Volumes\": [\n    {\"VolumeCode\": 1, \"VolumeName\": \"正文\"}\n  ]\n}\n"));
    const core::Value r = fetch(Catalogue::kLunyu);
    ASSERT_TRUE(r.isArray());
    EXPECT_EQ(r[0].asInt(), 1);
    EXPECT_EQ(r[2].asString(), "论\xEF\xBF\xBD语");
    auto chapters = BookDB::getAllChaptersWithRZBookId(Catalogue::kLunyu);
    ASSERT_TRUE(chapters);
    ASSERT_EQ(chapters->size(), 2u);
    EXPECT_EQ((*chapters)[0]["cname"].asString(), "学而\xEF\xBF\xBD篇");
}

TEST_F(BookInfoTest, ChaptersThatCannotBeSavedLeaveNoBookRow) {
    // The book's database refuses one of the chapters: the list is not
    // stored, so no shelf row may claim it is.
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Catalogue::kLunyu));
    {
        SQLDatabase db(BookDB::bookDBPath(Catalogue::kLunyu).string());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate("create trigger refuse before insert on chapter when new.ChapterId = 5 "
                                     "begin select raise(abort, 'refused'); end"));
    }
    const core::Value r = fetch(Catalogue::kLunyu);
    ASSERT_TRUE(r.isArray());
    EXPECT_EQ(r[0].asInt(), -4);
    EXPECT_EQ(m_hud->labelText(), "保存章节列表失败");
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(Catalogue::kLunyu), 0);
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Catalogue::kLunyu), 0); // rolled back
}

TEST_F(BookInfoTest, CoverDownloadsAreQueuedNotDropped) {
    auto covers = BookCoverDownloader::create();
    for (int64_t id : {Catalogue::kShijing, Catalogue::kLunyu, Catalogue::kChuci, Catalogue::kLunyu})
        covers->downloadBookCoverWithRZBookId(id);
    ASSERT_TRUE(waitFor([&] { return m_coverNotes.size() >= 3 && covers->pendingCount() == 0; }));
    waitFor([] { return false; }, 0.05);
    EXPECT_EQ(m_coverNotes, (std::vector<int64_t>{Catalogue::kShijing, Catalogue::kLunyu, Catalogue::kChuci}));
    for (int64_t id : {Catalogue::kShijing, Catalogue::kLunyu, Catalogue::kChuci})
        EXPECT_TRUE(std::filesystem::exists(AppPaths::coverFile(id))) << id;
    EXPECT_EQ(m_site->count(Host::Image, "/books/1002/1002.jpg"), 1u);
}

TEST_F(BookInfoTest, CoverFitting) {
    const std::string drawn = readFile(m_site->coversFolder() / "1001.jpg"); // 120 x 160
    ASSERT_FALSE(drawn.empty());
    // Phone: redrawn to the tile; a 640 x 960 screen doubles it.
    EXPECT_TRUE(BookCoverDownloader::saveBookCover(drawn, 5));
    auto img = gfx::Image::fromFile(AppPaths::coverFile(5).string());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixelWidth(), 74);
    EXPECT_EQ(img->pixelHeight(), 92);
    device::Device::current().setScreen({320, 480, 2});
    EXPECT_TRUE(BookCoverDownloader::saveBookCover(drawn, 6));
    img = gfx::Image::fromFile(AppPaths::coverFile(6).string());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixelWidth(), 148);
    EXPECT_EQ(img->pixelHeight(), 184);
    // A side that already fits keeps the bytes; so does a tablet.
    auto tall = gfx::Image::filled(74, 300, {10, 20, 30, 255}).encodeJPEG(0.9);
    ASSERT_TRUE(tall);
    const std::string tallBytes(tall->begin(), tall->end());
    device::Device::current().setScreen({320, 480, 1});
    EXPECT_TRUE(BookCoverDownloader::saveBookCover(tallBytes, 7));
    EXPECT_EQ(readFile(AppPaths::coverFile(7)), tallBytes);
    setDeviceKindProvider([] { return DeviceKind::Tablet; });
    EXPECT_TRUE(BookCoverDownloader::saveBookCover(drawn, 8));
    EXPECT_EQ(readFile(AppPaths::coverFile(8)), drawn);
    // Not an image, or no id: nothing saved, nothing posted.
    m_coverNotes.clear();
    EXPECT_FALSE(BookCoverDownloader::saveBookCover("<html>404</html>", 9));
    EXPECT_FALSE(BookCoverDownloader::saveBookCover(drawn, 0));
    EXPECT_FALSE(std::filesystem::exists(AppPaths::coverFile(9)));
    EXPECT_TRUE(m_coverNotes.empty());
}

} // namespace
} // namespace pw::test

#include "account/AccountTest.h"

#include "account/LocalBuyChapterController.h"
#include "endpoints/AccountData.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/Bytes.h"
#include "site/BookContentDownloader.h"

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;
using standin::Reply;

constexpr const char* kBuy = "/api/BuyVipChapter.ashx";

// Purchases of paid chapters against the stand-in site, logged in as the reader.
class BuyChapterTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        logInAsReader();
    }

    int64_t paidChapter(size_t index) {
        const auto& chapters = SiteTest::book(Catalogue::kShijing).chapters;
        EXPECT_TRUE(Catalogue::isVipIndex(index) && Catalogue::priceOfIndex(index) > 0);
        return chapters.at(index).id;
    }

    // A screen opened for a chapter, its first answer read.
    std::shared_ptr<LocalBuyChapterController> openScreen(int64_t chapterId) {
        auto screen = LocalBuyChapterController::create();
        screen->rzBookId = Catalogue::kShijing;
        screen->chapterId = chapterId;
        screen->callback = [this](const std::string& r) { m_results.push_back(r); };
        screen->popScreen = [this] { ++m_pops; };
        screen->open();
        EXPECT_TRUE(waitFor([&] { return !screen->busy(); }));
        return screen;
    }

    // Waits for the purchase answer and the half-second hand-back.
    void settle(LocalBuyChapterController& screen) {
        EXPECT_TRUE(waitFor([&] { return !screen.busy(); }));
        advance(0.6);
    }

    std::vector<std::string> m_results;
    int m_pops = 0;
};

TEST_F(BuyChapterTest, TheFourPurchasesSendTheirFormsAndLowerTheBalance) {
    // The reader owns the first two paid chapters (3 and 7) from the start.
    const int64_t first = paidChapter(11);
    const std::string book = std::to_string(Catalogue::kShijing);

    auto screen = openScreen(first);
    EXPECT_EQ(m_site->requests(Host::Interface, "/api/GetVipChapter.ashx").at(0).target,
              "/api/GetVipChapter.ashx?BookId=" + book + "&ChapterId=" + std::to_string(first));
    EXPECT_EQ(screen->price(), "5");
    EXPECT_EQ(screen->own(), std::to_string(standin::AccountData::kStartingBalance));
    EXPECT_FALSE(screen->bookName().empty());
    EXPECT_TRUE(screen->wordCount().starts_with("字数："));
    EXPECT_TRUE(screen->buttonsEnabled());

    // Page 1: the chapters on sale; nothing ticked sends nothing.
    screen->setCurrPage(1);
    ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
    EXPECT_EQ(m_site->requests(Host::Interface, "/api/GetBuyChapterList.ashx").at(0).target,
              "/api/GetBuyChapterList.ashx?BookId=" + book);
    ASSERT_GE(screen->vipChapters().asArray()->size(), 3u);
    screen->btnBuySelected();
    EXPECT_EQ(screen->tip(), "请选择章节");
    EXPECT_EQ(m_site->count(Host::Interface, kBuy), 0u);
    screen->btnSelectedAll();
    EXPECT_EQ(screen->selected().size(), screen->vipChapters().asArray()->size());
    screen->btnSelectedAll();
    EXPECT_TRUE(screen->selected().empty());
    EXPECT_EQ(screen->selectAllTitle(), "全选");

    struct Case {
        const char* name;
        std::function<void(LocalBuyChapterController&)> press;
        std::string type, forward, chapterList, result;
        bool popped;
    };
    const int64_t a = paidChapter(23), b = paidChapter(27);
    const std::vector<Case> cases = {
        {"this chapter", [](auto& s) { s.btnThisChapterClick(); }, "0", "", "", book + "," + std::to_string(first),
         true},
        {"next ten", [](auto& s) { s.btnAfterChapterClick(10); }, "2", "10", "", book + "," + std::to_string(first),
         true},
        {"ticked", [&](auto& s) { s.toggleChapter(b), s.toggleChapter(a); }, "3", "",
         std::to_string(a) + "," + std::to_string(b), book + "," + std::to_string(first), true},
        {"whole book", [](auto& s) { s.btnAllChapterClick(); }, "1", "", "", book, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_site->clearRequests();
        m_results.clear();
        m_pops = 0;
        auto s = openScreen(first);
        c.press(*s);
        if (c.type == "3")
            s->btnBuySelected();
        settle(*s);
        auto posts = m_site->requests(Host::Interface, kBuy);
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].method, "POST");
        EXPECT_EQ(posts[0].body, "bookId=" + book + "&chapterid=" + std::to_string(first) + "&type=" + c.type +
                                     "&forward=" + c.forward + "&ChapterList=" +
                                     (c.chapterList.empty() ? "" : std::to_string(a) + "%2C" + std::to_string(b)));
        EXPECT_EQ(m_results, std::vector<std::string>{c.result});
        EXPECT_EQ(m_pops, c.popped ? 1 : 0);
        EXPECT_EQ(s->popToRoot(), !c.popped);
    }
    // Every paid chapter is unlocked and paid for once.
    const auto bought = m_site->purchases(standin::StandinSite::kReaderId, Catalogue::kShijing);
    int64_t spent = -Catalogue::priceOfIndex(3) - Catalogue::priceOfIndex(7);
    const auto& chapters = SiteTest::book(Catalogue::kShijing).chapters;
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_TRUE(bought.count(chapters[i].id)) << i;
        spent += Catalogue::priceOfIndex(i);
    }
    m_results.clear();
    auto after = openScreen(paidChapter(15));
    advance(0.6);
    EXPECT_EQ(m_results, std::vector<std::string>{book + "," + std::to_string(paidChapter(15))});
    m_site->clearRequests();
    after = openScreen(first);
    EXPECT_EQ(m_site->count(Host::Interface, kBuy), 0u);
    EXPECT_EQ(after->own(), "");
    auto balance = fetch(m_site->baseUrl(Host::Interface) + "/api/GetVipChapter.ashx?BookId=" + book +
                         "&ChapterId=" + std::to_string(first))
                       ->responseString()
                       .value_or("");
    EXPECT_NE(balance.find("\"Balance\":" + std::to_string(standin::AccountData::kStartingBalance - spent)), std::string::npos) << balance;
}

TEST_F(BuyChapterTest, PurchaseAnswersDecideWhatTheScreenDoes) {
    struct Case {
        std::string body;
        std::string tip;
        std::vector<std::string> results;
        int pops;
    };
    const int64_t chapter = paidChapter(11);
    const std::string book = std::to_string(Catalogue::kShijing);
    const std::vector<Case> cases = {
        {R"({"Result":0})", "", {book + "," + std::to_string(chapter)}, 1},
        {R"({"Result":1})", "", {book + "," + std::to_string(chapter)}, 1},
        {R"({"Result":2})", "", {book}, 0},
        {R"({"Result":-5,"Message":"余额不足"})", "余额不足", {}, 0},
        {R"({"Result":-1,"Message":"请先登录"})", "请先登录", {}, 0},
        {R"({"Result":3,"Message":"x"})", "订阅失败", {}, 0},
        {R"({"Result":"2"})", "", {book}, 0},
        // No result code is no purchase, whatever else the answer says.
        {R"({"Message":"已处理"})", "订阅失败", {}, 0},
        {"<html>busy</html>", "订阅失败", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        m_results.clear();
        m_pops = 0;
        auto s = openScreen(chapter);
        m_site->script(Host::Interface, kBuy, Reply::text(200, c.body));
        s->btnThisChapterClick();
        EXPECT_FALSE(s->buttonsEnabled());
        settle(*s);
        EXPECT_EQ(s->tip(), c.tip);
        EXPECT_EQ(m_results, c.results);
        EXPECT_EQ(m_pops, c.pops);
        EXPECT_EQ(s->buttonsEnabled(), c.results.empty());
    }
    // A failed request only gives the buttons back.
    m_site->script(Host::Interface, kBuy, Reply::drop(R"({"Result":0})", 3), 3);
    auto s = openScreen(chapter);
    s->btnThisChapterClick();
    settle(*s);
    EXPECT_TRUE(s->buttonsEnabled());
    EXPECT_EQ(s->tip(), "");
    EXPECT_TRUE(m_results.empty());
}

TEST_F(BuyChapterTest, TheListShowsEachPriceAsTheSiteWroteIt) {
    m_site->script(Host::Interface, "/api/GetBuyChapterList.ashx",
                   Reply::json(R"({"Result":0,"Chapter":[{"ChapterId":5,"ChapterName":"甲","Price":5},)"
                               R"({"ChapterId":7,"ChapterName":"乙","Price":"6"},)"
                               R"({"ChapterId":9,"ChapterName":"丙","Price":2.5}]})"));
    auto s = openScreen(paidChapter(11));
    s->setCurrPage(1);
    ASSERT_TRUE(waitFor([&] { return !s->busy(); }));
    auto table = ui::TableView::create({0, 0, 320, 400});
    const std::vector<std::string> shown = {" 5 点", " 6 点", " 2.5 点"};
    ASSERT_EQ(s->numberOfRows(*table, 0), 3);
    for (int64_t row = 0; row < 3; ++row)
        EXPECT_EQ(s->cellForRow(*table, {0, row})->detailTextLabel().text(), shown[static_cast<size_t>(row)]);
}

// The screen as the reader and the store push it: the caller hears the
// PurchaseResult, downloads the bought chapter and opens it.
class BuyScreenTest : public AccountTest {
protected:
    std::shared_ptr<LocalBuyChapterController> pushFor(int64_t chapterId) {
        auto screen = LocalBuyChapterController::create();
        screen->rzBookId = Catalogue::kShijing;
        screen->chapterId = chapterId;
        screen->callback = [this](const std::string& r) { m_results.push_back(r); };
        std::error_code ec;
        std::filesystem::copy_file(m_site->coversFolder() / "1001.jpg", AppPaths::coverFile(Catalogue::kShijing),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        push(screen);
        EXPECT_TRUE(waitFor([&] { return !screen->busy(); }));
        settle();
        return screen;
    }
    int64_t paid(size_t index) { return book(Catalogue::kShijing).chapters.at(index).id; }
    // What the caller does with "<book>,<chapter>": fetch the paid chapter's text.
    std::string readBought(const std::string& result) {
        const auto comma = result.find(',');
        EXPECT_NE(comma, std::string::npos);
        auto downloader = BookContentDownloader::create();
        auto receiver = std::make_shared<int>(0);
        std::optional<core::Value> got;
        downloader->downloadBookVipContentByRZBookId(std::stoll(result.substr(0, comma)),
                                                     std::stoll(result.substr(comma + 1)), receiver,
                                                     [&](const core::Value& v) { got = v; });
        EXPECT_TRUE(waitFor([&] { return got.has_value(); }));
        if (!got || !(*got)["cnt"].isBytes())
            return {};
        return core::toString(core::ByteView(*(*got)["cnt"].bytesPtr()));
    }
    std::vector<std::string> m_results;
};

TEST_F(BuyScreenTest, AChapterFromItsButtonThenTheTickedListThenTheWholeBook) {
    logInAsReader();
    const int64_t chapter = paid(11);
    auto screen = pushFor(chapter);
    EXPECT_EQ(screen->title(), "章节订阅");
    EXPECT_EQ(screen->lblPrice()->text(), "5");
    EXPECT_EQ(screen->lblOwn()->text(), std::to_string(standin::AccountData::kStartingBalance));
    EXPECT_FALSE(screen->lblBookName()->text().empty());
    EXPECT_TRUE(screen->btnThisChapter()->isEnabled());
    keepPicture("buy_single");
    const auto counted = m_site->requests(Host::Statistics, "/statajax.aspx");

    tapView(screen->btnThisChapter());
    EXPECT_FALSE(screen->btnAllChapter()->isEnabled());
    ASSERT_TRUE(waitPaced([&] {
        return !m_results.empty();
    }));
    settle();
    const std::string book = std::to_string(Catalogue::kShijing);
    EXPECT_EQ(m_results, std::vector<std::string>{book + "," + std::to_string(chapter)});
    EXPECT_EQ(top(), m_root.get());
    EXPECT_EQ(readBought(m_results[0]), SiteTest::book(Catalogue::kShijing).chapters.at(11).text);

    // The list of chapters on sale, two ticked.
    m_results.clear();
    screen = pushFor(paid(15));
    screen->horizontalScrollButtonClick(*screen->btnThisChapter(), 1);
    ASSERT_TRUE(waitFor([&] { return !screen->busy() && screen->vipChapters().asArray()->size() > 2; }));
    settle();
    auto* table = screen->vipTable();
    table->layoutIfNeeded();
    ASSERT_GE(table->visibleCells().size(), 2u);
    ASSERT_GE(table->visibleCells().size(), 4u);
    // The first chapter on sale stays for the whole-book purchase below.
    const int64_t stillOnSale = (*screen->vipChapters().asArray())[0]["ChapterId"].asInt().value_or(0);
    screen->didSelectRow(*table, {0, 2});
    screen->didSelectRow(*table, {0, 3});
    EXPECT_EQ(screen->selected().size(), 2u);
    table->layoutIfNeeded();
    EXPECT_EQ(table->visibleCells()[2]->accessoryType, ui::TableViewCellAccessory::Checkmark);
    EXPECT_EQ(table->visibleCells()[0]->accessoryType, ui::TableViewCellAccessory::None);
    {
        // The check mark is drawn on the ticked row only (rows 44 high under the strip).
        const auto picture = keepPicture("buy_batch");
        const gfx::Rect first = table->convertRectToView(table->rectForRow({0, 0}), nullptr);
        const gfx::Rect third = table->convertRectToView(table->rectForRow({0, 2}), nullptr);
        auto marked = [&](const gfx::Rect& row) {
            const gfx::Rect mark(row.maxX() - 40, row.y(), 30, row.height());
            return countPixels(picture, mark, [](gfx::Pixel p) { return p.a > 0 && p.r < 150 && p.b > p.r + 40; });
        };
        EXPECT_GT(marked(third), 10);
        EXPECT_EQ(marked(first), 0);
    }
    tapView(screen->btnBuySelectedButton());
    ASSERT_TRUE(waitPaced([&] {
        return !m_results.empty();
    }));
    const auto post = m_site->requests(Host::Interface, kBuy).back();
    EXPECT_EQ(post.param("type"), "3");
    EXPECT_EQ(post.param("chapterid"), std::to_string(paid(15)));
    const std::string ticked = post.param("ChapterList");
    EXPECT_EQ(std::count(ticked.begin(), ticked.end(), ','), 1) << ticked;
    settle();

    // The whole book: the screen stays for the caller to remove.
    m_results.clear();
    screen = pushFor(stillOnSale);
    ASSERT_TRUE(m_results.empty());
    screen->btnAllChapterClick();
    ASSERT_TRUE(waitPaced([&] {
        return !m_results.empty();
    }));
    settle();
    EXPECT_EQ(m_results, std::vector<std::string>{book});
    EXPECT_EQ(top(), screen.get());
    // Each opening and the list page counted a page view.
    EXPECT_TRUE(waitFor([&] { return m_site->count(Host::Statistics, "/statajax.aspx") > counted.size(); }, 10));
}

TEST(BuyScreenParts, TheQuickScrollStaysWithinTheList) {
    struct Case {
        bool down;
        double offset, row, content, table;
        std::optional<double> target;
    };
    const std::vector<Case> cases = {
        {true, 0, 44, 100000, 400, 8800},    {true, 0, 44, 3000, 400, 2600}, // not past the last screenful
        {true, 2600, 44, 3000, 400, {}},                                     // at the end already
        {true, 0, 44, 300, 400, {}},                                         // shorter than the table
        {false, 9000, 44, 100000, 400, 200}, {false, 100, 44, 3000, 400, 0}, {false, 0, 44, 3000, 400, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalBuyChapterController::quickScrollTarget(c.down, c.offset, c.row, c.content, c.table), c.target)
            << c.down << " " << c.offset << " " << c.content;
}

} // namespace
} // namespace pw::test

#include "StoreScreenTest.h"

#include "account/LocalBuyChapterController.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/NotificationCenter.h"
#include "site/ZELLoginViewController.h"
#include "store/BookChannelInfoCell.h"
#include "store/BookInfoPlusTableCell.h"
#include "store/StoreBookDetailsController.h"
#include "store/StoreCategoryBookController.h"
#include "store/StoreCategoryViewController.h"
#include "store/StoreChannelBooksController.h"
#include "store/StoreHomeViewController.h"
#include "platform/core/Text.h"
#include "reader/PageViewController.h"
#include "reader/RZChapterListViewController.h"
#include "store/StoreBookCoverDownloader.h"
#include "store/StoreSearchResultController.h"
#include "store/StoreSearchViewController.h"
#include "store/StoreTopBookController.h"
#include "store/RZCellBookInfoPlus.h"

namespace pw::test {
namespace {

using standin::Book;
using standin::Catalogue;
using standin::Host;

class StoreScreensTest : public StoreScreenTest {};

TEST_F(StoreScreensTest, AddressesTextsAndLayoutRules) {
    const std::string store = m_site->baseUrl(Host::Store);
    const std::vector<std::pair<std::string, std::string>> urls = {
        {StoreBookDetailsController::detailUrl(1002), "/BookStoreAPI/GetBookDetail.ashx?BookId=1002"},
        {StoreBookDetailsController::relatedUrl(0), "/BookStoreAPI/GetRelatedBooks.ashx?BookId=0"},
        {StoreBookDetailsController::addBookcaseUrl(7, "诗 经&A"),
         "/api/AddFavoriteBook.ashx?bid=7&bname=%E8%AF%97%20%E7%BB%8F%26A"},
        {StoreTopBookController::topBooksUrl(3000000005, 2),
         "/BookStoreAPI/GetTopBooks.ashx?TopId=3000000005&PageIndex=2"},
        {StoreCategoryBookController::categoryBooksUrl(2), "/BookStoreAPI/GetCategoryBooks.ashx?ChannelId=2"},
        {StoreChannelBooksController::groupBooksUrl(3, 1),
         "/BookStoreAPI/GetRecommendDetail.ashx?GroupId=3&PageIndex=1"},
        {StoreCategoryViewController::indexUrl(1), "/BookStoreAPI/GetIndex.ashx?type=1"},
        {StoreHomeViewController::recommendListUrl(), "/BookStoreAPI/GetRecommendList.ashx"},
    };
    for (const auto& [url, want] : urls)
        EXPECT_EQ(url, store + want);
    // Covers by id on the image host; books without one of their own (id 0) get the generic cover.
    const std::string image = m_site->baseUrl(Host::Image);
    EXPECT_EQ(StoreBookCoverDownloader::coverAddress(1002), image + "/books/1002/1002.jpg");
    EXPECT_EQ(StoreBookCoverDownloader::coverAddress(3000000005), image + "/books/3000000005/3000000005.jpg");
    EXPECT_EQ(StoreBookCoverDownloader::coverAddress(0), image + "/books/1.jpg");
    EXPECT_EQ(StoreBookCoverDownloader::coverAddress(-1), image + "/books/1.jpg");

    EXPECT_EQ(StoreBookDetailsController::descriptionText("一<br>二</br>三<br/>四&nbsp;五"), "一\n二\n三\n四 五");

    // Row heights of the top lists: the first page with rows decides, by its last row.
    auto plus = [](std::string extra) {
        auto r = std::make_shared<RZCellBookInfoPlus>();
        r->extraMsg = std::move(extra);
        return std::static_pointer_cast<RZCellBookInfo>(r);
    };
    EXPECT_EQ(StoreTopBookController::rowHeightAfterPage(144, {plus(""), plus("字数：9")}), 145);
    EXPECT_EQ(StoreTopBookController::rowHeightAfterPage(144, {plus("字数：9"), plus("")}), 125);
    EXPECT_EQ(StoreTopBookController::rowHeightAfterPage(125, {plus("字数：9")}), 125);

    // The paging view settles on the nearest page.
    for (auto [x, page] : std::vector<std::pair<double, int>>{{0, 0}, {159, 0}, {161, 1}, {320, 1}})
        EXPECT_EQ(StoreCategoryViewController::nearestPage(x, 320), page) << x;

    EXPECT_EQ(BookChannelInfoCell::channelName(0), "墨川中文网");
    EXPECT_EQ(BookChannelInfoCell::channelName(1), "墨川女生网");
    EXPECT_EQ(BookChannelInfoCell::channelName(2), "墨川文学网");
    EXPECT_EQ(BookChannelInfoCell::channelName(3), "");
    // Row cells: the texts beside the cover, or at the left edge without
    // pictures, keep their right margins as the row widens (52 for the name
    // and 22 for the others; 72 and 42 without pictures).
    auto row = BookInfoTableCell::create("Idt0");
    for (double w : {320.0, 480.0}) {
        row->setFrame({0, 0, w, 125});
        for (bool none : {true, false}) {
            row->isNoImgMode = none;
            row->reloadImage();
            const double x = none ? 18 : 98, name = none ? 90 : 150, other = none ? 60 : 120;
            EXPECT_EQ(row->lblBookName().frame(), gfx::Rect(x, 10, w - name, 23)) << w << none;
            EXPECT_EQ(row->lblAuthor().frame(), gfx::Rect(x, 40, w - other, 19)) << w << none;
            EXPECT_EQ(row->lblChapterName().frame(), gfx::Rect(x, 60, w - other, 38)) << w << none;
            EXPECT_EQ(row->lblLstUpdateTime().frame(), gfx::Rect(x, 99, w - other, 19)) << w << none;
            EXPECT_EQ(row->imgCover().isHidden(), none);
            EXPECT_TRUE(row->lblLoading().isHidden());
        }
    }
    EXPECT_EQ(BookInfoTableCell::coverId(55, 0), 0);
    EXPECT_EQ(BookInfoTableCell::coverId(55, -1), 55);

    // Picture mode: a missing key or "0" shows pictures, anything else none.
    EXPECT_FALSE(StoreBaseViewController::readNoImageMode());
    for (auto [stored, none] : std::vector<std::pair<const char*, bool>>{{"0", false}, {"1", true}, {"x", true}}) {
        SettingTB::saveSettingWithKey("showPic", stored);
        EXPECT_EQ(StoreBaseViewController::readNoImageMode(), none) << stored;
    }
}

TEST_F(StoreScreensTest, DetailsShowTheBookAndDownloadAfterALogin) {
    const Book& lunyu = book(Catalogue::kLunyu);
    auto details = StoreBookDetailsController::create();
    details->rzBookId = Catalogue::kLunyu;
    show(details);
    ASSERT_TRUE(waitFor([&] { return !details->lblName().text().empty() && details->arrBookData().size() == 1; }))
        << "name \"" << details->lblName().text() << "\", " << details->arrBookData().size() << " rows, "
        << details->requestsInFlight() << " in flight, asked "
        << m_site->count(Host::Store, "/BookStoreAPI/GetBookDetail.ashx") << "/"
        << m_site->count(Host::Store, "/BookStoreAPI/GetRelatedBooks.ashx");
    EXPECT_EQ(details->lblName().text(), lunyu.name);
    EXPECT_EQ(details->bookName(), lunyu.name);
    EXPECT_EQ(details->lblDes().text(),
              lunyu.name + "\n" + lunyu.author + " 著\n共" + std::to_string(lunyu.chapters.size()) + "章");
    EXPECT_EQ(details->arrBookData()[0]->bookId, Catalogue::kSishu);
    EXPECT_EQ(details->buttons()[1]->frame(), gfx::Rect(165, 149, 135, 35));
    EXPECT_EQ(details->btnDownWholeBook().frame(), gfx::Rect(20, 194, 280, 35));
    // The detail is asked for before the related books: their page views, which
    // go out one at a time, name them in that order.
    auto asked = [&] {
        std::vector<std::string> out;
        for (const auto& r : m_site->requests(Host::Statistics)) {
            if (r.target.find("GetBookDetail") != std::string::npos)
                out.push_back("detail");
            else if (r.target.find("GetRelatedBooks") != std::string::npos)
                out.push_back("related");
        }
        return out;
    };
    ASSERT_TRUE(waitFor([&] { return asked().size() >= 2; }));
    EXPECT_EQ(asked(), (std::vector<std::string>{"detail", "related"}));

    // Not logged in: the site says -997, the login screen opens.
    details->downBook();
    ASSERT_TRUE(waitFor([&] { return dynamic_cast<ZELLoginViewController*>(top()) != nullptr; }));
    pass(0.5);
    logInAsReader();
    static_cast<ZELLoginViewController*>(top())->loginSucceeded();
    settle();
    // Retried after the login, then the login check and the queueing.
    ASSERT_TRUE(waitFor([&] { return details->btnDownWholeBook().currentTitle() == "返回书架"; }));
    EXPECT_EQ(params(Host::Store, "/api/AddFavoriteBook.ashx", "bname"), std::vector<std::string>(2, lunyu.name));
    EXPECT_TRUE(m_downManager->isBookDownloadingNow(Catalogue::kLunyu));
    EXPECT_EQ(hudText(), "已开始后台下载");
    keepScreen("details_download_started");

    // From now on the button leaves the store.
    int leaves = 0;
    auto token = core::NotificationCenter::defaultCenter().addObserver("NSNotificationCenter_BackToBookcase",
                                                                       [&](const core::Notification&) { ++leaves; });
    details->downBook();
    EXPECT_EQ(leaves, 1);
}

TEST_F(StoreScreensTest, DetailCountsShowAsTheSiteWroteThem) {
    m_site->script(Host::Store, "/BookStoreAPI/GetBookDetail.ashx",
                   standin::Reply::json(R"({"Result":1,"Data":{"BookName":"数","ClickAll":12.5,"ClickWeek":3,)"
                                        R"("RecommendAll":"7千","WordsCnt":2.25}})"));
    auto details = StoreBookDetailsController::create();
    details->rzBookId = Catalogue::kLunyu;
    show(details);
    ASSERT_TRUE(waitFor([&] { return details->lblName().text() == "数"; }));
    const struct {
        ui::Label& label;
        const char* want;
    } rows[] = {
        {details->lblTotalClick(), "总点击：12.5"},
        {details->lblWeekClick(), "周点击：3"},
        {details->lblTotalRecommend(), "总推荐：7千"},
        {details->lblWords(), "总字数：2.25"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.label.text(), r.want);
}

// Where a chapter stands in the chapter list's sections.
std::optional<ui::IndexPath> rowOf(RZChapterListViewController& list, int64_t cid) {
    for (size_t s = 0; s < list.groups().arrVolume.size() || s == 0; ++s) {
        const auto& rows = list.groups().section(s);
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r].cid == cid)
                return ui::IndexPath{static_cast<int64_t>(s), static_cast<int64_t>(r)};
    }
    return std::nullopt;
}

TEST_F(StoreScreensTest, ContentsOpenAFreeChapterAndBuyAPaidOne) {
    logInAsReader();
    m_site->setPurchases(standin::StandinSite::kReaderId, Catalogue::kShijing, {});
    auto details = StoreBookDetailsController::create();
    details->rzBookId = Catalogue::kShijing;
    show(details);
    const Book& shijing = book(Catalogue::kShijing);
    auto openList = [&]() -> RZChapterListViewController* {
        details->downChapterList();
        RZChapterListViewController* list = nullptr;
        EXPECT_TRUE(waitFor([&] {
            step();
            list = dynamic_cast<RZChapterListViewController*>(top());
            return list && list->hasData() && list->canSelectItem();
        }));
        return list;
    };
    auto* list = openList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(Catalogue::kShijing), 1);

    // A free chapter: downloaded, stored and opened in the reader.
    auto free = rowOf(*list, shijing.chapters[0].id);
    ASSERT_TRUE(free);
    list->didSelectRow(*list->table(), *free);
    EXPECT_EQ(hudText(), "正在下载章节，请稍候...");
    ASSERT_TRUE(waitFor(
        [&] {
            step();
            return dynamic_cast<PageViewController*>(top()) != nullptr;
        },
        30))
        << hudText() << " " << typeid(*top()).name() << " " << m_nav->viewControllers().size();
    auto* reader = static_cast<PageViewController*>(top());
    EXPECT_EQ(reader->chapterId, shijing.chapters[0].id);
    EXPECT_EQ(reader->bookFormat, 1);
    EXPECT_EQ(reader->contentTitle, shijing.chapters[0].name);
    EXPECT_EQ(reader->content.rfind(core::text::toUtf16Lenient(shijing.chapters[0].name + "\n\n"), 0), 0u);
    EXPECT_EQ(reader->bookId, BookTB::getBookIdByRZBookId(Catalogue::kShijing));
    keepScreen("chapter_open");
    m_nav->popViewControllerAnimated(false);
    settle();

    // A paid chapter: the purchase screen, then the bought chapter is fetched and opened.
    list = openList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(Catalogue::isVipIndex(3));
    auto paid = rowOf(*list, shijing.chapters[3].id);
    ASSERT_TRUE(paid);
    list->didSelectRow(*list->table(), *paid);
    pass(1.1);
    auto* purchase = dynamic_cast<LocalBuyChapterController*>(top());
    ASSERT_NE(purchase, nullptr);
    ASSERT_TRUE(waitFor([&] { return purchase->buttonsEnabled(); }));
    purchase->btnThisChapterClick();
    // The purchase leaves 0.5 s after the site's yes and answers "<book>,<chapter>";
    // the bought chapter is fetched, stored and opened.
    ASSERT_TRUE(waitFor([&] {
        step();
        return dynamic_cast<PageViewController*>(top()) != nullptr;
    }));
    reader = static_cast<PageViewController*>(top());
    EXPECT_EQ(m_nav->viewControllers().size(), 2u); // details, the reader
    EXPECT_EQ(reader->chapterId, shijing.chapters[3].id);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kShijing, shijing.chapters[3].id), 1);
}

std::string rowsJSON(int from, int n, bool extra) {
    std::string rows;
    for (int i = 0; i < n; ++i) {
        if (i)
            rows += ",";
        rows += R"({"BookId":)" + std::to_string(from + i) + R"(,"BookName":"书)" + std::to_string(from + i) +
                R"(","AuthorName":"某","LastUpdateChapterID":5,"LastVipUpdateChapterId":5,)"
                R"("LastUpdateChapterName":"免费章","LastVipUpdateChapterName":"VIP章",)"
                R"("LastChapterUpdateTime":1500,"LastVipChapterUpdateTime":0)" +
                (extra ? R"(,"ExtraName":"字数：","ExtraValue":"9")" : "") + "}";
    }
    return R"({"Data":[)" + rows + "]}";
}

TEST_F(StoreScreensTest, TopListsPageOnAndNumberRowsAcrossPages) {
    m_site->script(Host::Store, "/BookStoreAPI/GetTopBooks.ashx", standin::Reply::json(rowsJSON(1, 20, false)));
    m_site->script(Host::Store, "/BookStoreAPI/GetTopBooks.ashx", standin::Reply::json(R"({"Data":[]})"));
    m_site->script(Host::Store, "/BookStoreAPI/GetTopBooks.ashx", standin::Reply::json(rowsJSON(21, 3, true)));
    auto top = StoreTopBookController::create();
    top->setTopId(2);
    top->setTitle("字数榜");
    show(top);
    ASSERT_TRUE(waitFor([&] { return top->currPage() == 1; }));
    EXPECT_EQ(top->table()->rowHeight, 125); // no extra line on the first page's last row
    // Equal chapter ids choose the paid pair; a time of 0 shows the placeholder.
    EXPECT_EQ(top->arrBookData()[0]->chapterName, "最新章节：VIP章");
    EXPECT_EQ(top->arrBookData()[0]->chapterUpdateTime, "更新时间：暂无数据");
    EXPECT_EQ(top->arrBookData()[0]->imageStatus, -1);

    // An empty page does not count: the next pull asks for page 2 again.
    top->refreshTableFooterDidTriggerRefresh(*top->refreshFooter());
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Store, "/BookStoreAPI/GetTopBooks.ashx") == 2; }));
    ASSERT_TRUE(waitAnswered(*top));
    EXPECT_EQ(top->currPage(), 1);
    top->refreshTableFooterDidTriggerRefresh(*top->refreshFooter());
    ASSERT_TRUE(waitFor([&] { return top->currPage() == 2; }));
    EXPECT_EQ(params(Host::Store, "/BookStoreAPI/GetTopBooks.ashx", "PageIndex"),
              (std::vector<std::string>{"1", "2", "2"}));
    EXPECT_EQ(top->table()->rowHeight, 125); // later pages never change it
    auto cell = std::dynamic_pointer_cast<BookInfoPlusTableCell>(top->cellForRow(*top->table(), {0, 20}));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->lblStorey().text(), "21");
    EXPECT_EQ(cell->lblExtraMessage().text(), "字数：9");

    // A ranking from the stand-in whose first page ends with an extra line: 145.
    auto words = StoreTopBookController::create();
    words->setTopId(2);
    push(words);
    ASSERT_TRUE(waitFor([&] { return words->currPage() == 1; }));
    EXPECT_EQ(words->table()->rowHeight, 145);
    EXPECT_EQ(words->arrBookData().size(), 6u); // the books the stand-in lists
    keepScreen("top_list");
}

TEST_F(StoreScreensTest, HomeShowsTheCarouselGroupsAndTheirIcons) {
    auto home = show(StoreHomeViewController::create());
    ASSERT_TRUE(waitFor([&] {
        return home->data().asArray() && home->data().asArray()->size() == 3 &&
               home->topScroll()->arrButtons().size() == 6;
    }));
    m_window->layoutIfNeeded();
    auto* cell = dynamic_cast<BookChannelInfoCell*>(home->recTable()->cellForRow({0, 1}));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->lblChannel().text(), "墨川女生网");
    // The icons of the rows on screen arrive and show.
    ASSERT_TRUE(waitFor([&] {
        return m_site->requests(Host::Image).size() >= 3 && !cell->imgIcon().isHidden() &&
               cell->imgIcon().image().pixelWidth() > 0;
    }));
    pass(0.2);
    const gfx::Image shot = keepScreen("home");
    // Each group's site badge down its left edge: red, pink, green (below the
    // bar and the 115-point carousel, rows of 100).
    const gfx::Pixel red = shot.pixelAt(12, 64 + 115 + 80), pink = shot.pixelAt(12, 64 + 215 + 80),
                     green = shot.pixelAt(12, 64 + 315 + 80);
    EXPECT_GT(red.r, red.g + 60);
    EXPECT_GT(pink.r, pink.g + 40);
    EXPECT_GT(pink.b, pink.g + 20);
    EXPECT_GT(green.g, green.r + 40);

    // A group opens its books; a cover opens its book.
    home->didSelectRow(*home->recTable(), {0, 0});
    settle();
    auto* group = dynamic_cast<StoreChannelBooksController*>(top());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "诗歌精选");
    ASSERT_TRUE(waitFor([&] { return group->currPage() == 1; }));
    EXPECT_EQ(params(Host::Store, "/BookStoreAPI/GetRecommendDetail.ashx", "GroupId"), std::vector<std::string>{"1"});
    m_nav->popViewControllerAnimated(false);
    home->autoHorizontalScrollButtonClick(*home->topScroll()->arrButtons()[1], 1, static_cast<long>(Catalogue::kLunyu));
    settle();
    auto* details = dynamic_cast<StoreBookDetailsController*>(top());
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->rzBookId, Catalogue::kLunyu);
}

TEST_F(StoreScreensTest, RankingsAndCategoriesLoadOncePerPageAndOpenTheirLists) {
    auto index = show(StoreCategoryViewController::create());
    ASSERT_TRUE(waitFor([&] { return index->arrPaiHang().asArray()->size() == 3; }));
    EXPECT_TRUE(index->arrFenLei().asArray()->empty());
    // Swiping to the categories and back: one category request, no second ranking request.
    index->bottomScroll()->setContentOffset({320, 0}, false);
    index->whenScrollStop(*index->bottomScroll());
    ASSERT_TRUE(waitFor([&] { return index->arrFenLei().asArray()->size() == 3; }));
    index->bottomScroll()->setContentOffset({100, 0}, false);
    index->whenScrollStop(*index->bottomScroll());
    EXPECT_EQ(index->currPage(), 0);
    pass(0.1);
    EXPECT_EQ(params(Host::Store, "/BookStoreAPI/GetIndex.ashx", "type"), (std::vector<std::string>{"0", "1"}));
    keepScreen("rankings");

    index->didSelectRow(*index->tableWithTag(StoreCategoryViewController::kCategoryTag), {0, 1});
    settle();
    auto* books = dynamic_cast<StoreCategoryBookController*>(top());
    ASSERT_NE(books, nullptr);
    EXPECT_EQ(books->channelId(), 2);
    ASSERT_TRUE(waitFor([&] { return books->arrBookData().size() == 2; }));
    EXPECT_EQ(books->arrBookData()[0]->bookId, Catalogue::kLunyu);
    EXPECT_EQ(books->arrBookData()[0]->authorName, "小说作者：" + book(Catalogue::kLunyu).author);
    // Covers of the rows on screen are asked for once each, and show.
    ASSERT_TRUE(waitFor([&] {
        return m_site->count(Host::Image, "/books/1002/1002.jpg") + m_site->count(Host::Image, "/books/1.jpg") >= 1;
    }));
    pass(0.2);
    keepScreen("category_books");
}

} // namespace
} // namespace pw::test

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;

TEST_F(StoreScreensTest, PurchaseResultsAndAddToShelfCodes) {
    logInAsReader();
    auto details = StoreBookDetailsController::create();
    details->rzBookId = Catalogue::kChuci;
    show(details);
    // The login check stores the user the purchase answers need.
    details->setDownType(StoreActionNone);
    details->checkIsLoginWithInfo(std::nullopt);
    ASSERT_TRUE(waitFor([&] { return !details->userId().empty(); }));
    ASSERT_TRUE(waitAnswered(*details));

    // Texts that are not one id, or an id and a chapter, do nothing.
    for (const char* text : {"", "1,2,3", "x", "1004,y"}) {
        m_site->clearRequests();
        details->buyVipChapterCallback(text);
        pass(0.1);
        EXPECT_FALSE(m_downManager->isBookDownloadingNow(1004)) << text;
        EXPECT_TRUE(m_site->requests(Host::Interface).empty()) << text;
    }
    // The whole book: the purchase screen is popped and the book queued.
    push(ui::ViewController::create());
    details->buyVipChapterCallback("1004");
    settle();
    EXPECT_EQ(top(), details.get());
    EXPECT_EQ(hudText(), "已开始后台下载");
    EXPECT_TRUE(m_downManager->isBookDownloadingNow(Catalogue::kChuci));
    m_downManager->cancelAllDownload();

    // Add-to-shelf codes: the site's message for the shelf, the download only on 0 and -3.
    struct Case {
        std::string reply;
        int tag;
        std::string tip;
        bool downloads;
    };
    const std::vector<Case> cases = {
        {R"({"data":0,"msg":"已加入书架"})", StoreBookDetailsController::kTagAddShelf, "已加入书架", false},
        {R"({"data":-3,"msg":"书架中已有此书"})", StoreBookDetailsController::kTagAddBeforeDownload, "已开始后台下载",
         true},
        {R"({"data":-1,"msg":"无此书籍"})", StoreBookDetailsController::kTagAddBeforeDownload,
         "无此书籍，书籍下载失败。", false},
        {R"({"data":-997,"msg":"请先登录"})", StoreBookDetailsController::kTagAddShelfAfterLogin, "请先登录", false},
        {R"({"data":-997,"msg":"请先登录"})", StoreBookDetailsController::kTagAddBeforeDownloadAfterLogin,
         "请先登录，书籍下载失败。", false},
    };
    for (const auto& c : cases) {
        m_downManager->cancelAllDownload();
        m_site->script(Host::Store, "/api/AddFavoriteBook.ashx", standin::Reply::json(c.reply));
        details->doAddBookcase(c.tag);
        ASSERT_TRUE(waitFor([&] { return hudText() == c.tip; })) << c.reply << " " << hudText();
        EXPECT_EQ(m_downManager->isBookDownloadingNow(Catalogue::kChuci), c.downloads) << c.reply;
        EXPECT_EQ(top(), details.get()) << c.reply; // no second login screen after a login
    }
}

TEST_F(StoreScreensTest, AnswersOfTheWrongShapeLeaveEveryScreenStanding) {
    // Lists that are no lists, rows that are no objects, values of the wrong
    // kinds, and an answer cut short: every list screen takes them, shows
    // what it can and draws.
    const std::vector<std::string> odd = {
        R"({"Data":{"BookId":1}})",
        R"({"Data":[1,"x",null,[],{"BookId":"7","BookName":5,"AuthorName":[],"ImageStatus":{},"Name":3,)"
        R"("ImageUrl":7,"RecommendId":"x","TopId":[],"ChannelId":null,"SiteType":"2","LabelName":9,)"
        R"("LastUpdateChapterID":"9","LastVipUpdateChapterId":{},"NewChapterTime":5}]})",
        R"([["x",{"BookName":null,"NewChapterTime":"/Date(x)/","NewChapterName":[]}]])",
        R"({"Data":[{"BookName":"缺)",
    };
    const std::vector<std::string> paths = {
        "/BookStoreAPI/GetRecommendList.ashx", "/BookStoreAPI/CoverRecommend.ashx", "/BookStoreAPI/GetIndex.ashx",
        "/BookStoreAPI/GetTopBooks.ashx",      "/BookStoreAPI/GetCategoryBooks.ashx",
        "/BookStoreAPI/GetRecommendDetail.ashx", "/BookStoreAPI/GetSearchTops.ashx", "/BookStoreAPI/GetBookStore.ashx",
        "/api/SearchBooks.ashx",               "/BookStoreAPI/GetBookDetail.ashx", "/BookStoreAPI/GetRelatedBooks.ashx",
    };
    for (const auto& answer : odd) {
        m_site->clearScripts();
        for (const auto& path : paths)
            m_site->script(Host::Store, path, standin::Reply::json(answer), 3);
        std::vector<std::shared_ptr<StoreBaseViewController>> screens;
        screens.push_back(show(StoreHomeViewController::create()));
        screens.push_back(StoreCategoryViewController::create());
        auto top = StoreTopBookController::create();
        top->setTopId(1);
        screens.push_back(top);
        auto books = StoreCategoryBookController::create();
        books->setChannelId(1);
        screens.push_back(books);
        auto group = StoreChannelBooksController::create();
        group->setGroupId(1);
        screens.push_back(group);
        screens.push_back(StoreSearchViewController::create());
        for (bool byKeyword : {true, false}) {
            auto results = StoreSearchResultController::create();
            results->isSearchByKeyword = byKeyword;
            results->keyword = "论语";
            results->query = "channel=-1";
            screens.push_back(results);
        }
        auto details = StoreBookDetailsController::create();
        details->rzBookId = Catalogue::kLunyu;
        screens.push_back(details);
        for (size_t i = 1; i < screens.size(); ++i)
            push(screens[i]);
        ASSERT_TRUE(waitFor([&] {
            step();
            return std::all_of(screens.begin(), screens.end(),
                               [](const auto& s) { return s->requestsInFlight() == 0; });
        })) << answer;
        // Each screen drawn on top in turn, then taken off.
        for (size_t i = screens.size(); i-- > 1;) {
            pass(0.1);
            EXPECT_FALSE(renderScreen().isNull()) << answer;
            m_nav->popViewControllerAnimated(false);
        }
        pass(0.1);
        EXPECT_EQ(m_nav->viewControllers().size(), 1u) << answer;
    }
    // A row of the wrong kinds becomes a record with the placeholders.
    m_site->clearScripts();
    auto books = StoreCategoryBookController::create();
    books->setChannelId(1);
    // Screens popped above may still have asked for their lists on their way
    // out; every answer of the path is scripted, so none takes this one's.
    m_site->script(Host::Store, "/BookStoreAPI/GetCategoryBooks.ashx", standin::Reply::json(odd[1]), 100);
    push(books);
    ASSERT_TRUE(waitAnswered(*books));
    const auto& rows = books->arrBookData();
    const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r->bookId == 7; });
    ASSERT_NE(row, rows.end()) << rows.size() << " rows";
    EXPECT_EQ((*row)->authorName, "小说作者：暂无数据");
}

TEST_F(StoreScreensTest, AScreenThatGoesAwayHearsNothingMore) {
    m_site->script(Host::Store, "/BookStoreAPI/GetBookDetail.ashx", standin::Reply::stall(0.3));
    auto home = show(StoreHomeViewController::create());
    {
        auto details = StoreBookDetailsController::create();
        details->rzBookId = Catalogue::kLunyu;
        push(details);
        ASSERT_EQ(details->requestsInFlight(), 2u);
        // A paid chapter's purchase screen is due in 1 s.
        core::Value::Map chapter;
        chapter.append("cid", static_cast<int64_t>(9));
        chapter.append("vip", static_cast<int64_t>(1));
        chapter.append("down", static_cast<int64_t>(0));
        details->rzChapterDidSelected(core::Value(std::move(chapter)), Catalogue::kLunyu);
        m_nav->popViewControllerAnimated(false);
        settle();
    }
    waitFor([] { return false; }, 0.5); // the stalled answer comes and finds no screen
    pass(1.5);
    EXPECT_EQ(top(), home.get());
    EXPECT_EQ(m_nav->viewControllers().size(), 1u);
}

} // namespace
} // namespace pw::test

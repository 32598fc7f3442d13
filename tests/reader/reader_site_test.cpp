// The reading screen and its chapter list against the stand-in site: a turn
// past a chapter's end into a chapter fetched on demand, a paid chapter
// through the purchase screen, and the list's update.
#include "site/SiteTest.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/config/RZConfig.h"
#include "foundation/db/BookDB.h"
#include "foundation/frame/RZNavigationController.h"
#include "platform/ui/AlertView.h"
#include "reader/PageViewController.h"
#include "reader/RZChapterListViewController.h"
#include "reader/ReaderContentsScreens.h"
#include "reader/ReaderSiteClients.h"
#include "reading/page/FixedAdvanceTypesetter.h"
#include "reading/turn/PageManager.h"
#include "site/BookContentDownloader.h"
#include "site/IGetBookInfo.h"
#include "platform/core/Text.h"

#include <algorithm>
#include <deque>

namespace pw::test {
namespace {

using standin::Catalogue;

core::Value::Array entriesOf(const standin::Book& book, size_t count) {
    core::Value::Array out;
    for (size_t i = 0; i < count && i < book.chapters.size(); ++i) {
        const auto& c = book.chapters[i];
        out.push_back(core::Value(core::Value::Map{{"c", core::Value(c.id)},
                                                   {"n", core::Value(c.name)},
                                                   {"v", core::Value(c.vip ? 1 : 0)},
                                                   {"p", core::Value(c.price)},
                                                   {"t", core::Value(c.time)},
                                                   {"w", core::Value(c.words)},
                                                   {"vc", core::Value(c.volumeCode)}}));
    }
    return out;
}

class ReaderSiteTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        logInAsReader();
        nav = RZNavigationController::create(ui::ViewController::create<ui::ViewController>());
        m_window->setRootViewController(nav);
        ui::test::UiTest::settle();
    }
    void TearDown() override {
        ReaderSiteClients::setPurchaseScreenMaker({});
        PageViewController::setContentsScreenMaker({});
        nav.reset();
        SiteTest::TearDown();
    }

    // The book's chapter list as the shelf stores it for the reader.
    void storeChapterList(int64_t book) {
        Answers answers;
        auto info = IGetBookInfo::create();
        info->getBookInfoByRZBookId(book, answers.receiver, answers.selector(), nullptr, m_user, false);
        ASSERT_TRUE(waitFor([&] { return !answers.values.empty(); }));
        ASSERT_EQ(answers.values[0][0].asInt(), 1);
    }

    // The reading screen on a stored chapter of a site book, paging with the
    // fixed-advance breaker, on the real site clients.
    std::shared_ptr<PageViewController> openReader(int64_t book, const standin::Chapter& chapter) {
        EXPECT_TRUE(BookDB::saveChapterWithRZBookId(book, chapter.id, chapter.text));
        auto screen = PageViewController::create();
        screen->bookFormat = 1;
        screen->rzBookId = book;
        screen->chapterId = chapter.id;
        screen->contentTitle = chapter.name;
        screen->content = core::text::toUtf16Lenient(chapter.name + "\n\n" + chapter.text);
        screen->setPageManagerMaker([this] {
            auto mgr = std::make_unique<PageManager>([] { return std::make_unique<FixedAdvanceTypesetter>(); });
            mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
            return mgr;
        });
        auto config = std::make_shared<RZConfig>(DeviceKind::Phone);
        config->setCanvasSize({320, 480});
        config->setPageTurningType(0);
        screen->setRzConfig(config);
        ReaderSiteClients::attach(screen);
        nav->pushViewController(screen, false);
        ui::test::UiTest::settle();
        runPreloads();
        return screen;
    }

    void runPreloads() {
        while (!m_preloads.empty()) {
            auto job = std::move(m_preloads.front());
            m_preloads.pop_front();
            job();
        }
    }

    // Pages forward until the download prompt comes up, then says yes.
    void turnToThePromptAndConfirm(PageViewController& screen, int64_t expected) {
        for (int i = 0; i < 400 && !screen.downloadPrompt(); ++i) {
            screen.handleRZViewTap({300, 400});
            runPreloads();
        }
        ASSERT_TRUE(screen.downloadPrompt());
        EXPECT_EQ(
            screen.chapters().downType(),
            (ReaderAction{ReaderActionDownloadChapter, book(Catalogue::kShijing).chapter(expected)->vip, expected}));
        // As a tap on "确定" does it.
        auto* prompt = screen.downloadPrompt();
        prompt->dismissWithClickedButtonIndex(prompt->firstOtherButtonIndex(), false);
        ui::test::UiTest::settle();
    }

    bool hasTip(PageViewController& screen, const std::string& tip) {
        return std::find(screen.tips().begin(), screen.tips().end(), tip) != screen.tips().end();
    }

    std::shared_ptr<RZNavigationController> nav;
    std::deque<std::function<void()>> m_preloads;
    const std::string m_user = std::to_string(standin::StandinSite::kReaderId);
};

TEST_F(ReaderSiteTest, TurningPastTheChapterEndFetchesTheNextChapterAndOpensIt) {
    const auto& songs = book(Catalogue::kShijing);
    storeChapterList(Catalogue::kShijing);
    auto screen = openReader(Catalogue::kShijing, songs.chapters[0]);
    const auto& next = songs.chapters[1];
    ASSERT_FALSE(next.vip);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kShijing, next.id), 0);

    turnToThePromptAndConfirm(*screen, next.id);
    ASSERT_TRUE(waitFor([&] { return screen->chapters().chapterId == next.id; }));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kShijing, next.id), 1);
    EXPECT_TRUE(hasTip(*screen, "正在打开..."));
    EXPECT_EQ(screen->chapters().contentTitle, next.name);
    // The new chapter opens at its first page.
    runPreloads();
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    EXPECT_EQ(m_site->count(standin::Host::File, BookContentDownloader::freeChapterPath(Catalogue::kShijing, next.id)),
              1u);
}

TEST_F(ReaderSiteTest, APaidChapterGoesThroughThePurchaseScreenAndOpensOnceBought) {
    const auto& songs = book(Catalogue::kShijing);
    storeChapterList(Catalogue::kShijing);
    // Chapter 3 is paid (the reader already owns it on the stand-in).
    const auto& paid = songs.chapters[3];
    ASSERT_TRUE(paid.vip);
    struct Handoff {
        int64_t book = 0, chapter = 0;
        std::function<void(const std::string&)> callback;
        std::shared_ptr<ui::ViewController> screen;
    };
    std::vector<Handoff> handoffs;
    std::shared_ptr<PageViewController> screen;
    bool tipBeforeHandoff = false;
    ReaderSiteClients::setPurchaseScreenMaker(
        [&](int64_t book, int64_t chapter, std::function<void(const std::string&)> callback) {
            // The overlay shows first, and the purchase screen comes after it.
            tipBeforeHandoff = screen && hasTip(*screen, "正在下载章节，请稍候...");
            handoffs.push_back({book, chapter, std::move(callback), ui::ViewController::create<ui::ViewController>()});
            return handoffs.back().screen;
        });
    screen = openReader(Catalogue::kShijing, songs.chapters[2]);
    turnToThePromptAndConfirm(*screen, paid.id);
    ASSERT_TRUE(waitFor([&] { return hasTip(*screen, "正在下载章节，请稍候...") || !handoffs.empty(); }));
    advance(ReaderSiteClients::kPurchaseDelay + 0.1);
    ui::test::UiTest::settle();
    ASSERT_EQ(handoffs.size(), 1u);
    EXPECT_TRUE(tipBeforeHandoff);
    EXPECT_EQ(handoffs[0].book, Catalogue::kShijing);
    EXPECT_EQ(handoffs[0].chapter, paid.id);
    EXPECT_EQ(nav->viewControllers().back(), handoffs[0].screen);

    // The purchase screen's answer: that chapter was bought.
    nav->popViewControllerAnimated(false);
    handoffs[0].callback(std::to_string(Catalogue::kShijing) + "," + std::to_string(paid.id));
    EXPECT_TRUE(hasTip(*screen, "章节下载中..."));
    ASSERT_TRUE(waitFor([&] { return screen->chapters().chapterId == paid.id; }));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kShijing, paid.id), 1);
    EXPECT_EQ(screen->chapters().contentTitle, paid.name);
}

TEST_F(ReaderSiteTest, TheReadersChapterListUpdatesFromTheSiteAndAClosedOneHearsNothing) {
    const auto& songs = book(Catalogue::kShijing);
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Catalogue::kShijing));
    ASSERT_TRUE(BookDB::addChapters(entriesOf(songs, 6), Catalogue::kShijing));
    ReaderContentsScreens::install();
    auto screen = openReader(Catalogue::kShijing, songs.chapters[0]);
    screen->handleBtnChoose(10011);
    ui::test::UiTest::settle();
    auto list = std::dynamic_pointer_cast<RZChapterListViewController>(nav->viewControllers().back());
    ASSERT_TRUE(list);
    ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
    EXPECT_EQ(list->table()->indexPathForSelectedRow(), (ui::IndexPath{0, 0}));
    auto rows = [&] {
        int64_t n = 0;
        for (int64_t s = 0; s < list->table()->numberOfSections(); ++s)
            n += list->table()->numberOfRows(s);
        return n;
    };
    EXPECT_EQ(rows(), 6);

    list->rightItemBtnClick();
    EXPECT_FALSE(list->canSelectItem());
    ASSERT_TRUE(waitFor([&] { return rows() == static_cast<int64_t>(songs.chapters.size()); }));
    // The newest chapter flashes for 0.6 s, then the list takes taps again.
    const int64_t lastSection = list->table()->numberOfSections() - 1;
    EXPECT_EQ(list->table()->indexPathForSelectedRow(),
              (ui::IndexPath{lastSection, list->table()->numberOfRows(lastSection) - 1}));
    EXPECT_FALSE(list->canSelectItem());
    advance(0.7);
    ui::test::UiTest::settle();
    EXPECT_FALSE(list->table()->indexPathForSelectedRow());
    EXPECT_TRUE(list->canSelectItem());
    EXPECT_FALSE(list->isUpdating());

    // An update still running when the list closes reports nothing to it.
    list->rightItemBtnClick();
    const auto before = list->groups().arrVolume;
    nav->popViewControllerAnimated(true);
    ui::test::UiTest::settle();
    EXPECT_FALSE(list->checkLogin());
    EXPECT_FALSE(list->iGetBookInfo());
    waitFor([] { return false; }, 0.5);
    EXPECT_FALSE(list->isUpdating());
    EXPECT_TRUE(list->lastTip().empty());
    EXPECT_EQ(list->groups().arrVolume, before);
    EXPECT_EQ(nav->viewControllers().back(), screen);

    // A pick in a fresh list opens a stored chapter in the reader.
    const auto& picked = songs.chapters[4];
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Catalogue::kShijing, picked.id, picked.text));
    screen->handleBtnChoose(10011);
    ui::test::UiTest::settle();
    auto again = std::dynamic_pointer_cast<RZChapterListViewController>(nav->viewControllers().back());
    ASSERT_TRUE(again && waitFor([&] { return again->hasData(); }));
    std::optional<ui::IndexPath> where;
    for (size_t s = 0; s < again->groups().arrVolume.size() && !where; ++s)
        for (size_t r = 0; r < again->groups().section(s).size(); ++r)
            if (again->groups().section(s)[r].cid == picked.id)
                where = ui::IndexPath{static_cast<int64_t>(s), static_cast<int64_t>(r)};
    ASSERT_TRUE(where);
    again->didSelectRow(*again->table(), *where);
    ui::test::UiTest::settle();
    EXPECT_EQ(nav->viewControllers().back(), screen);
    EXPECT_TRUE(nav->isNavigationBarHidden());
    EXPECT_EQ(screen->chapters().chapterId, picked.id);
    EXPECT_EQ(screen->chapters().contentTitle, picked.name);
}

} // namespace
} // namespace pw::test

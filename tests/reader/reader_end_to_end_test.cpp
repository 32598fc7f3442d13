// Local books end to end on a headless screen: opened the way the shelf opens
// them (the chapter or chunk of the stored place), turned in every page-turn
// mode, closed, and opened again on the same page.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/db/BookTB.h"
#include "platform/ui/NavigationController.h"
#include "reader/PageHelpMenu.h"
#include "reader/PageViewController.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/TurnTestSupport.h"
#include "reading/txt/TxtFile.h"
#include "reading/txt/TxtTestFiles.h"
#include "reading/umd/UmdWriter.h"
#include "support/PoetryBooks.h"

namespace pw {
namespace {

struct Place {
    int64_t chapter = 0; // UMD chapter offset, TXT chunk start
    int64_t start = 0;   // the first character of the page shown
    friend bool operator==(const Place&, const Place&) = default;
};

class ReaderEndToEndTest : public test::TurnTest {
protected:
    void SetUp() override {
        TurnTest::SetUp();
        nav = ui::ViewController::create<ui::NavigationController>(ui::ViewController::create());
        m_window->setRootViewController(nav);
        settle();
        umd.chapters = {{u"第一章", std::u16string(700, u'甲')},
                        {u"第二章", std::u16string(700, u'乙')},
                        {u"第三章", std::u16string(700, u'丙')}};
        umdPath = (m_home / "book.umd").string();
        test::UmdWriter::write(umdPath, umd.build());
        txtPath = (m_home / "book.txt").string();
        std::ofstream(txtPath, std::ios::binary)
            << test::bookOfSize(TxtFile::Encoding::Utf8, 3 * TxtFile::kPhoneBlockLength, false, true);
    }
    void TearDown() override {
        nav.reset();
        TurnTest::TearDown();
    }

    int64_t storedChapter(int64_t book) const {
        const auto row = BookTB::getBookReadingInfoByBookId(book);
        // Position2, LastReadTime, LastReadChapter (the title), ReadPercent, Position.
        return row && row->size() > 4 ? std::max<int64_t>(0, (*row)[4].asInt().value_or(0)) : 0;
    }

    // What the shelf does for a local book: the stored chapter (UMD) or chunk
    // (TXT) becomes the text; the reader finds the page in it.
    std::shared_ptr<PageViewController> openBook(int format, const std::string& path, int64_t book, int turnType,
                                                 bool pango = false) {
        auto screen = PageViewController::create();
        screen->bookFormat = format;
        screen->bookId = book;
        screen->filePath = path;
        const int64_t chapter = storedChapter(book);
        if (format == 2) {
            const auto offsets = umd.chapterOffsets();
            size_t i = 0;
            while (i + 1 < offsets.size() && offsets[i] != chapter)
                ++i;
            if (offsets[i] != chapter)
                i = 0;
            screen->chapterId = offsets[i];
            screen->contentTitle = std::string(i == 0 ? "第一章" : i == 1 ? "第二章" : "第三章");
            screen->content = umd.chapters[i].title + u"\n\n" + umd.chapters[i].text;
            screen->umdContentTotalLength = static_cast<int64_t>(umd.wholeText().size()) * 2;
        } else {
            TxtFile file;
            file.loadTxtFile(path);
            std::optional<std::u16string> chunk;
            file.getNextBlockContentWithStart(chapter, file.totalLength(), path, chunk);
            screen->contentTitle = "书";
            screen->content = chunk.value_or(u"");
            screen->txtContentTotalLength = file.totalLength();
        }
        screen->setPageManagerMaker([this, pango] {
            auto mgr =
                pango ? std::make_unique<PageManager>()
                      : std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
            mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
            return mgr;
        });
        auto config = phoneConfig(turnType);
        screen->setRzConfig(config);
        nav->pushViewController(screen, false);
        settle();
        runPreloads();
        PageHelpMenu::hideMenu(*screen->pageMgr()->pageView(), {0, 0});
        return screen;
    }

    static Place placeOf(PageViewController& screen) {
        const auto& mgr = *screen.pageMgr();
        const int64_t chapter =
            mgr.bookFormat() == BookFormat::Txt ? TxtFile::getChunkStartOffset(mgr.filePath()) : mgr.chapterId();
        return {chapter, mgr.currPage()->start};
    }

    void close(std::shared_ptr<PageViewController>& screen) {
        screen->goToMainView();
        settle();
        std::weak_ptr<PageViewController> weak = screen;
        screen.reset();
        EXPECT_TRUE(weak.expired());
    }

    // Forward by a drag for the drag and curl types, by a tap otherwise.
    void turnForward(int turnType) {
        const bool vertical = turnType == 4 || turnType == 5;
        if (turnType == 1 || turnType == 2 || turnType == 4)
            drag(vertical ? gfx::Point{160, 420} : gfx::Point{300, 300},
                 vertical ? gfx::Point{160, 120} : gfx::Point{20, 300}, 0.2, 10);
        else
            tap({300, 420});
        settle();
        runPreloads();
    }

    std::shared_ptr<ui::NavigationController> nav;
    test::UmdWriter umd;
    std::string umdPath, txtPath;
};

TEST_F(ReaderEndToEndTest, EveryTurnTypeTurnsAndThePlaceOutlivesTheScreen) {
    for (int format : {2, 3}) {
        for (int type = 0; type <= 5; ++type) {
            SCOPED_TRACE("format " + std::to_string(format) + " type " + std::to_string(type));
            int64_t book = 0;
            ASSERT_EQ(BookTB::addLocalBookWithBookName("书" + std::to_string(format * 10 + type), "",
                                                       format == 2 ? umdPath : txtPath, format == 2 ? "UMD" : "TXT", "",
                                                       &book),
                      0);
            auto screen = openBook(format, format == 2 ? umdPath : txtPath, book, type);
            const Place first = placeOf(*screen);
            EXPECT_EQ(first.start, 0);
            for (int i = 0; i < 4; ++i)
                turnForward(type);
            const Place reached = placeOf(*screen);
            EXPECT_TRUE(reached.chapter != first.chapter || reached.start > first.start);
            close(screen);

            auto again = openBook(format, format == 2 ? umdPath : txtPath, book, type);
            EXPECT_EQ(placeOf(*again), reached);
            close(again);
        }
    }
}

TEST_F(ReaderEndToEndTest, UmdTurnsIntoTheNextChapterAndReopensThere) {
    int64_t book = 0;
    ASSERT_EQ(BookTB::addLocalBookWithBookName("书", "", umdPath, "UMD", "", &book), 0);
    auto screen = openBook(2, umdPath, book, 3);
    const auto offsets = umd.chapterOffsets();
    for (int i = 0; i < 60 && screen->pageMgr()->chapterId() == offsets[0]; ++i)
        turnForward(3);
    ASSERT_EQ(screen->pageMgr()->chapterId(), offsets[1]);
    turnForward(3);
    const Place reached = placeOf(*screen);
    close(screen);
    auto again = openBook(2, umdPath, book, 3);
    EXPECT_EQ(placeOf(*again), reached);
    EXPECT_EQ(again->chapters().contentTitle, "第二章");
}

// A GB18030 book the size of a long novel, laid out with the real line
// breaker: a percent jump deep into the book, then close and reopen on that page.
TEST_F(ReaderEndToEndTest, ALongBookReopensWhereItWasLeft) {
    const std::string path = (m_home / "long.txt").string();
    std::string problem;
    ASSERT_TRUE(test::writeLongPoetryBook(path, "GB18030", &problem)) << problem;
    int64_t book = 0;
    ASSERT_EQ(BookTB::addLocalBookWithBookName("诗书", "", path, "TXT", "", &book), 0);
    auto screen = openBook(3, path, book, 3, true);
    EXPECT_NE(screen->pageMgr()->currPage()->pageText.find(u"学而"), std::u16string::npos);
    screen->showPageSliderMenu(0x10);
    screen->sliderMenuProcess(50);
    runPreloads();
    turnForward(3);
    const Place reached = placeOf(*screen);
    EXPECT_GT(reached.chapter, 0); // a chunk in the middle of the file
    const std::u16string text = screen->pageMgr()->currPage()->pageText;
    close(screen);
    auto again = openBook(3, path, book, 3, true);
    EXPECT_EQ(placeOf(*again), reached);
    EXPECT_EQ(again->pageMgr()->currPage()->pageText, text);
}

} // namespace
} // namespace pw

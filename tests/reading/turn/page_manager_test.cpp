#include "TurnTestSupport.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/BookmarkTB.h"
#include "platform/core/Thread.h"

#include <condition_variable>
#include <mutex>

namespace pw::test {
namespace {

using Labels = std::map<const void*, std::string>;
using gfx::Rect;

constexpr gfx::Point kForward{300.7, 240.2};
constexpr gfx::Point kBackward{10, 240};
constexpr gfx::Point kDown{160, 400};
constexpr gfx::Point kUp{160, 50};

class PageManagerTest : public TurnTest {
protected:
    // The stored reading place: (start of the page, chapter id).
    std::pair<int64_t, int64_t> storedPlace() {
        auto row = BookTB::getBookReadingInfoByBookId(m_bookId);
        EXPECT_TRUE(row && row->size() >= 5);
        if (!row || row->size() < 5)
            return {-1, -1};
        return {(*row)[0].asInt().value_or(-1), (*row)[4].asInt().value_or(-1)};
    }
};

TEST_F(PageManagerTest, ForwardSeamAsksOnceThenShowsTheNextChaptersFirstPage) {
    const auto text = chapter(u'甲', 700);
    auto m = makeManager(text, kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    int turns = 0;
    while (!m->isLastPage() && turns < 50) {
        m->tapTurning(kForward);
        ++turns;
    }
    ASSERT_TRUE(m->isLastPage());
    ASSERT_GT(turns, 1);
    EXPECT_TRUE(m_delegate->calls.empty()) << "no seam question before the last page";
    EXPECT_EQ(m->currPage()->end, static_cast<int64_t>(text.size()) - 1);

    // No next chapter: the delegate hears atLastPage and nothing turns.
    m_fakeView->calls.clear();
    const auto last = m->currPage();
    m->tapTurning(kForward);
    EXPECT_EQ(m_delegate->calls, (std::vector<std::string>{"canLoadAnotherChapter(next)", "atLastPage"}));
    EXPECT_TRUE(m_fakeView->calls.empty());
    EXPECT_EQ(m->currPage(), last);
    ASSERT_EQ(m_delegate->seamData.size(), 1u);
    EXPECT_FALSE(m_delegate->seamData[0].has_value()) << "site books pass no data";

    // With one: one question, and the first page of the next chapter.
    m_delegate->calls.clear();
    const auto next = chapter(u'乙', 500);
    m_delegate->nextText = next;
    m_delegate->nextChapterId = 101;
    m->tapTurning(kForward);
    EXPECT_EQ(m_delegate->calls, (std::vector<std::string>{"canLoadAnotherChapter(next)"}));
    ASSERT_TRUE(m->currPage());
    EXPECT_EQ(m->currPage()->start, 0);
    EXPECT_EQ(m->currPage()->pageText, next.substr(0, m->currPage()->pageText.size()));
    EXPECT_EQ(storedPlace(), std::make_pair(int64_t{0}, int64_t{101}));
}

TEST_F(PageManagerTest, BackwardSeamLandsOnThePreviousChaptersLastPage) {
    auto m = makeManager(chapter(u'乙', 500), kTurnCurl);
    m->getPageFromPosition(-1);
    const auto prev = chapter(u'甲', 900);
    m_delegate->prevText = prev;
    m_delegate->prevChapterId = 99;
    m->tapTurning(kBackward);
    EXPECT_EQ(m_delegate->calls, (std::vector<std::string>{"canLoadAnotherChapter(prev)"}));
    ASSERT_TRUE(m->currPage());
    EXPECT_EQ(m->currPage()->end, static_cast<int64_t>(prev.size()) - 1);
    EXPECT_GT(m->currPage()->start, 0);
    EXPECT_EQ(m->chapterId(), 99);
    // And the way back forward continues right after it, from the cache.
    runPreloads();
    EXPECT_TRUE(m->pageCache().find(m->currPage()->start - 1));
}

TEST_F(PageManagerTest, EachTurnTypeCallsThePageViewInItsOrder) {
    struct Case {
        int type;
        bool tap;
        bool forward;
        std::vector<std::string> calls;
    };
    const std::string pf = "(300,240)", pb = "(10,240)", pd = "(160,400)", pu = "(160,50)";
    const std::vector<Case> cases = {
        {0, true, true, {"setCanvas(new)"}},
        {0, false, false, {"setCanvas(new)"}},
        {1, true, true, {"setBottomPageImage(new)", "setFinalImage(new)", "touchesBegan" + pf, "touchesEnded" + pf}},
        {1, false, true, {"setBottomPageImage(new)", "setFinalImage(new)", "touchesBeganSmooth" + pf}},
        {1, true, false, {"setBottomPageImage(old)", "touchesBegan" + pb, "touchesEnded" + pb, "setTopPageImage(new)"}},
        {1, false, false, {"setBottomPageImage(old)", "touchesBeganSmooth" + pb, "setTopPageImage(new)"}},
        {2, true, true, {"setRightPageImage(new)", "setFinalImage(new)", "touchesBegan" + pf, "touchesEnded" + pf}},
        {2, false, true, {"setRightPageImage(new)", "setFinalImage(new)", "touchesBegan" + pf}},
        {2, true, false, {"setRightPageImage(old)", "touchesBegan" + pb, "setLeftPageImage(new)", "touchesEnded" + pb}},
        {2, false, false, {"setRightPageImage(old)", "touchesBeganSmooth" + pb, "setLeftPageImage(new)"}},
        {3, false, true, {"setRightPageImage(new)", "setFinalImage(new)", "touchesBegan" + pf}},
        {3, false, false, {"setRightPageImage(old)", "touchesBegan" + pb, "setLeftPageImage(new)"}},
        {3, true, false, {"setRightPageImage(old)", "touchesBegan" + pb, "setLeftPageImage(new)", "touchesEnded" + pb}},
        {4, true, true, {"setBottomPageImage(new)", "setFinalImage(new)", "touchesBegan" + pd, "touchesEnded" + pd}},
        {4, false, true, {"setBottomPageImage(new)", "setFinalImage(new)", "touchesBegan" + pd}},
        {4, true, false, {"setBottomPageImage(old)", "touchesBegan" + pu, "touchesEnded" + pu, "setTopPageImage(new)"}},
        {4, false, false, {"setBottomPageImage(old)", "touchesBeganSmooth" + pu, "setTopPageImage(new)"}},
        {5,
         true,
         true,
         {"setSplitLineShow(NO)", "setBottomPageImage(new)", "setFinalImage(new)", "touchesBegan" + pd,
          "touchesEnded" + pd}},
        {5,
         false,
         true,
         {"setSplitLineShow(YES)", "setBottomPageImage(new)", "setFinalImage(new)", "touchesBegan" + pd}},
        {5,
         true,
         false,
         {"setSplitLineShow(NO)", "setBottomPageImage(old)", "touchesBegan" + pu, "setTopPageImage(new)",
          "touchesEnded" + pu}},
        {5,
         false,
         false,
         {"setSplitLineShow(YES)", "setBottomPageImage(old)", "touchesBegan" + pu, "setTopPageImage(new)"}},
    };
    const auto text = chapter(u'丙', 1500);
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + (c.tap ? " tap" : " pan") + (c.forward ? " forward" : " back"));
        auto m = makeManager(text, c.type);
        m->getPageFromPosition(600); // pages on both sides
        runPreloads();
        const auto old = m->currPage();
        m_fakeView->calls.clear();
        const bool vertical = c.type == 4 || c.type == 5;
        const gfx::Point p = vertical ? (c.forward ? kDown : kUp) : (c.forward ? kForward : kBackward);
        if (c.tap)
            m->tapTurning(p);
        else
            m->panTurningBegin(p);
        ASSERT_NE(m->currPage(), old);
        EXPECT_EQ(c.forward ? m->currPage()->start : m->currPage()->end, c.forward ? old->end + 1 : old->start - 1);
        const Labels labels{{old->pageImage.surface(), "old"}, {m->currPage()->pageImage.surface(), "new"}};
        EXPECT_EQ(m_fakeView->describe(labels), c.calls);
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, PanMovesFollowTheFingerByTurnType) {
    struct Case {
        int type;
        gfx::Point origin;
        gfx::Point current;
        std::vector<std::string> moves; // what the view hears, nothing when ignored
    };
    const std::vector<Case> cases = {
        {1, {300, 240}, {200.6, 250}, {"touchesMoved(200,250)"}},
        {2, {300, 240}, {200, 250}, {"touchesMoved(220,250)"}}, // 320 - 100
        {2, {300, 240}, {310, 250}, {}},                        // forward drag moving right: ignored
        {2, {10, 240}, {150, 250}, {"touchesMoved(150,250)"}},
        {3, {300, 240}, {200, 250}, {"touchesMoved(220,250)"}},
        {3, {10, 240}, {150, 250}, {"touchesMoved(140,250)"}},
        {3, {10, 240}, {5, 250}, {}},
        {4, {160, 400}, {170, 300}, {"touchesMoved(170,380)"}}, // 480 - 100
        {5, {160, 50}, {170, 150}, {"touchesMoved(170,100)"}},
        {0, {300, 240}, {200, 250}, {}},
    };
    const auto text = chapter(u'丁', 1500);
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        auto m = makeManager(text, c.type);
        m->getPageFromPosition(600);
        m_fakeView->calls.clear();
        m->panTurningChanged(c.current, c.origin);
        EXPECT_EQ(m_fakeView->describe({}), c.moves);
        m_fakeView->calls.clear();
        m->panTurningEnd(c.current, c.origin);
        std::vector<std::string> end;
        if (c.type == 5)
            end.push_back("setSplitLineShow(NO)");
        if (c.type != 0) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "touchesEnded(%g,%g)", std::trunc(c.current.x), std::trunc(c.current.y));
            end.push_back(buf);
        }
        EXPECT_EQ(m_fakeView->describe({}), end);
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, PercentagesByFormat) {
    auto m = makeManager(chapter(u'戊', 1000), kTurnSwipeHorizontal);
    m->getPageFromPosition(199); // the page starts at 200
    ASSERT_EQ(m->currPage()->start, 200);
    struct Case {
        BookFormat format;
        int64_t chapterId;
        int64_t umdTotal;
        int64_t txtTotal;
        int64_t bStart;
        float percent;
    };
    const std::vector<Case> cases = {
        {BookFormat::Site, 0, 0, 0, 0, 20.1f},                                  // (200 + 1) * 100 / 1000
        {BookFormat::Umd, 2000, 10000, 0, 0, (200 + 1000 + 1) / 5000.0f * 100}, // chapter offset / 2 in characters
        {BookFormat::Umd, 2000, 1, 0, 0, 0},                                    // half of 1 is 0: no division by zero
        {BookFormat::Txt, 0, 0, 4000, 1000, 25},
        {static_cast<BookFormat>(7), 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        m->setBookFormat(c.format);
        m->setChapterId(c.chapterId);
        m->setUmdContentTotalLength(c.umdTotal);
        m->setTxtContentTotalLength(c.txtTotal);
        m->setTxtLoadAll(true);
        m->currPage()->bStart = c.bStart;
        EXPECT_FLOAT_EQ(m->getPercent(), c.percent) << static_cast<int>(c.format);
    }
    // The last page of a site chapter reads as 100.
    m->setBookFormat(BookFormat::Site);
    m->getPageToPosition(1000);
    EXPECT_FLOAT_EQ(m->getCorrectionOfPercent(), 100);
}

TEST_F(PageManagerTest, PercentJumps) {
    const auto text = chapter(u'己', 1000);
    struct Case {
        BookFormat format;
        int percent;
        int64_t total;
        int64_t pageStart;    // site books: the page shown
        std::string delegate; // others: what the delegate is asked
    };
    const std::vector<Case> cases = {
        {BookFormat::Site, 0, 0, 0, ""},
        {BookFormat::Site, 50, 0, 501, ""},
        {BookFormat::Site, 100, 0, 995, ""},                        // the length itself becomes length - 6
        {BookFormat::Umd, 3, 1700, 0, "loadContentWithOffset(50)"}, // 51 is odd: lowered
        {BookFormat::Umd, 4, 1700, 0, "loadContentWithOffset(68)"},
        {BookFormat::Txt, 10, 12345, 0, "loadContentWithOffset(1230)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        auto m = makeManager(text, kTurnSwipeHorizontal);
        m->setBookFormat(c.format);
        m->setUmdContentTotalLength(c.total);
        m->setTxtContentTotalLength(c.total);
        m_delegate->calls.clear();
        m->goToPercent(c.percent);
        if (c.format == BookFormat::Site) {
            ASSERT_TRUE(m->currPage());
            EXPECT_EQ(m->currPage()->start, c.pageStart);
            EXPECT_TRUE(m_delegate->calls.empty());
        } else {
            EXPECT_EQ(m_delegate->calls, std::vector<std::string>{c.delegate});
        }
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, AStalePreloadIsNeverServed) {
    const auto text = chapter(u'庚', 2000);
    auto m = makeManager(text, kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    ASSERT_EQ(m_preloads.size(), 1u);
    // The turn finds nothing cached and lays the page out; its own preload follows.
    m->tapTurning(kForward);
    ASSERT_EQ(m_preloads.size(), 2u);
    auto older = std::move(m_preloads.front());
    m_preloads.pop_front();
    older(); // the first page's neighbours: refused
    EXPECT_EQ(m->pageCache().size(), 0u);
    runPreloads();
    EXPECT_EQ(m->pageCache().size(), 2u);
    const auto cached = m->pageCache().find(m->currPage()->end + 1);
    ASSERT_TRUE(cached);
    m->tapTurning(kForward);
    EXPECT_EQ(m->currPage(), cached) << "the turn is served from the cache";

    // A preload of the old text after a new text arrived.
    m_preloads.clear();
    m->getPageFromPosition(-1);
    m->setData(chapter(u'辛', 2000));
    runPreloads();
    EXPECT_EQ(m->pageCache().size(), 0u);

    // A preload laid out before the font changed.
    m->getPageFromPosition(-1);
    auto beforeFont = std::move(m_preloads.back());
    m_preloads.clear();
    m->fontSizeChangedHandler(28);
    beforeFont();
    EXPECT_EQ(m->pageCache().size(), 0u);
    runPreloads();
    ASSERT_EQ(m->pageCache().size(), 1u);
    m->tapTurning(kForward);
    EXPECT_EQ(m->currPage()->start, m->currPage()->start); // turned without fault
    // The book closes while a preload is still to run: it touches nothing.
    m.reset();
    runPreloads();
}

TEST_F(PageManagerTest, PreloadsOnRealThreadsKeepTheCacheWhole) {
    auto m = makeManager(chapter(u'壬', 4000), kTurnSwipeHorizontal);
    // Detached threads, as in the reader; the test waits for the last before it ends.
    std::mutex mutex;
    std::condition_variable done;
    int running = 0;
    m->setPreloadLauncher([&](std::function<void()> job) {
        {
            std::lock_guard lock(mutex);
            ++running;
        }
        core::Thread::detach([&, job = std::move(job)] {
            job();
            std::lock_guard lock(mutex);
            --running;
            done.notify_all();
        });
    });
    m->getPageFromPosition(-1);
    for (int i = 0; i < 8; ++i) {
        const auto before = m->currPage();
        m->tapTurning(kForward);
        ASSERT_TRUE(m->currPage());
        EXPECT_EQ(m->currPage()->start, before->end + 1);
    }
    for (int i = 0; i < 4; ++i) {
        const auto before = m->currPage();
        m->tapTurning(kBackward);
        EXPECT_EQ(m->currPage()->end, before->start - 1);
    }
    m.reset(); // preloads may still run: they keep their own copies
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return running == 0; });
}

TEST_F(PageManagerTest, TheReadingPlaceIsSavedAfterTurnsAndNeverWithoutAPage) {
    const auto text = chapter(u'癸', 1200);
    auto m = makeManager(text, kTurnCurl);
    m->getPageFromPosition(-1);
    m->tapTurning(kForward);
    const int64_t start = m->currPage()->start;
    ASSERT_GT(start, 0);
    EXPECT_EQ(storedPlace(), std::make_pair(start, int64_t{100}));

    // A jump past the end lays out no page: the stored place stays.
    m->getPageFromPosition(static_cast<int64_t>(text.size()) + 10);
    EXPECT_FALSE(m->currPage());
    EXPECT_FALSE(m->saveBookReadingInfo());
    EXPECT_EQ(storedPlace(), std::make_pair(start, int64_t{100}));
    EXPECT_FALSE(m->addBookmark());
}

TEST_F(PageManagerTest, TheTouchIsTakenInWholePointsBeforeTheSeamTest) {
    // In a view 321 points wide the middle line is x = 160.5: a touch at 160.7 is
    // in the forward half, its whole point 160 in the backward half.
    struct Case {
        double x;
        bool gesturePan;
        std::vector<std::string> delegateCalls;
        bool turnedBack;
    };
    const std::vector<Case> cases = {
        {160.7, false, {"canLoadAnotherChapter(prev)", "atFirstPage"}, false},
        {160.2, false, {"canLoadAnotherChapter(prev)", "atFirstPage"}, false},
        {161.0, false, {}, false},
        {160.7, true, {}, true},
    };
    const auto text = chapter(u'庚', 1500);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        m_delegate->calls.clear();
        auto view = ui::View::create<FakePageView>(Rect(0, 0, 321, 480));
        auto m = makeManager(text, kTurnSwipeHorizontal, view);
        if (c.gesturePan) {
            m->getPageFromPosition(600);
            const int64_t start = m->currPage()->start;
            m->panTurningBegin({c.x, 240.6});
            EXPECT_EQ(m->currPage()->end, start - 1) << "the load turns the way the view is told";
            const auto calls = view->describe({});
            EXPECT_NE(std::find(calls.begin(), calls.end(), "touchesBegan(160,240)"), calls.end());
        } else {
            m->getPageFromPosition(-1);
            const auto first = m->currPage();
            m->tapTurning({c.x, 240});
            EXPECT_EQ(m->currPage() == first, !c.delegateCalls.empty());
        }
        EXPECT_EQ(m_delegate->calls, c.delegateCalls);
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, ASeamWithoutAPageKeepsNothingUnderTheNewChapter) {
    const auto text = chapter(u'辛', 500);
    for (const bool pan : {false, true}) {
        SCOPED_TRACE(pan ? "pan" : "tap");
        auto m = makeManager(text, kTurnCurl);
        m->getPageToPosition(static_cast<int64_t>(text.size())); // the last page
        const int64_t start = m->currPage()->start;
        ASSERT_EQ(storedPlace(), std::make_pair(start, int64_t{100}));
        // The next chapter is there but empty: the text changes, no page comes.
        m_delegate->nextText = u"";
        m_delegate->nextChapterId = 101;
        if (pan) {
            ASSERT_FALSE(m->isFirstPageOrLastPage(kForward, true));
            m->panTurningBegin(kForward);
            m->panTurningEnd(kForward, kForward);
        } else {
            m->tapTurning(kForward);
        }
        EXPECT_EQ(m->chapterId(), 101);
        EXPECT_EQ(m->currPage()->start, start) << "the old page stays in view";
        EXPECT_EQ(storedPlace(), std::make_pair(start, int64_t{100})) << "its place stays under its own chapter";
        EXPECT_FALSE(m->saveBookReadingInfo());
        EXPECT_FALSE(m->addBookmark());
        // A page of the new text is kept again.
        m->setData(chapter(u'壬', 300));
        m->getPageFromPosition(-1);
        EXPECT_EQ(storedPlace(), std::make_pair(int64_t{0}, int64_t{101}));
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, BookmarkKeepsTheFirstElevenCharacters) {
    struct Case {
        std::u16string text;
        std::string desc;
    };
    const std::vector<Case> cases = {{u"abc", "abc"}, {u"一二三四五六七八九十壹贰叁", "一二三四五六七八九十壹"}};
    for (const auto& c : cases) {
        auto m = makeManager(c.text, kTurnSwipeHorizontal);
        m->getPageFromPosition(-1);
        ASSERT_TRUE(m->addBookmark());
        auto marks = BookmarkTB::getAllBookmarkByBookId(m_bookId);
        ASSERT_TRUE(marks && !marks->empty());
        const auto* mark = marks->back().asMap();
        ASSERT_TRUE(mark);
        EXPECT_EQ(mark->get("desc")->asString().value_or(""), c.desc);
        EXPECT_EQ(mark->get("pos")->asInt().value_or(-1), 100);
        EXPECT_EQ(mark->get("pos2")->asInt().value_or(-1), 0);
        m_window->subviews().back()->removeFromSuperview();
    }
}

TEST_F(PageManagerTest, BrightnessOverlayAndTurnTypeChange) {
    auto m = makeManager(chapter(u'甲', 800), kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    m->setupScreenBrightness(40);
    auto* dim = m_fakeView->viewWithTag(PageManager::kDimmingViewTag);
    ASSERT_TRUE(dim);
    EXPECT_NEAR(dim->alpha(), 0.6, 1e-9);
    EXPECT_EQ(m->rzConfig()->screenBrightness(), 40);
    m->setupScreenBrightness(100);
    EXPECT_FALSE(m_fakeView->viewWithTag(PageManager::kDimmingViewTag));
    EXPECT_EQ(m->rzConfig()->screenBrightness(), 100);

    m->pageCurlChanged(kTurnAutoScroll);
    EXPECT_EQ(m->rzConfig()->pageTurningType(), kTurnSwipeHorizontal) << "auto-scroll is never stored";
    EXPECT_EQ(m_delegate->calls, std::vector<std::string>{"changePageTurningType(6)"});
    m->pageCurlChanged(kTurnCurl);
    EXPECT_EQ(m->rzConfig()->pageTurningType(), kTurnCurl);
    EXPECT_TRUE(m->isPageTurningUpDown() == false);
}

TEST_F(PageManagerTest, AutoScrollStepsOnTheClockAndStopsAtTheChaptersEnd) {
    auto m = makeManager(chapter(u'乙', 400), kTurnSwipeHorizontal);
    m->rzConfig()->setAutoScrollSpeed(0);
    m->getPageFromPosition(-1);
    const auto first = m->currPage();
    m_fakeView->calls.clear();
    m->beginAutoScrollScreen();
    EXPECT_TRUE(m->isRotateLock());
    // The first step moves on to the next page at once.
    advance(0.05);
    ASSERT_NE(m->currPage(), first);
    EXPECT_EQ(m->currPage()->start, first->end + 1);
    const Labels labels{{first->pageImage.surface(), "first"}, {m->currPage()->pageImage.surface(), "second"}};
    auto calls = m_fakeView->describe(labels);
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 5),
              (std::vector<std::string>{"setBottomPageImage(first)", "touchesBegan(1,1)", "setBottomPageImage(first)",
                                        "touchesBegan(0,0)", "setTopPageImage(second)"}));
    EXPECT_EQ(m->autoScrollTop(), 0);
    // 20 points a second at speed 0.
    advance(1.0);
    EXPECT_NEAR(m->autoScrollTop(), 20, 1);
    EXPECT_EQ(storedPlace().first, m->currPage()->start);
    // The chapter's last page: it stops and tells the reader.
    for (int i = 0; i < 4 && m->isAutoScrolling(); ++i)
        advance(25);
    EXPECT_FALSE(m->isAutoScrolling());
    EXPECT_TRUE(m->isLastPage()) << "chapters are not crossed";
    EXPECT_EQ(m_delegate->calls, std::vector<std::string>{"autoScrollScreenEnd"});
    EXPECT_EQ(m->autoScrollTop(), PageManager::kAutoScrollRestingTop);
}

TEST_F(PageManagerTest, ExitingAutoScrollEndsAtTheNextStep) {
    auto m = makeManager(chapter(u'乙', 3000), kTurnSwipeHorizontal);
    m->rzConfig()->setAutoScrollSpeed(2);
    m->getPageFromPosition(-1);
    m->beginAutoScrollScreen();
    advance(0.5);
    advance(1.0);
    m->exitAutoScrollScreen();
    EXPECT_TRUE(m_delegate->calls.empty());
    advance(0.5);
    EXPECT_EQ(m_delegate->calls, std::vector<std::string>{"autoScrollScreenEnd"});
    EXPECT_EQ(storedPlace().first, m->currPage()->start);
    m_delegate->calls.clear();
    advance(2);
    EXPECT_TRUE(m_delegate->calls.empty()) << "the timer is gone";
}

TEST_F(PageManagerTest, AChunkedTxtBookAsksForTheNextChunkAPageEarly) {
    const auto chunk = chapter(u'子', 3000);
    auto m = makeManager(chunk, kTurnSwipeHorizontal);
    m->setBookFormat(BookFormat::Txt);
    m->setTxtLoadAll(false);
    m->setTxtContentTotalLength(1'000'000);
    m->setFilePath((m_home / "none.txt").string());
    m->getPageFromPosition(-1);
    const int64_t estimate = 450; // characters a phone page may hold at size 20
    while (static_cast<int64_t>(chunk.size()) - m->currPage()->end - 1 > estimate) {
        m->tapTurning(kForward);
        ASSERT_TRUE(m_delegate->calls.empty()) << "asked at end " << m->currPage()->end;
    }
    ASSERT_LT(m->currPage()->end, static_cast<int64_t>(chunk.size()) - 1) << "text remains in the chunk";
    const SeamData expected{m->currPage()->start, m->currPage()->end, m->currPage()->bStart, m->currPage()->bEnd};
    const auto next = chapter(u'丑', 3000);
    m_delegate->nextText = next;
    m->tapTurning(kForward);
    EXPECT_EQ(m_delegate->calls, std::vector<std::string>{"canLoadAnotherChapter(next)"});
    ASSERT_EQ(m_delegate->seamData.size(), 1u);
    EXPECT_EQ(m_delegate->seamData[0], expected);
    EXPECT_EQ(m->currPage()->start, 0) << "the new chunk begins at the page boundary";
    EXPECT_EQ(m->data(), next);

    // Read whole, the book never asks.
    m_delegate->calls.clear();
    m->setTxtLoadAll(true);
    m->getPageToPosition(static_cast<int64_t>(next.size()));
    m->tapTurning(kForward);
    EXPECT_EQ(m_delegate->calls, std::vector<std::string>{"atLastPage"});
}

TEST_F(PageManagerTest, ATurnTypeChangeMovesTheDimmingToTheNewView) {
    auto m = makeManager(chapter(u'甲', 800), kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    m->setupScreenBrightness(70);
    auto replacement = ui::View::create<FakePageView>(Rect(0, 0, 320, 480));
    m_delegate->onChangeType = [&](int) { m->setPageView(replacement); };
    m->pageCurlChanged(kTurnCurl);
    auto* dim = replacement->viewWithTag(PageManager::kDimmingViewTag);
    ASSERT_TRUE(dim);
    EXPECT_NEAR(dim->alpha(), 0.3, 1e-9);
    // And the page is shown on it without a turn.
    ASSERT_FALSE(replacement->calls.empty());
    EXPECT_EQ(replacement->calls.back().op, "setTopPage");
    EXPECT_TRUE(std::filesystem::exists(RZConfig::newSettingsPath()));
}

TEST_F(PageManagerTest, ColoursChangeTheDayPagesOnly) {
    auto m = makeManager(chapter(u'甲', 800), kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    const auto before = m->currPage();
    const gfx::Color red(1, 0, 0);
    m->pickBackgroundColor(red); // a preview: laid out again, nothing saved
    EXPECT_NE(m->currPage(), before);
    EXPECT_EQ(m->currPage()->pageImage.pixelAt(2, 2), (gfx::Pixel{255, 0, 0, 255}));
    EXPECT_FALSE(std::filesystem::exists(RZConfig::newSettingsPath()));
    m->setReadingFontColor(std::nullopt); // nothing to set, but saved
    EXPECT_TRUE(std::filesystem::exists(RZConfig::newSettingsPath()));

    m->rzConfig()->setLightOn(false);
    const auto night = m->currPage();
    m->pickBackgroundColor(gfx::Color(0, 1, 0));
    m->setReadingBackgroundColor(gfx::Color(0, 1, 0), gfx::Color(0, 0, 1));
    EXPECT_EQ(m->currPage(), night);
    EXPECT_EQ(m->rzConfig()->pageBgColor(), red);
}

TEST_F(PageManagerTest, TheBookmarkPictureFliesToThePointAndGoes) {
    auto m = makeManager(chapter(u'甲', 800), kTurnSwipeHorizontal);
    m->getPageFromPosition(-1);
    const size_t views = m_fakeView->subviews().size();
    m->animateToPoint({300, 20});
    ASSERT_EQ(m_fakeView->subviews().size(), views + 1);
    auto flyer = m_fakeView->subviews().back();
    EXPECT_EQ(flyer->frame().width(), 280 * 1.0); // inset by 20 on each side, before it shrinks
    advance(0.2);
    const auto mid = flyer->layer()->presentation();
    EXPECT_GT(mid.position.x, 160);
    EXPECT_LT(mid.position.y, 240);
    advance(0.2);
    EXPECT_EQ(m_fakeView->subviews().size(), views);
}

} // namespace
} // namespace pw::test

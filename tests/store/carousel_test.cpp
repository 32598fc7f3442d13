#include "site/SiteTest.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "store/AutoHorizontalScroll.h"
#include "store/StoreBookCoverDownloader.h"

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;

struct Recorder : AutoHorizontalScrollDelegate {
    int successes = 0, failures = 0;
    std::vector<std::pair<int, long>> taps;
    void autoHorizontalScrollButtonClick(ui::Button&, int index, long id) override { taps.emplace_back(index, id); }
    void autoHorizontalRequestDataSuccess() override { ++successes; }
    void autoHorizontalRequestDataFailed() override { ++failures; }
};

core::Value answerOf(int n) {
    core::Value data = core::Value::array();
    for (int i = 0; i < n; ++i) {
        core::Value::Map e;
        e.append("BookId", static_cast<int64_t>(100 + i));
        e.append("BookName", "书" + std::to_string(i));
        e.append("ImageStatus", static_cast<int64_t>(i % 2));
        data.push(core::Value(std::move(e)));
    }
    core::Value::Map m;
    m.append("Data", std::move(data));
    return core::Value(std::move(m));
}

class CarouselTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        m_carousel = ui::View::create<AutoHorizontalScroll>(gfx::Rect{0, 0, 320, 115});
        m_carousel->setDelegate(m_recorder);
    }
    void TearDown() override {
        m_carousel.reset();
        SiteTest::TearDown();
    }
    double tick() {
        advance(AutoHorizontalScroll::kInterval + 0.01); // just past the tick
        settle();
        return m_carousel->scroll().contentOffset().x;
    }
    std::shared_ptr<AutoHorizontalScroll> m_carousel;
    std::shared_ptr<Recorder> m_recorder = std::make_shared<Recorder>();
};

TEST_F(CarouselTest, StepsAlongToTheLimitAndBackAndWaitsForDrags) {
    m_carousel->enterNoImageMode(false);
    ASSERT_TRUE(m_carousel->takeAnswer(answerOf(10)));
    EXPECT_EQ(m_carousel->scroll().contentSize().width, 820);
    std::vector<double> offsets;
    for (int i = 0; i < 7; ++i)
        offsets.push_back(tick());
    EXPECT_EQ(offsets, (std::vector<double>{90, 180, 270, 360, 450, 516, 0}));

    // A drag holds the steps until 2 s after it ended.
    tick();
    m_carousel->scrollViewWillBeginDragging(m_carousel->scroll());
    EXPECT_EQ(tick(), 90);
    m_carousel->scrollViewDidEndDragging(m_carousel->scroll(), false);
    advance(1.5);
    EXPECT_TRUE(m_carousel->isScrolling());
    advance(1);
    EXPECT_FALSE(m_carousel->isScrolling());
    EXPECT_EQ(tick(), 180);

    m_carousel->stopAutoScroll();
    EXPECT_EQ(m_carousel->scroll().contentOffset().x, 0);
    EXPECT_EQ(tick(), 0); // stopped

    // Three covers fit: never moved.
    auto small = ui::View::create<AutoHorizontalScroll>(gfx::Rect{0, 0, 320, 115});
    small->enterNoImageMode(false);
    small->takeAnswer(answerOf(3));
    advance(8);
    settle();
    EXPECT_EQ(small->scroll().contentOffset().x, 0);
}

TEST_F(CarouselTest, ButtonsFollowTheListAndNotesAndTapsAreChecked) {
    m_carousel->enterNoImageMode(false);
    m_carousel->takeAnswer(answerOf(10));
    ASSERT_EQ(m_carousel->arrButtons().size(), 10u);
    EXPECT_EQ(m_carousel->arrButtons()[4]->currentTitle(), "书4");
    EXPECT_EQ(m_carousel->arrButtons()[1]->frame().origin.x, 8 + 82);
    // A shorter list rebuilds the buttons, so taps and notes stay in range.
    m_carousel->takeAnswer(answerOf(3));
    ASSERT_EQ(m_carousel->arrButtons().size(), 3u);
    EXPECT_EQ(m_carousel->scroll().contentSize().width, 246);
    EXPECT_EQ(m_carousel->arrRZBookId(), (std::vector<int64_t>{0, 101, 0}));
    m_carousel->btnClick(*m_carousel->arrButtons()[2]);
    auto stray = ui::Button::create();
    stray->setTag(7);
    m_carousel->btnClick(*stray);
    EXPECT_EQ(m_recorder->taps, (std::vector<std::pair<int, long>>{{2, 102}}));
    core::Value::Map note;
    note.append("success", true);
    note.append("tag", static_cast<int64_t>(9));
    note.append("tag2", static_cast<int64_t>(200));
    m_carousel->bookCoverDown(core::Value(std::move(note))); // no button 9: ignored
    // Setting the mode alone leaves the buttons dressed as they are; entering it re-dresses them.
    m_carousel->setShowPicture(true);
    EXPECT_TRUE(m_carousel->showPicture());
    EXPECT_EQ(m_carousel->arrButtons()[0]->currentTitle(), "书0");
    m_carousel->enterNoImageMode(true);
    EXPECT_EQ(m_carousel->arrButtons()[0]->currentTitle(), "");
}

TEST_F(CarouselTest, GeneratedButtonsSitInTheirContainerWithAWhiteSmallTitle) {
    auto container = ui::View::create(gfx::Rect{0, 0, 200, 100});
    const struct {
        std::optional<std::string> title;
        std::string shown;
    } rows[] = {{std::nullopt, ""}, {std::string(), ""}, {std::string("论语"), "论语"}};
    for (const auto& r : rows) {
        auto b = AutoHorizontalScroll::genButtonWithFrame({8, 4, 74, 92}, r.title, *container);
        EXPECT_EQ(b->superview(), container.get());
        EXPECT_EQ(b->frame(), (gfx::Rect{8, 4, 74, 92}));
        EXPECT_EQ(b->currentTitle(), r.shown);
        if (r.title) {
            EXPECT_EQ(b->titleColorForState(ui::ControlStateNormal), gfx::Color::white());
            EXPECT_EQ(b->titleLabel().font().size(), 11);
        }
    }
}

TEST_F(CarouselTest, TheSitesListBringsCoversAndFailuresLeaveTheStrip) {
    // The site's list as it would name a book without a cover of its own.
    m_site->script(Host::Store, "/BookStoreAPI/CoverRecommend.ashx",
                   standin::Reply::json(R"({"Result":0,"Data":[{"BookId":1001,"BookName":"诗经","ImageStatus":1},)"
                                        R"({"BookId":1002,"BookName":"论语","ImageStatus":1},)"
                                        R"({"BookId":1003,"BookName":"四书","ImageStatus":1},)"
                                        R"({"BookId":1004,"BookName":"楚辞","ImageStatus":1},)"
                                        R"({"BookId":1006,"BookName":"全宋词","ImageStatus":1},)"
                                        R"({"BookId":1007,"BookName":"唐诗一千首","ImageStatus":0}]})"));
    m_carousel->startRequestData();
    ASSERT_TRUE(waitFor([&] { return m_recorder->successes == 1; }));
    ASSERT_EQ(m_carousel->arrButtons().size(), 6u);
    // A book without a cover of its own: the generic one, and a tap still
    // opens that book.
    EXPECT_EQ(m_carousel->arrRZBookId().back(), 0);
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Image, "/books/1.jpg") == 1; }));
    ASSERT_TRUE(waitFor([&] { return m_carousel->arrButtons()[0]->backgroundImageForState(0).pixelWidth() == 74; }));
    m_carousel->btnClick(*m_carousel->arrButtons()[5]);
    EXPECT_EQ(m_recorder->taps.back(), std::make_pair(5, static_cast<long>(Catalogue::kTangThousand)));

    m_site->script(Host::Store, "/BookStoreAPI/CoverRecommend.ashx", standin::Reply::json("{\"Data\":[]}"));
    m_carousel->startRequestData();
    ASSERT_TRUE(waitFor([&] { return m_recorder->failures == 1; }));
    EXPECT_EQ(m_carousel->arrButtons().size(), 6u);
}

} // namespace
} // namespace pw::test

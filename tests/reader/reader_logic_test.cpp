#include "reader/ReaderLogic.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(ReaderTap, EachStateAndZoneHasOneAction) {
    struct Case {
        int state;
        bool centre;
        TapAction action;
    };
    const Case cases[] = {
        {0, true, TapAction::ShowReadPageMenu},
        {0, false, TapAction::TurnPage},
        {PageStateMainMenu, true, TapAction::CloseReadPageMenu},
        {PageStateMainMenu, false, TapAction::CloseReadPageMenu},
        {PageStateMainMenu | PageStateColour, false, TapAction::CloseReadPageMenu},
        {PageStateSlider | PageStatePercentJump, true, TapAction::HideSliderMenu},
        {PageStateSlider, false, TapAction::HideSliderMenu},
        {PageStateDownloadSubMenu, false, TapAction::HideBottomSubMenu},
        {PageStateBookmarkSubMenu, true, TapAction::HideBottomSubMenu},
        {PageStateColour | PageStateFontColourPick, false, TapAction::CloseReadPageMenu},
        {PageStateColour | PageStateBackgroundColourPick, true, TapAction::CloseReadPageMenu},
        // Scrolling only stops; the tap never turns a page or opens the menu.
        {PageStateAutoScroll, true, TapAction::ExitAutoScroll},
        {PageStateAutoScroll, false, TapAction::ExitAutoScroll},
        // The first matching rule wins.
        {PageStateSlider | PageStateAutoScroll, false, TapAction::HideSliderMenu},
        {PageStateMainMenu | PageStateSlider, false, TapAction::CloseReadPageMenu},
        // A bit no rule knows lets the page turn.
        {0x4, true, TapAction::TurnPage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tapActionFor(c.state, c.centre), c.action) << "state " << c.state << " centre " << c.centre;
}

TEST(ReaderTap, CentreIsTheMiddleQuarter) {
    const gfx::Rect centre = readerCentreRect({0, 20, 320, 460});
    EXPECT_EQ(centre, gfx::Rect(120, 20 + 172.5, 80, 115));
}

TEST(ReaderPosition, StoredPlacesPerFormat) {
    using Info = std::optional<std::vector<int64_t>>;
    struct Case {
        int format;
        Info stored;
        std::optional<int64_t> asked;
    };
    const Case cases[] = {
        {1, std::vector<int64_t>{120, 1, 2, 3}, 119},
        {1, std::vector<int64_t>{0, 1, 2, 3}, -1},
        {1, std::vector<int64_t>{120, 1, 2}, -1}, // too short: first page
        {1, std::nullopt, -1},
        {2, std::vector<int64_t>{-1, 0, 0, 0, 0, 0}, -1}, // -1 is not lowered to -2
        {2, std::vector<int64_t>{0, 0, 0, 0, 0, 0}, -1},
        {2, std::vector<int64_t>{57, 0, 0, 0, 0, 0}, 56},
        {2, std::vector<int64_t>{57, 0, 0, 0, 0}, -1}, // needs more than five entries
        {3, std::vector<int64_t>{-1, 0, 0, 0, 0, 0, 0}, -1},
        {3, std::vector<int64_t>{4000, 0, 0, 0, 0, 0}, 3999},
        {3, std::nullopt, -1},
        {0, std::vector<int64_t>{5, 0, 0, 0, 0, 0}, std::nullopt},
        {7, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(restoredPosition(c.format, c.stored), c.asked) << "format " << c.format;
}

TEST(ReaderPosition, OpenPositionsMapToEngineCalls) {
    EXPECT_EQ(positionStepFor(kPositionNone, 50), PositionStep{});
    EXPECT_EQ(positionStepFor(kPositionLastPage, 50), (PositionStep{PositionKind::LastPage, 50}));
    EXPECT_EQ(positionStepFor(kPositionFirstPage, 50), (PositionStep{PositionKind::FromPosition, -1}));
    EXPECT_EQ(positionStepFor(17, 50), (PositionStep{PositionKind::FromPosition, 17}));
}

TEST(ReaderRotation, LockAndUpsideDownAreRefused) {
    struct Case {
        int orientation;
        bool lock, support, allowed;
    };
    const Case cases[] = {
        {1, false, true, true},   {3, false, true, true},   {4, false, true, true},  {2, false, true, false},
        {1, true, true, false},   {3, true, true, false},   {1, false, false, true}, {3, false, false, false},
        {2, false, false, false}, {4, false, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readerShouldAutorotate(c.orientation, c.lock, c.support), c.allowed)
            << c.orientation << c.lock << c.support;
}

TEST(ReaderLayout, FullScreenFrames) {
    const gfx::Size portrait{320, 480};
    EXPECT_EQ(readerScreenSize(portrait, 1), portrait);
    EXPECT_EQ(readerScreenSize(portrait, 2), portrait);
    EXPECT_EQ(readerScreenSize(portrait, 3), (gfx::Size{480, 320}));
    EXPECT_EQ(readerViewFrame(true, portrait), gfx::Rect(0, 0, 320, 480));
    EXPECT_EQ(readerViewFrame(false, portrait), gfx::Rect(0, 20, 320, 460));
    EXPECT_EQ(readerTopMenuFrame(true, 320), gfx::Rect(0, 20, 320, 44));
    EXPECT_EQ(readerTopMenuFrame(false, 480), gfx::Rect(0, 0, 480, 44));
    EXPECT_EQ(readerTopMenuShadowFrame(gfx::Rect(0, 20, 320, 44)), gfx::Rect(0, 64, 320, 5));
    EXPECT_EQ(readerStatusLineFrame(gfx::Rect(0, 0, 320, 460)), gfx::Rect(0, 445, 320, 15));
}

TEST(ReaderLayout, TurnTypesPickTheirViews) {
    const std::pair<int, TurnViewKind> cases[] = {
        {0, TurnViewKind::Plain},          {1, TurnViewKind::Curl},         {2, TurnViewKind::DragHorizontal},
        {3, TurnViewKind::SwipHorizontal}, {4, TurnViewKind::DragVertical}, {5, TurnViewKind::SwipVertical},
        {6, TurnViewKind::AutoScroll},     {9, TurnViewKind::Plain},        {-3, TurnViewKind::Plain},
    };
    for (const auto& [type, kind] : cases)
        EXPECT_EQ(turnViewKindFor(type), kind) << type;
}

TEST(ReaderStatus, PercentText) {
    EXPECT_EQ(readerPercentText(0), "0.0%");
    EXPECT_EQ(readerPercentText(12.345), "12.3%");
    EXPECT_EQ(readerPercentText(100), "100.0%");
}

TEST(ReaderPurchase, AnswersParse) {
    EXPECT_EQ(parsePurchaseResult("1234"), (PurchaseAnswer{1234, std::nullopt}));
    EXPECT_EQ(parsePurchaseResult("1234,77"), (PurchaseAnswer{1234, 77}));
    for (std::string_view bad : {"", "1,2,3", "abc", "12,x", ",5", "5,"})
        EXPECT_EQ(parsePurchaseResult(bad), std::nullopt) << bad;
}

} // namespace
} // namespace pw

#pragma once

// The reader screen's decisions that need no view: what a tap does in each
// menu state, which page a stored place opens, how the screen lays itself out.
// Kept apart so each rule can be checked as a table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Geometry.h"

namespace pw {

// Bits of the reader's `pageState`: open menus and running modes.
enum PageStateBit : int {
    PageStateMainMenu = 0x1,
    PageStateSlider = 0x2,
    PageStateBookmarkSubMenu = 0x8,
    PageStatePercentJump = 0x10,
    PageStateDownloadSubMenu = 0x20,
    PageStateAutoScroll = 0x200,
    PageStateColour = 0x800,
    PageStateFontColourPick = 0x1000,
    PageStateBackgroundColourPick = 0x2000,
};

enum class TapAction {
    ShowReadPageMenu,
    CloseReadPageMenu,
    HideSliderMenu,
    HideBottomSubMenu,
    ExitAutoScroll,
    TurnPage,
};

// The middle quarter of the view in each direction.
gfx::Rect readerCentreRect(const gfx::Rect& frame);
TapAction tapActionFor(int pageState, bool inCentre);

// Position values of the open operations.
inline constexpr int64_t kPositionFirstPage = -1;
inline constexpr int64_t kPositionLastPage = -100;
inline constexpr int64_t kPositionNone = -1000;

enum class PositionKind { None, LastPage, FromPosition };
struct PositionStep {
    PositionKind kind = PositionKind::None;
    int64_t value = 0; // the argument of getPageFromPosition / getPageToPosition
    friend bool operator==(const PositionStep&, const PositionStep&) = default;
};
// What the engine is asked after a text was handed over with `position`;
// `textLength` is the new text's length in UTF-16 units.
PositionStep positionStepFor(int64_t position, int64_t textLength);

// The page asked of the engine when the screen opens: the stored start minus 1
// (a stored -1 stays -1), or the first page when the stored answer is missing
// or too short; nullopt for an unknown format (nothing is restored).
std::optional<int64_t> restoredPosition(int bookFormat, const std::optional<std::vector<int64_t>>& stored);

// Rotation: refused while locked; upside-down portrait (2) never.
bool readerShouldAutorotate(int orientation, bool rotateLock, bool supportRotate);

// The screen's frame for the full-screen switch; `screen` is the portrait size.
gfx::Size readerScreenSize(gfx::Size portraitScreen, int orientation);
gfx::Rect readerViewFrame(bool fullScreen, gfx::Size screen);
gfx::Rect readerTopMenuFrame(bool fullScreen, double viewWidth);
gfx::Rect readerTopMenuShadowFrame(const gfx::Rect& topMenu);
gfx::Rect readerStatusLineFrame(const gfx::Rect& viewBounds);

// The page-turn view a turn type builds.
enum class TurnViewKind { Plain, Curl, DragHorizontal, SwipHorizontal, DragVertical, SwipVertical, AutoScroll };
TurnViewKind turnViewKindFor(int pageTurningType);

// "%.1f%%" of the engine's corrected percent.
std::string readerPercentText(double percent);

// The purchase screen's answer: the book id alone, or book id and chapter id.
struct PurchaseAnswer {
    int64_t rzBookId = 0;
    std::optional<int64_t> chapterId;
    friend bool operator==(const PurchaseAnswer&, const PurchaseAnswer&) = default;
};
// Nullopt for an empty text, a wrong count of parts or a part that is no number.
std::optional<PurchaseAnswer> parsePurchaseResult(std::string_view text);

// "%@\n\n%@" of a chapter's title and text.
std::u16string chapterText(std::u16string_view title, std::u16string_view text);

} // namespace pw

#include "reader/ReaderLogic.h"

#include <charconv>
#include <cstdio>

namespace pw {

gfx::Rect readerCentreRect(const gfx::Rect& frame) {
    const double dx = frame.width() * 3 / 8;
    const double dy = frame.height() * 3 / 8;
    return {frame.x() + dx, frame.y() + dy, frame.width() - 2 * dx, frame.height() - 2 * dy};
}

TapAction tapActionFor(int pageState, bool inCentre) {
    if (pageState == 0)
        return inCentre ? TapAction::ShowReadPageMenu : TapAction::TurnPage;
    if (pageState & PageStateMainMenu)
        return TapAction::CloseReadPageMenu;
    if (pageState & PageStateSlider)
        return TapAction::HideSliderMenu;
    if (pageState & (PageStateDownloadSubMenu | PageStateBookmarkSubMenu))
        return TapAction::HideBottomSubMenu;
    if (pageState & PageStateColour)
        return TapAction::CloseReadPageMenu;
    if (pageState & PageStateAutoScroll)
        return TapAction::ExitAutoScroll;
    return TapAction::TurnPage;
}

PositionStep positionStepFor(int64_t position, int64_t textLength) {
    if (position == kPositionNone)
        return {};
    if (position == kPositionLastPage)
        return {PositionKind::LastPage, textLength};
    return {PositionKind::FromPosition, position};
}

std::optional<int64_t> restoredPosition(int bookFormat, const std::optional<std::vector<int64_t>>& stored) {
    switch (bookFormat) {
    case 1:
        if (stored && stored->size() >= 4)
            return (*stored)[0] - 1;
        return kPositionFirstPage;
    case 2:
    case 3:
        if (stored && stored->size() > 5)
            return (*stored)[0] == -1 ? -1 : (*stored)[0] - 1;
        return kPositionFirstPage;
    default:
        return std::nullopt;
    }
}

bool readerShouldAutorotate(int orientation, bool rotateLock, bool supportRotate) {
    if (rotateLock)
        return false;
    if (supportRotate)
        return orientation == 1 || orientation == 3 || orientation == 4;
    return orientation == 1;
}

gfx::Size readerScreenSize(gfx::Size portraitScreen, int orientation) {
    if (orientation == 1 || orientation == 2)
        return portraitScreen;
    return {portraitScreen.height, portraitScreen.width};
}

gfx::Rect readerViewFrame(bool fullScreen, gfx::Size screen) {
    if (fullScreen)
        return {0, 0, screen.width, screen.height};
    return {0, 20, screen.width, screen.height - 20};
}

gfx::Rect readerTopMenuFrame(bool fullScreen, double viewWidth) {
    return {0, fullScreen ? 20.0 : 0.0, viewWidth, 44};
}

gfx::Rect readerTopMenuShadowFrame(const gfx::Rect& topMenu) {
    return {0, topMenu.y() + 44, topMenu.width(), 5};
}

gfx::Rect readerStatusLineFrame(const gfx::Rect& viewBounds) {
    return {0, viewBounds.height() - 15, viewBounds.width(), 15};
}

TurnViewKind turnViewKindFor(int pageTurningType) {
    switch (pageTurningType) {
    case 1:
        return TurnViewKind::Curl;
    case 2:
        return TurnViewKind::DragHorizontal;
    case 3:
        return TurnViewKind::SwipHorizontal;
    case 4:
        return TurnViewKind::DragVertical;
    case 5:
        return TurnViewKind::SwipVertical;
    case 6:
        return TurnViewKind::AutoScroll;
    default:
        return TurnViewKind::Plain;
    }
}

std::string readerPercentText(double percent) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", percent);
    return buf;
}

namespace {
std::optional<int64_t> parseLong(std::string_view s) {
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size())
        return std::nullopt;
    return v;
}
} // namespace

std::optional<PurchaseAnswer> parsePurchaseResult(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) {
        auto book = parseLong(text);
        if (!book)
            return std::nullopt;
        return PurchaseAnswer{*book, std::nullopt};
    }
    const auto rest = text.substr(comma + 1);
    if (rest.find(',') != std::string_view::npos)
        return std::nullopt;
    auto book = parseLong(text.substr(0, comma));
    auto chapter = parseLong(rest);
    if (!book || !chapter)
        return std::nullopt;
    return PurchaseAnswer{*book, *chapter};
}

std::u16string chapterText(std::u16string_view title, std::u16string_view text) {
    std::u16string out;
    out.reserve(title.size() + 2 + text.size());
    out.append(title);
    out.append(u"\n\n");
    out.append(text);
    return out;
}

} // namespace pw

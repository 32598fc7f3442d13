#pragma once

// Where the bottom bar, its five buttons, the side buttons and the two-button
// sub-menu stand.

#include <array>

#include "platform/gfx/Geometry.h"

namespace pw {

gfx::Rect pageBottomMenuFrame(double viewWidth, double viewHeight);
// btnAddBookmark, btnNotifyUpdate, btnUpdate, btnJump, btnMoreSettings.
std::array<gfx::Rect, 5> pageBottomMenuButtons(double menuWidth, bool tablet);
// The chapter button; on phones below the top menu (+18 when built, +15 when
// laid out again).
gfx::Rect pageMenuChapterFrame(bool tablet, double topMenuBottom, bool relayout);
gfx::Rect pageMenuInteractiveFrame(bool tablet, const gfx::Rect& chapterButton);
gfx::Rect pageBottomSubMenuFrame(double viewWidth, double viewHeight);
// btnFirst and btnSecond inside a sub-menu of the size.
std::array<gfx::Rect, 2> pageBottomSubMenuButtons(gfx::Size size);

} // namespace pw

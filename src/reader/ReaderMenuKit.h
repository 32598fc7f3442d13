#pragma once

// What the reading menus build their controls from: buttons with a bundle
// picture behind them (a plain translucent face where the bundle has none),
// white captions, and the dark face every menu panel shares.

#include <memory>
#include <string>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

namespace pw::readermenu {

// The panels' dark face and a selected button's lit one.
gfx::Color panelColour();
gfx::Color buttonColour();
gfx::Color selectedButtonColour();

// A custom button with the frame and the named picture as its normal
// background; a touch glow when asked.
std::shared_ptr<ui::Button> genBtnItemWithFrame(const gfx::Rect& frame, const std::string& image, bool glow = true);
// The same with the picture stretched between its caps.
std::shared_ptr<ui::Button> genStretchableBtnWithFrame(const gfx::Rect& frame, const std::string& image,
                                                       double leftCapWidth, double topCapHeight, bool glow = true);
// Its title in the system font of the size, white, with the insets.
void setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets = {});
// Selected: the lit picture as it stands; else the plain one stretched.
void setSelectedLook(ui::Button& button, bool selected);
std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize, const std::string& text);
// A picture filling a view of the frame, stretched between its caps when they
// are given; where the bundle has none, the view wears `fallback` instead.
std::shared_ptr<ui::View> picture(const gfx::Rect& frame, const std::string& image,
                                  gfx::Color fallback = gfx::Color::clear(), gfx::Size caps = {});
// Whether the button wears a picture (else a plain face).
bool hasPicture(const ui::Button& button);
// Enabled at full alpha or disabled at half.
void setUsable(ui::Button& button, bool usable);

} // namespace pw::readermenu

#pragma once

// What the reading screen's picture drawings share: one picture written at 1x
// and 2x, and the reading menus' set.
#include "platform/gfx/BitmapContext.h"

#include <functional>
#include <string>

namespace readerpictures {

// <dir>/<name>.png and <name>@2x.png, drawn in points by `draw`.
bool writePicture(const std::string& dir, const std::string& name, pw::gfx::Size size,
                  const std::function<void(pw::gfx::BitmapContext&)>& draw);

// The reading menus' faces, buttons and icons.
bool drawMenuPictures(const std::string& dir);

} // namespace readerpictures

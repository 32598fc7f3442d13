#pragma once
// What the reading screen's picture drawings share: one picture written at 1x
// and 2x, and the reading menus' set.
#include "BundlePictures.h"

#include <functional>
#include <string>

namespace readerpictures {

using bundlepictures::writePicture;

// The reading menus' faces, buttons and icons.
bool drawMenuPictures(const std::string& dir);

} // namespace readerpictures

#pragma once
// Pictures of the application bundle by name ("down_blueArrow.png"): the
// screen's scale picks the "@2x" file where there is one. Decoded once.
#include "platform/gfx/Image.h"

#include <string>

namespace pw::ui {

class BundleImage {
public:
    // A null image when the bundle has no such picture.
    static gfx::Image named(const std::string& name);
    // Forgets decoded pictures (tests that change the resource folder).
    static void clearCache();
};

} // namespace pw::ui

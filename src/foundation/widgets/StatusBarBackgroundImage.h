#pragma once
// The overlay's built-in silver background pictures, full and shrunk, made in
// the program (no bundle file): PNG bytes of 5 by 20 pixels, or 10 by 40 for a
// screen whose scale is not exactly 1.
#include "platform/gfx/Image.h"

#include <cstdint>
#include <vector>

namespace pw {

class StatusBarBackgroundImage {
public:
    // The PNG bytes for the main screen.
    static const std::vector<uint8_t>& data(bool shrunk);
    static const uint8_t* array(bool shrunk) { return data(shrunk).data(); }
    static size_t length(bool shrunk) { return data(shrunk).size(); }
    // The picture for the main screen, at its scale.
    static gfx::Image image(bool shrunk);
    // The picture at a given scale factor (1 or 2).
    static gfx::Image draw(bool shrunk, int scale);
};

} // namespace pw

#pragma once
// The two screen sizes the app lays its screens out for: the phone's
// 320 x 480 window and the tablet's 768 x 1024. Layout tests run each case
// at both, with the device's screen and the window set to the size.
#include "platform/device/Device.h"
#include "platform/ui/Window.h"

#include <array>

namespace pw::test {

struct Idiom {
    double w, h;
    const char* name;
    bool tablet() const { return w >= 768; }
};

inline constexpr std::array<Idiom, 2> kIdioms{{{320, 480, "phone"}, {768, 1024, "tablet"}}};

// The device's screen and the window at the idiom's size; the caller settles.
inline void useIdiom(ui::Window& window, const Idiom& idiom) {
    device::Device::current().setScreen({idiom.w, idiom.h, 1});
    window.setFrame({0, 0, idiom.w, idiom.h});
}

} // namespace pw::test

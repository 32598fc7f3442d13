#pragma once
// A headless screen for view tests: a manual clock, a fresh temporary home,
// one full-screen window, and helpers that tap, drag and render.
#include "platform/core/Clock.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace pw::ui::test {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = std::filesystem::temp_directory_path() / ("pw-ui-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_home);
        core::Paths::setHome(m_home);
        m_clock = std::make_shared<core::ManualClock>();
        core::Clock::setShared(m_clock);
        core::RunLoop::claimMain();
        device::Device::current().reset();
        device::Device::current().setScreen({320, 480, 1});
        Application::shared().reset();
        m_window = View::create<Window>(gfx::Rect(0, 0, 320, 480));
        m_window->setBackgroundColor(gfx::Color::white());
        m_window->makeKeyAndVisible();
    }

    void TearDown() override {
        settle();
        m_window.reset();
        Application::shared().reset();
        settle();
        core::Clock::setShared(nullptr);
        core::Paths::setHome({});
        device::Device::current().reset();
        std::error_code ec;
        std::filesystem::remove_all(m_home, ec);
    }

    // Moves the clock on, serving timers frame by frame.
    void advance(double seconds) {
        auto& loop = core::RunLoop::current();
        loop.runPending();
        const double step = Application::kFrameInterval;
        double done = 0;
        while (done + 1e-9 < seconds) {
            const double s = std::min(step, seconds - done);
            m_clock->advance(s);
            done += s;
            loop.runPending();
        }
        loop.runPending();
    }

    // Runs until no animation is left (or 5 s of clock).
    void settle() { Application::shared().runAnimations(5); }

    double t = 0;
    double nextTime() { return t += 0.01; }

    void touch(int id, TouchPhase phase, gfx::Point p) {
        Application::shared().sendTouch(id, phase, p, m_clock->monotonic());
    }

    void tap(gfx::Point p) {
        touch(1, TouchPhase::Began, p);
        advance(0.05);
        touch(1, TouchPhase::Ended, p);
    }

    // Taps the middle of a view as the screen shows it now.
    void tapView(View* v) {
        for (auto& w : Application::shared().windows())
            w->layoutIfNeeded();
        const gfx::Point p = v->convertPointToView(v->bounds().center(), nullptr);
        // Window coordinates to the screen's.
        const gfx::Point s = v->window() ? v->window()->layer()->model().toSuperlayer().apply(p) : p;
        tap(s);
    }

    // A drag in `steps` moves over `seconds` of clock.
    void drag(gfx::Point from, gfx::Point to, double seconds = 0.2, int steps = 10, bool lift = true) {
        touch(1, TouchPhase::Began, from);
        for (int i = 1; i <= steps; ++i) {
            advance(seconds / steps);
            const double f = static_cast<double>(i) / steps;
            touch(1, TouchPhase::Moved, {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
        }
        if (lift)
            touch(1, TouchPhase::Ended, to);
    }

    // The screen as the compositor draws it now.
    gfx::Image renderScreen() {
        m_compositor.renderAll();
        return m_compositor.snapshot();
    }

    static bool isDark(gfx::Pixel p) { return p.a > 0 && p.r < 100 && p.g < 100 && p.b < 100; }

    // How many pixels of a region pass a test.
    template <typename F>
    static int countPixels(const gfx::Image& img, const gfx::Rect& r, F pred) {
        int n = 0;
        for (int y = static_cast<int>(r.y()); y < static_cast<int>(r.maxY()); ++y)
            for (int x = static_cast<int>(r.x()); x < static_cast<int>(r.maxX()); ++x)
                if (pred(img.pixelAt(x, y)))
                    ++n;
        return n;
    }

    std::filesystem::path m_home;
    std::shared_ptr<core::ManualClock> m_clock;
    std::shared_ptr<Window> m_window;
    Compositor m_compositor;
};

} // namespace pw::ui::test

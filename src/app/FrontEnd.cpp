#include "app/FrontEnd.h"

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <algorithm>
#include <cmath>
#include <vector>

namespace pw::app {

namespace {

volatile std::sig_atomic_t g_screenshotRequested = 0;

void requestScreenshot(int) {
    g_screenshotRequested = 1;
}
constexpr int kMouseTouchId = 1;
double seconds() {
    return core::Clock::shared().monotonic();
}
} // namespace

FrontEnd::FrontEnd(FrontEndOptions options) : m_options(std::move(options)), m_textInput(m_options.scale) {
    // Armed before the window shows: a driver that sees the window may ask
    // for a picture at once, and the signal's default action would end the app.
    if (m_options.screenshotOnSignalDir)
        std::signal(SIGUSR1, requestScreenshot);
}

FrontEnd::~FrontEnd() {
    if (ui::TextInput::shared().handler() == &m_textInput)
        ui::TextInput::shared().setHandler(nullptr);
}

bool FrontEnd::open() {
    // Long compositions (a phrase of pinyin) arrive whole rather than cut at 32 bytes.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    if (!m_sdl.start(SDL_INIT_VIDEO | SDL_INIT_EVENTS)) {
        std::fprintf(stderr, "pagewell: cannot start the display: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0"); // touches come as touches, not as a mouse too
    // The software renderer below draws into the window's own surface; without
    // this SDL backs that surface with a GL texture, loading the GL stack anyway.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    const int pw = static_cast<int>(std::lround(m_options.width * m_options.scale));
    const int ph = static_cast<int>(std::lround(m_options.height * m_options.scale));
    m_window.reset(
        SDL_CreateWindow("Pagewell", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, pw, ph, SDL_WINDOW_SHOWN));
    if (!m_window) {
        std::fprintf(stderr, "pagewell: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    // The whole frame is composited with Cairo into one texture, so a renderer
    // only has to copy it out: the software one does that as fast and spares the
    // tens of megabytes a GL stack costs (a software one, where no GPU is).
    m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!m_renderer)
        m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_ACCELERATED));
    if (!m_renderer) {
        std::fprintf(stderr, "pagewell: cannot draw into the window: %s\n", SDL_GetError());
        return false;
    }
    m_texture.reset(SDL_CreateTexture(m_renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, pw, ph));
    if (!m_texture) {
        std::fprintf(stderr, "pagewell: cannot make the screen texture: %s\n", SDL_GetError());
        return false;
    }
    // Text input runs only while a text field or view is first responder.
    SDL_StopTextInput();
    ui::TextInput::shared().setHandler(&m_textInput);
    // The display may sleep as usual until a screen asks to keep it lit.
    SDL_EnableScreenSaver();
    return true;
}

void FrontEnd::touchFromMouse(int x, int y, ui::TouchPhase phase) {
    const double s = m_options.scale;
    ui::Application::shared().sendTouch(kMouseTouchId, phase, {x / s, y / s}, seconds());
}

void FrontEnd::rotate(int step) {
    // Turns the device a quarter; the interface follows when the top screen allows it.
    static const device::Orientation order[] = {device::Orientation::Portrait, device::Orientation::LandscapeLeft,
                                                device::Orientation::PortraitUpsideDown,
                                                device::Orientation::LandscapeRight};
    auto& dev = device::Device::current();
    int i = 0;
    for (int k = 0; k < 4; ++k)
        if (order[k] == dev.orientation())
            i = k;
    const auto next = order[(i + step + 4) % 4];
    dev.setOrientation(next);
    auto& app = ui::Application::shared();
    if (auto* key = app.keyWindow();
        key && key->rootViewController() && key->rootViewController()->shouldAutorotateToInterfaceOrientation(next))
        app.setStatusBarOrientation(next, true);
}

void FrontEnd::handle(const SDL_Event& e) {
    auto& app = ui::Application::shared();
    if (m_textInput.handleEvent(e))
        return;
    switch (e.type) {
    case SDL_QUIT:
        m_running = false;
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.which != SDL_TOUCH_MOUSEID && e.button.button == SDL_BUTTON_LEFT) {
            m_mouseDown = true;
            touchFromMouse(e.button.x, e.button.y, ui::TouchPhase::Began);
        }
        break;
    case SDL_MOUSEMOTION:
        if (m_mouseDown && e.motion.which != SDL_TOUCH_MOUSEID)
            touchFromMouse(e.motion.x, e.motion.y, ui::TouchPhase::Moved);
        break;
    case SDL_MOUSEBUTTONUP:
        if (m_mouseDown && e.button.which != SDL_TOUCH_MOUSEID && e.button.button == SDL_BUTTON_LEFT) {
            m_mouseDown = false;
            touchFromMouse(e.button.x, e.button.y, ui::TouchPhase::Ended);
        }
        break;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
        const ui::TouchPhase phase = e.type == SDL_FINGERDOWN ? ui::TouchPhase::Began
                                     : e.type == SDL_FINGERUP ? ui::TouchPhase::Ended
                                                              : ui::TouchPhase::Moved;
        // Finger ids are large; keep them clear of the mouse's.
        const int id = 2 + static_cast<int>(static_cast<uint64_t>(e.tfinger.fingerId) % 1000000);
        app.sendTouch(id, phase, {e.tfinger.x * m_options.width, e.tfinger.y * m_options.height}, seconds());
        break;
    }
    case SDL_KEYDOWN:
        if (m_textInput.ownsKey(e.key.keysym.sym))
            break;
        switch (e.key.keysym.sym) {
        case SDLK_BACKSPACE:
            app.sendBackspace();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            app.sendReturn();
            break;
        case SDLK_LEFT:
            if (e.key.keysym.mod & KMOD_CTRL)
                rotate(-1);
            break;
        case SDLK_RIGHT:
            if (e.key.keysym.mod & KMOD_CTRL)
                rotate(1);
            break;
        default:
            break;
        }
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
            app.resignActive();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            app.becomeActive();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            app.enterBackground();
            break;
        case SDL_WINDOWEVENT_RESTORED:
            app.becomeActive();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            present(true);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void FrontEnd::present(bool force) {
    const gfx::Rect dirty = m_compositor.renderFrame();
    if (!m_compositor.repaintMismatch().empty() && !m_mismatchReported) {
        m_mismatchReported = true;
        std::fprintf(stderr, "%s\n", m_compositor.repaintMismatch().c_str());
        // Both pictures beside the others, for a look at what went stale.
        if (m_options.screenshotOnSignalDir) {
            const std::string base = *m_options.screenshotOnSignalDir + "/repaint-mismatch-";
            m_compositor.snapshot().writePNG(base + "drawn.png");
            m_compositor.expectedImage().writePNG(base + "expected.png");
        }
        m_running = false;
    }
    if (dirty.isEmpty() && !force)
        return;
    if (force) {
        SDL_UpdateTexture(m_texture.get(), nullptr, m_compositor.pixels(), m_compositor.stride());
    } else {
        // Only the changed part goes to the texture.
        const gfx::Rect px = dirty.integral(m_options.scale);
        SDL_Rect r{static_cast<int>(std::lround(px.x() * m_options.scale)),
                   static_cast<int>(std::lround(px.y() * m_options.scale)),
                   static_cast<int>(std::lround(px.width() * m_options.scale)),
                   static_cast<int>(std::lround(px.height() * m_options.scale))};
        r.w = std::min(r.w, m_compositor.pixelWidth() - r.x);
        r.h = std::min(r.h, m_compositor.pixelHeight() - r.y);
        if (r.w > 0 && r.h > 0)
            SDL_UpdateTexture(m_texture.get(), &r,
                              m_compositor.pixels() + static_cast<ptrdiff_t>(r.y) * m_compositor.stride() + r.x * 4,
                              m_compositor.stride());
    }
    SDL_RenderClear(m_renderer.get());
    SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, nullptr);
    SDL_RenderPresent(m_renderer.get());
}

bool FrontEnd::writeScreenshot(const std::string& path) {
    // What the window shows, read back from it.
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(m_renderer.get(), &w, &h);
    if (w <= 0 || h <= 0)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(surface);
    SDL_RenderClear(m_renderer.get());
    SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, nullptr);
    const int rc = SDL_RenderReadPixels(m_renderer.get(), nullptr, SDL_PIXELFORMAT_ARGB8888,
                                        cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface));
    SDL_RenderPresent(m_renderer.get());
    cairo_surface_mark_dirty(surface);
    bool ok = false;
    if (rc == 0) {
        gfx::Image image(surface, m_options.scale);
        ok = image.writePNG(path);
    }
    cairo_surface_destroy(surface);
    return ok;
}

void FrontEnd::writeRequestedScreenshot(const std::string& dir) {
    const std::string request = dir + "/request";
    std::string path;
    if (std::ifstream in(request); in)
        std::getline(in, path);
    if (path.empty())
        path = dir + "/shot-" + std::to_string(++m_signalShots) + ".png";
    // Written beside and renamed, so a watcher never reads half a picture;
    // the request goes last, once the picture is in place. A picture that
    // could not be written leaves the request, and the caller's wait fails.
    std::error_code ec;
    if (!writeScreenshot(path + ".part")) {
        std::fprintf(stderr, "pagewell: cannot write %s\n", path.c_str());
        return;
    }
    std::filesystem::rename(path + ".part", path, ec);
    std::filesystem::remove(request, ec);
}

int FrontEnd::run() {
    auto& loop = core::RunLoop::current();
    m_running = true;
    const double started = seconds();
    present(true);
    int exitCode = 0;
    while (m_running) {
        SDL_Event e;
        // Wait for input until the next frame is due.
        if (SDL_WaitEventTimeout(&e, static_cast<int>(ui::Application::kFrameInterval * 1000))) {
            handle(e);
            while (m_running && SDL_PollEvent(&e))
                handle(e);
        }
        loop.runPending();
        // A screen that asks for the idle timer off keeps the display awake.
        const bool keepAwake = ui::Application::shared().isIdleTimerDisabled();
        if (keepAwake != m_keepingAwake) {
            m_keepingAwake = keepAwake;
            if (keepAwake)
                SDL_DisableScreenSaver();
            else
                SDL_EnableScreenSaver();
        }
        present(false);
        if (g_screenshotRequested && m_options.screenshotOnSignalDir) {
            g_screenshotRequested = 0;
            present(true);
            writeRequestedScreenshot(*m_options.screenshotOnSignalDir);
        }
        // A spinner may turn for ever, so the picture is taken once start-up has had its time.
        if (m_options.screenshotPath && seconds() - started > 2.0) {
            present(true);
            if (!writeScreenshot(*m_options.screenshotPath)) {
                std::fprintf(stderr, "pagewell: cannot write %s\n", m_options.screenshotPath->c_str());
                exitCode = 1;
            }
            m_running = false;
        }
    }
    // A frame that differed from a full redraw fails the run.
    if (m_mismatchReported)
        exitCode = 3;
    return exitCode;
}

} // namespace pw::app

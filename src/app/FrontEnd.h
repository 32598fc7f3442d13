#pragma once
// Puts the application in an SDL window: mouse and touch input become touches,
// keys and the input method's text go to the first responder, and the rendered screen is shown
// at the display's pace.
#include "app/SdlTextInput.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Touch.h"

#include <SDL.h>

#include <memory>
#include <optional>
#include <string>

namespace pw::app {

// SDL's handles, destroyed by their holders.
struct SDLDeleter {
    void operator()(SDL_Window* window) const noexcept { SDL_DestroyWindow(window); }
    void operator()(SDL_Renderer* renderer) const noexcept { SDL_DestroyRenderer(renderer); }
    void operator()(SDL_Texture* texture) const noexcept { SDL_DestroyTexture(texture); }
};
template <class T>
using SDLPtr = std::unique_ptr<T, SDLDeleter>;

// SDL itself: started by start(), shut down when the holder goes, after
// every handle declared later in the same object.
class SDLSession {
public:
    SDLSession() = default;
    SDLSession(const SDLSession&) = delete;
    SDLSession& operator=(const SDLSession&) = delete;
    ~SDLSession() {
        if (m_started)
            SDL_Quit();
    }
    bool start(Uint32 flags) {
        m_started = SDL_Init(flags) == 0;
        return m_started;
    }

private:
    bool m_started{false};
};

struct FrontEndOptions {
    double width = 768;
    double height = 1024;
    double scale = 1;
    // Where to write a picture of the window once start-up has settled; the
    // front end then quits (used by the start-up check).
    std::optional<std::string> screenshotPath;
    // Each SIGUSR1 writes the window, for checks that drive the running app
    // from outside: to the path written in <dir>/request, which is then
    // removed (the caller waits for that, with no process of its own to
    // start), or without a request to <dir>/shot-<n>.png (n from 1).
    std::optional<std::string> screenshotOnSignalDir;
};

class FrontEnd {
public:
    explicit FrontEnd(FrontEndOptions options);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    bool open();
    // Runs until the window closes; returns the process exit code.
    int run();

private:
    void handle(const SDL_Event& e);
    void touchFromMouse(int x, int y, ui::TouchPhase phase);
    void present(bool force);
    bool writeScreenshot(const std::string& path);
    void writeRequestedScreenshot(const std::string& dir);
    void rotate(int step);

    FrontEndOptions m_options;
    SDLSession m_sdl{};
    SDLPtr<SDL_Window> m_window{};
    SDLPtr<SDL_Renderer> m_renderer{};
    SDLPtr<SDL_Texture> m_texture{};
    ui::Compositor m_compositor;
    SdlTextInput m_textInput;
    bool m_running = false;
    bool m_mouseDown = false;
    bool m_keepingAwake = false;
    int m_signalShots = 0;
    bool m_mismatchReported = false;
};

} // namespace pw::app

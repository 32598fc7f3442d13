#pragma once
// The desktop input method through SDL: text input runs only while a text
// field or view is first responder, the candidate window is placed at its
// caret, and the composition SDL reports (SDL_TEXTEDITING) shows in the field
// until the input method commits it (SDL_TEXTINPUT).
#include "platform/ui/TextInput.h"

#include <SDL.h>

#include <functional>

namespace pw::app {

class SdlTextInput : public ui::TextInputHandler {
public:
    // What is asked of SDL; tests put recorders in.
    struct Ops {
        std::function<void()> start;
        std::function<void()> stop;
        std::function<void(const SDL_Rect&)> setRect;
    };
    static Ops sdlOps();

    // `scale`: window pixels per point.
    explicit SdlTextInput(double scale, Ops ops = sdlOps());

    // The caret rect in points becomes window pixels, grown to whole pixels.
    static SDL_Rect toWindowRect(const gfx::Rect& points, double scale);

    void startTextInput() override;
    void stopTextInput() override;
    void setTextInputRect(const gfx::Rect& screenRect) override;

    // Takes SDL's text events (editing, extended editing, input); false for any other.
    // The text of an extended editing event is freed here, as SDL asks.
    bool handleEvent(const SDL_Event& e);
    // While composing, these keys drive the input method, not the field.
    bool ownsKey(SDL_Keycode key) const;
    bool isComposing() const { return m_composing; }
    bool isRunning() const { return m_running; }

private:
    void compose(const char* text, int cursor);

    double m_scale = 1;
    Ops m_ops;
    bool m_running = false;
    bool m_composing = false;
};

} // namespace pw::app

#include "app/SdlTextInput.h"

#include "platform/ui/Application.h"

#include <cmath>

namespace pw::app {

SdlTextInput::Ops SdlTextInput::sdlOps() {
    Ops ops;
    ops.start = [] { SDL_StartTextInput(); };
    ops.stop = [] { SDL_StopTextInput(); };
    ops.setRect = [](const SDL_Rect& r) {
        SDL_Rect copy = r;
        SDL_SetTextInputRect(&copy);
    };
    return ops;
}

SdlTextInput::SdlTextInput(double scale, Ops ops) : m_scale(scale), m_ops(std::move(ops)) {}

SDL_Rect SdlTextInput::toWindowRect(const gfx::Rect& p, double scale) {
    const int x = static_cast<int>(std::floor(p.x() * scale));
    const int y = static_cast<int>(std::floor(p.y() * scale));
    const int right = static_cast<int>(std::ceil(p.maxX() * scale));
    const int bottom = static_cast<int>(std::ceil(p.maxY() * scale));
    return {x, y, right - x, bottom - y};
}

void SdlTextInput::startTextInput() {
    m_running = true;
    m_composing = false;
    if (m_ops.start)
        m_ops.start();
}

void SdlTextInput::stopTextInput() {
    m_running = false;
    m_composing = false;
    if (m_ops.stop)
        m_ops.stop();
}

void SdlTextInput::setTextInputRect(const gfx::Rect& screenRect) {
    if (m_ops.setRect && !screenRect.isEmpty())
        m_ops.setRect(toWindowRect(screenRect, m_scale));
}

void SdlTextInput::compose(const char* text, int cursor) {
    const std::string t = text ? text : "";
    m_composing = !t.empty();
    ui::TextInput::shared().setMarkedText(t, cursor);
}

bool SdlTextInput::handleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_TEXTEDITING:
        compose(e.edit.text, e.edit.start);
        return true;
    case SDL_TEXTEDITING_EXT:
        // A composition too long for the plain event: SDL hands over its copy.
        compose(e.editExt.text, e.editExt.start);
        SDL_free(e.editExt.text);
        return true;
    case SDL_TEXTINPUT:
        m_composing = false;
        ui::Application::shared().sendText(e.text.text);
        return true;
    default:
        return false;
    }
}

bool SdlTextInput::ownsKey(SDL_Keycode key) const {
    if (!m_composing)
        return false;
    switch (key) {
    case SDLK_BACKSPACE:
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_ESCAPE:
        return true;
    default:
        return false;
    }
}

} // namespace pw::app

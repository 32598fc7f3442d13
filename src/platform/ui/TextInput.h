#pragma once
// The application's side of the desktop input method. Text input runs while a
// text client is first responder: it starts when one takes first-responder
// status and stops when none holds it; the candidate window follows the
// client's caret. The front end plugs the real input method in as the handler
// and feeds compositions back through setMarkedText.
#include "platform/gfx/Geometry.h"

#include <string>

namespace pw::ui {

class Responder;
class TextInputClient;

class TextInputHandler {
public:
    virtual ~TextInputHandler() = default;
    virtual void startTextInput() = 0;
    virtual void stopTextInput() = 0;
    // Where the candidate window should go: the caret, in screen points.
    virtual void setTextInputRect(const gfx::Rect& screenRect) = 0;
};

class TextInput {
public:
    static TextInput& shared();

    void setHandler(TextInputHandler* handler);
    TextInputHandler* handler() const { return m_handler; }
    bool isActive() const { return m_client != nullptr; }
    TextInputClient* activeClient() const { return m_client; }

    // The application's first responder changed (null: none).
    void firstResponderChanged(Responder* responder);
    // A responder is being destroyed: forget it without calling it.
    void responderGone(Responder* responder);
    // A client's caret or text moved: the candidate window follows.
    void caretMoved(TextInputClient& client);
    // The input method's composition for the active client.
    void setMarkedText(const std::string& utf8, int cursor);
    // The active client's caret on the screen (empty when none).
    gfx::Rect caretRectOnScreen() const;

private:
    TextInput() = default;
    TextInputHandler* m_handler = nullptr;
    TextInputClient* m_client = nullptr;
    Responder* m_responder = nullptr;
};

} // namespace pw::ui

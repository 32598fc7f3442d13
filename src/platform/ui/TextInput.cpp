#include "platform/ui/TextInput.h"

#include "platform/ui/Responder.h"
#include "platform/ui/TextInputClient.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace pw::ui {

TextInput& TextInput::shared() {
    static TextInput input;
    return input;
}

void TextInput::setHandler(TextInputHandler* handler) {
    if (m_handler && m_client)
        m_handler->stopTextInput();
    m_handler = handler;
    if (m_handler && m_client) {
        m_handler->startTextInput();
        m_handler->setTextInputRect(caretRectOnScreen());
    }
}

void TextInput::firstResponderChanged(Responder* responder) {
    auto* client = dynamic_cast<TextInputClient*>(responder);
    if (client == m_client)
        return;
    if (m_client) {
        // A composition does not follow the focus into another field.
        m_client->unmarkText();
        if (m_handler)
            m_handler->stopTextInput();
    }
    m_client = client;
    m_responder = client ? responder : nullptr;
    if (m_client && m_handler) {
        m_handler->startTextInput();
        m_handler->setTextInputRect(caretRectOnScreen());
    }
}

void TextInput::responderGone(Responder* responder) {
    if (!responder || responder != m_responder)
        return;
    m_client = nullptr;
    m_responder = nullptr;
    if (m_handler)
        m_handler->stopTextInput();
}

void TextInput::caretMoved(TextInputClient& client) {
    if (&client == m_client && m_handler)
        m_handler->setTextInputRect(caretRectOnScreen());
}

void TextInput::setMarkedText(const std::string& utf8, int cursor) {
    if (!m_client)
        return;
    if (utf8.empty())
        m_client->unmarkText();
    else
        m_client->setMarkedText(utf8, cursor);
}

gfx::Rect TextInput::caretRectOnScreen() const {
    const auto* view = dynamic_cast<const View*>(m_client);
    if (!view)
        return {};
    const gfx::Rect inWindow = view->convertRectToView(m_client->caretRect(), nullptr);
    if (const Window* w = view->window())
        return w->layer()->model().toSuperlayer().apply(inWindow);
    return inWindow;
}

} // namespace pw::ui

#include "platform/ui/Responder.h"

#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace pw::ui {

Responder::~Responder() {
    Application::shared().responderGone(this);
}

void Responder::touchesBegan(const TouchSet& t) {
    if (auto* n = nextResponder())
        n->touchesBegan(t);
}
void Responder::touchesMoved(const TouchSet& t) {
    if (auto* n = nextResponder())
        n->touchesMoved(t);
}
void Responder::touchesEnded(const TouchSet& t) {
    if (auto* n = nextResponder())
        n->touchesEnded(t);
}
void Responder::touchesCancelled(const TouchSet& t) {
    if (auto* n = nextResponder())
        n->touchesCancelled(t);
}

bool Responder::becomeFirstResponder() {
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    return Application::shared().makeFirstResponder(this);
}

bool Responder::resignFirstResponder() {
    if (!isFirstResponder())
        return true;
    if (!canResignFirstResponder())
        return false;
    return Application::shared().makeFirstResponder(nullptr);
}

bool Responder::isFirstResponder() const {
    return Application::shared().firstResponder() == this;
}

bool Responder::insertText(const std::string&) {
    return false;
}
bool Responder::deleteBackward() {
    return false;
}
bool Responder::insertNewline() {
    return false;
}

} // namespace pw::ui

#pragma once
// Anything that can receive touches and keys: views, view controllers, the
// window and the application, chained through nextResponder.
#include "platform/ui/Touch.h"

#include <string>
#include <vector>

namespace pw::ui {

class Responder {
public:
    virtual ~Responder();

    virtual Responder* nextResponder() const { return nullptr; }

    // By default touches travel up the responder chain.
    virtual void touchesBegan(const TouchSet& touches);
    virtual void touchesMoved(const TouchSet& touches);
    virtual void touchesEnded(const TouchSet& touches);
    virtual void touchesCancelled(const TouchSet& touches);

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;

    // Keyboard text for the first responder; false when it takes no text.
    virtual bool insertText(const std::string& utf8);
    virtual bool deleteBackward();
    // Return or Enter.
    virtual bool insertNewline();
    // Text inputs bring the on-screen keyboard up while they are first responder.
    virtual bool wantsKeyboard() const { return false; }

protected:
    friend class Application;
    // Called after this responder has taken or lost first-responder status.
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}
};

} // namespace pw::ui

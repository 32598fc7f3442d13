#pragma once

// The shape the reading menus share: the first genMenuAndShow builds the
// controls (the view left hidden), every one then plays the slide or fade in;
// close hides. A menu may follow a pair of notifications that close and show it.

#include <memory>
#include <string>

#include "platform/core/ObserverToken.h"
#include "platform/ui/View.h"

namespace pw {

class ReaderMenuView : public ui::View {
public:
    void genMenuAndShow();
    virtual void showWithAnimate();
    virtual void close() { setHidden(true); }

    bool hasGenMenu = false;
    bool hasAddHandler = false;

protected:
    explicit ReaderMenuView(const gfx::Rect& frame) : View(frame) {}
    virtual void build() = 0;
    // Where showWithAnimate starts: an offset that slides back, or a fade.
    void setEntrance(gfx::Point offset, double duration) {
        m_entranceOffset = offset;
        m_entranceDuration = duration;
    }
    void setFadeEntrance(double duration) {
        m_fade = true;
        m_entranceDuration = duration;
    }
    // Registered once per view: an earlier registration is dropped first.
    void observeCloseAndShow(const std::string& closeName, const std::string& showName);

private:
    gfx::Point m_entranceOffset;
    double m_entranceDuration = 0.4;
    bool m_fade = false;
    core::ObserverToken m_closeObserver;
    core::ObserverToken m_showObserver;
};

} // namespace pw

#pragma once
// A window above the application for alerts and action sheets: it dims what is
// under it, takes every touch, and holds a container turned to the interface
// orientation, in which the popup lays itself out.
#include "platform/ui/Window.h"

namespace pw::ui {

class PopupWindow : public Window {
public:
    static std::shared_ptr<PopupWindow> create(double level = kWindowLevelAlert);

    // Interface-oriented area the popup lives in (status bar excluded).
    View& container() { return *m_container; }
    void setDimAlpha(double a);
    void show();
    void close();

protected:
    PopupWindow();
    friend class View;
    void didCreate() override;

private:
    std::shared_ptr<View> m_dim;
    std::shared_ptr<View> m_container;
};

} // namespace pw::ui

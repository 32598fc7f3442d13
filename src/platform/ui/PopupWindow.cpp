#include "platform/ui/PopupWindow.h"

#include "platform/ui/Application.h"

#include <numbers>

namespace pw::ui {

std::shared_ptr<PopupWindow> PopupWindow::create(double level) {
    auto w = View::create<PopupWindow>();
    w->setWindowLevel(level);
    return w;
}

PopupWindow::PopupWindow() : Window(Application::shared().screenBounds()) {
    setOpaque(false);
}

void PopupWindow::didCreate() {
    Window::didCreate();
    m_dim = View::create(bounds());
    m_dim->setBackgroundColor(gfx::Color(0, 0, 0, 0.4));
    addSubview(m_dim);
    const gfx::Rect app = Application::shared().applicationFrame();
    const auto o = Application::shared().statusBarOrientation();
    const bool landscape = device::Device::isLandscape(o);
    m_container =
        View::create(gfx::Rect(0, 0, landscape ? app.height() : app.width(), landscape ? app.width() : app.height()));
    double angle = 0;
    if (o == device::Orientation::PortraitUpsideDown)
        angle = std::numbers::pi;
    else if (o == device::Orientation::LandscapeLeft)
        angle = std::numbers::pi / 2;
    else if (o == device::Orientation::LandscapeRight)
        angle = -std::numbers::pi / 2;
    m_container->setTransform(gfx::AffineTransform::rotation(angle));
    m_container->setCenter(app.center());
    m_container->setOpaque(false);
    addSubview(m_container);
}

void PopupWindow::setDimAlpha(double a) {
    m_dim->setBackgroundColor(gfx::Color(0, 0, 0, a));
}

void PopupWindow::show() {
    makeKeyAndVisible();
}

void PopupWindow::close() {
    resignVisible();
}

} // namespace pw::ui

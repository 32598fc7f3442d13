#include "reader/ReaderMenuView.h"

#include "platform/core/NotificationCenter.h"

namespace pw {

void ReaderMenuView::genMenuAndShow() {
    if (!hasGenMenu) {
        build();
        setHidden(true);
        hasGenMenu = true;
    }
    showWithAnimate();
}

void ReaderMenuView::showWithAnimate() {
    setHidden(false);
    ui::BlockAnimationOptions options;
    options.duration = m_entranceDuration;
    options.curve = ui::TimingFunction::EaseOut;
    if (m_fade) {
        setAlpha(0);
        View::animate(options, [this] { setAlpha(1); });
        return;
    }
    setTransform(gfx::AffineTransform::translation(m_entranceOffset.x, m_entranceOffset.y));
    View::animate(options, [this] { setTransform(gfx::AffineTransform::identity()); });
}

void ReaderMenuView::observeCloseAndShow(const std::string& closeName, const std::string& showName) {
    m_closeObserver = {};
    m_showObserver = {};
    auto& centre = core::NotificationCenter::defaultCenter();
    // The views live on the main thread with the menus; a weak hold lets a
    // late notification find nothing.
    std::weak_ptr<View> weak = shared_from_this();
    m_closeObserver = centre.addObserver(closeName, [weak](const core::Notification&) {
        if (auto v = std::static_pointer_cast<ReaderMenuView>(weak.lock()))
            v->close();
    });
    m_showObserver = centre.addObserver(showName, [weak](const core::Notification&) {
        if (auto v = std::static_pointer_cast<ReaderMenuView>(weak.lock()))
            v->genMenuAndShow();
    });
}

} // namespace pw

#include "foundation/widgets/MyActivityIndicatorView.h"

#include "platform/core/Paths.h"

#include <string>

namespace pw {

namespace {
gfx::Image frameImage(int i) {
    const auto path = core::Paths::resource("status_l" + std::to_string(i) + ".png");
    return gfx::Image::fromFile(path.string()).value_or(gfx::Image{});
}
} // namespace

MyActivityIndicatorView::MyActivityIndicatorView(const gfx::Rect& frame) : View(frame) {}

void MyActivityIndicatorView::didCreate() {
    setup();
}

std::shared_ptr<MyActivityIndicatorView> MyActivityIndicatorView::initWithFrame(const gfx::Rect& frame) {
    return View::create<MyActivityIndicatorView>(frame);
}

std::shared_ptr<MyActivityIndicatorView> MyActivityIndicatorView::init() {
    return initWithFrame({});
}

void MyActivityIndicatorView::setup() {
    if (m_activityImageView)
        return;
    m_count = 0;
    const gfx::Rect f = frame();
    setFrame({f.x(), f.y(), kSide, kSide});
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                        ui::FlexibleBottomMargin);
    setHidden(true);
    auto iv = View::create<ui::ImageView>(frameImage(1));
    std::vector<gfx::Image> frames;
    for (int i = 1; i <= 6; ++i)
        frames.push_back(frameImage(i));
    iv->setAnimationImages(std::move(frames));
    iv->setAnimationDuration(kCycle);
    iv->setFrame(bounds());
    addSubview(iv);
    m_activityImageView = iv.get();
}

void MyActivityIndicatorView::startAnimating() {
    ++m_count;
    setHidden(false);
    if (m_activityImageView)
        m_activityImageView->startAnimating();
}

void MyActivityIndicatorView::stopAnimating() {
    --m_count;
    if (m_count <= 0)
        m_count = 0;
    setHidden(true);
    if (m_activityImageView)
        m_activityImageView->stopAnimating();
}

void MyActivityIndicatorView::stopAnimatingUtilAllDone() {
    --m_count;
    if (m_count > 0)
        return;
    m_count = 0;
    setHidden(true);
    if (m_activityImageView)
        m_activityImageView->stopAnimating();
}

} // namespace pw

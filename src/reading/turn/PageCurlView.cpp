#include "reading/turn/PageCurlView.h"

#include "platform/ui/Transaction.h"
#include "reading/turn/PixelSnap.h"

#include <algorithm>

namespace pw {

namespace {

// A clipping page layer with its picture pinned as given.
std::shared_ptr<ui::Layer> pageLayer(ui::ContentsGravity gravity) {
    auto l = ui::Layer::create();
    l->setMasksToBounds(true);
    l->setBackgroundColor(gfx::Color::clear());
    l->setContentsGravity(gravity);
    return l;
}

// Black at the given alpha fading to clear, from one side of the layer to the other.
std::shared_ptr<ui::GradientLayer> shadowLayer(double alpha, gfx::Point start, gfx::Point end) {
    auto g = ui::GradientLayer::create();
    g->setColors({gfx::Color(0, 0, 0, alpha), gfx::Color::clear()});
    g->setStartPoint(start);
    g->setEndPoint(end);
    return g;
}

// Layer changes that show at once.
template <typename F>
void withoutAnimation(F&& changes) {
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    changes();
    ui::Transaction::commit();
}

} // namespace

void PageCurlView::didCreate() {
    setUpLayers();
    LeafTurnView::didCreate();
}

void PageCurlView::setUpLayers() {
    setClipsToBounds(true);
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);

    m_topPage = pageLayer(ui::ContentsGravity::Left);
    m_topPageShadow = shadowLayer(0.4, {1.0, 0.5}, {0, 0.5});
    m_topPageReverse = ui::Layer::create();
    m_topPageReverse->setMasksToBounds(true);
    m_topPageReverseImage = pageLayer(ui::ContentsGravity::Right);
    m_topPageReverseOverlay = ui::Layer::create();
    m_topPageReverseOverlay->setBackgroundColor(gfx::Color(1, 1, 1, kReverseOverlayAlpha));
    m_topPageReverseShading = shadowLayer(0.6, {1.0, 0.5}, {0, 0.5});
    m_bottomPage = pageLayer(ui::ContentsGravity::Resize);
    m_bottomPageShadow = shadowLayer(0.6, {0, 0.5}, {1.0, 0.5});

    layer()->addSublayer(m_bottomPage);
    layer()->addSublayer(m_topPage);
    layer()->addSublayer(m_topPageReverse);
    m_bottomPage->addSublayer(m_bottomPageShadow);
    m_topPage->addSublayer(m_topPageShadow);
    m_topPageReverse->addSublayer(m_topPageReverseImage);
    m_topPageReverse->addSublayer(m_topPageReverseOverlay);
    m_topPageReverse->addSublayer(m_topPageReverseShading);

    withoutAnimation([&] { setLeafEdge(1); });
}

double PageCurlView::reverseLeftBorder(double e, double w) {
    return std::min(e * w, (2 * e - 1) * w + 100 * e * e + 110 * e);
}

void PageCurlView::setLayerFrames() {
    withoutAnimation([&] { placeLayers(presentedLeafEdge()); });
}

void PageCurlView::edgeDidChange(double shown) {
    if (m_topPage)
        withoutAnimation([&] { placeLayers(shown); });
}

void PageCurlView::placeLayers(double e) {
    if (!m_topPage)
        return;
    m_topPageShadow->setOpacity(std::min(1.0, 4 * (1 - e)));
    m_bottomPageShadow->setOpacity(std::min(1.0, 4 * e));

    const double w = bounds().width(), h = bounds().height();
    const double ew = e * w;
    // The back's border falls on a whole device pixel, so the mirrored picture is
    // copied rather than resampled (sharp, and many times faster on a large screen).
    const double x = snapToPixel(reverseLeftBorder(e, w));
    const double rw = (w - x) / 2;
    m_topPage->setFrame({0, 0, ew, h});
    m_topPageReverse->setFrame({x, 0, rw, h});
    m_bottomPage->setFrame({0, 0, w, h});
    m_topPageShadow->setFrame({x - kTopShadowWidth, 0, kTopShadowWidth, h});
    m_topPageReverseImage->setFrame({0, 0, rw, h});
    m_topPageReverseImage->setTransform(gfx::AffineTransform::scaling(-1, 1));
    m_topPageReverseOverlay->setFrame({0, 0, rw, h});
    m_topPageReverseShading->setFrame({rw - kReverseShadingInset, 0, kReverseShadingWidth, h});
    m_bottomPageShadow->setFrame({ew, 0, kBottomShadowWidth, h});
}

void PageCurlView::setTopPage(const gfx::Image& top, const gfx::Image& bottom) {
    withoutAnimation([&] {
        m_topPage->setContents(top);
        m_topPageReverseImage->setContents(top);
        m_bottomPage->setContents(bottom);
    });
}

void PageCurlView::setTopPageImage(const gfx::Image& image) {
    withoutAnimation([&] {
        m_topPage->setContents(image);
        m_topPageReverseImage->setContents(image);
    });
}

void PageCurlView::setBottomPageImage(const gfx::Image& image) {
    withoutAnimation([&] { m_bottomPage->setContents(image); });
}

void PageCurlView::didTurnPageForward() {
    setTopPageImage(finalImage());
    reset();
}

} // namespace pw

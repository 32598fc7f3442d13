#include "reading/turn/AutoScrollView.h"

#include "platform/core/RunLoop.h"
#include "platform/ui/Transaction.h"

namespace pw {

namespace {

void withoutActions(const std::function<void()>& changes) {
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    changes();
    ui::Transaction::commit();
}

} // namespace

AutoScrollView::AutoScrollView(const gfx::Rect& frame)
    : BaseView(frame), m_edge(1, [this](double shown) { setLayerFrames(shown); }) {}

AutoScrollView::~AutoScrollView() {
    m_completion.cancel();
}

void AutoScrollView::didCreate() {
    setClipsToBounds(true);
    m_topPage = ui::Layer::create();
    m_topPage->setMasksToBounds(true);
    // Pinned to the top, so the growing layer reveals the next page in place.
    m_topPage->setContentsGravity(ui::ContentsGravity::Top);
    m_topPageShading = ui::GradientLayer::create();
    m_topPageShading->setColors({gfx::Color(0, 0, 0, 0.6), gfx::Color::clear()});
    m_topPageShading->setStartPoint({0.5, 0});
    m_topPageShading->setEndPoint({0.5, 1});
    m_bottomPage = ui::Layer::create();
    m_bottomPage->setMasksToBounds(true);
    layer()->addSublayer(m_bottomPage);
    layer()->addSublayer(m_topPageShading);
    layer()->addSublayer(m_topPage);
    layoutSubviews();
}

void AutoScrollView::layoutSubviews() {
    BaseView::layoutSubviews();
    const gfx::Size size = bounds().size;
    if (size.width == m_pageSize.width && size.height == m_pageSize.height)
        return;
    m_pageSize = size;
    setLayerFrames(m_edge.presented());
}

void AutoScrollView::setLayerFrames(double shown) {
    if (!m_topPage)
        return;
    const gfx::Rect b = bounds();
    withoutActions([&] {
        m_topPage->setFrame({b.x(), b.y(), b.width(), shown * b.height()});
        m_topPageShading->setFrame({0, shown * b.height(), b.width(), kShadingHeight});
        m_bottomPage->setFrame(b);
    });
}

void AutoScrollView::setTopImage(const gfx::Image& top, const gfx::Image& bottom) {
    withoutActions([&] {
        m_topPage->setContents(top);
        m_bottomPage->setContents(bottom);
    });
}

void AutoScrollView::setTopPageImage(const gfx::Image& image) {
    withoutActions([&] { m_topPage->setContents(image); });
}

void AutoScrollView::setBottomPageImage(const gfx::Image& image) {
    withoutActions([&] { m_bottomPage->setContents(image); });
}

void AutoScrollView::setleafTopEdge(double e) {
    withoutActions([&] { m_edge.set(e); });
}

void AutoScrollView::touchesBegan(gfx::Point) {
    setleafTopEdge(0);
}

void AutoScrollView::touchesMoved(gfx::Point p) {
    const double h = bounds().height();
    setleafTopEdge(h > 0 ? p.y / h : 0);
}

void AutoScrollView::touchesEnded(gfx::Point) {
    m_edge.set(0);
    m_completion.cancel();
    auto weak = std::weak_ptr<AutoScrollView>(std::static_pointer_cast<AutoScrollView>(sharedFromThis()));
    m_completion = core::RunLoop::main().postAfter(0.25, [weak] {
        if (auto self = weak.lock())
            self->didTurnPageForward();
    });
}

void AutoScrollView::didTurnPageForward() {
    setTopPageImage(m_finalImage);
    reset();
}

void AutoScrollView::reset() {
    m_completion.cancel();
    setleafTopEdge(1);
    BaseView::reset();
}

} // namespace pw

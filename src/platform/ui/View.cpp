#include "platform/ui/View.h"

#include "platform/core/RunLoop.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

using gfx::Point;
using gfx::Rect;
using gfx::Size;

View::View() {
    m_layer->setDelegate(this);
}

View::View(const Rect& frame) : View() {
    setFrame(frame);
}

View::~View() {
    m_layer->setDelegate(nullptr);
    for (auto& r : m_recognizers)
        r->m_view = nullptr;
    for (auto& s : m_subviews) {
        s->m_superview = nullptr;
        s->forgetWindow();
    }
}

void View::forgetWindow() {
    m_window = nullptr;
    for (auto& s : m_subviews)
        s->forgetWindow();
}

// --- geometry ---

Rect View::frame() const {
    return m_layer->frame();
}

void View::setFrame(const Rect& f) {
    PW_ASSERT_MAIN_THREAD();
    const Size old = bounds().size;
    Rect b = bounds();
    b.size = f.size;
    if (m_layer->transform().isIdentity()) {
        m_layer->setBounds(b);
        m_layer->setPosition({f.x() + f.width() / 2, f.y() + f.height() / 2});
    } else {
        // With a transform the frame is not well defined: only the centre moves.
        m_layer->setPosition({f.midX(), f.midY()});
    }
    if (bounds().size != old)
        boundsSizeDidChange(old);
}

void View::setBounds(const Rect& b) {
    const Size old = bounds().size;
    m_layer->setBounds(b);
    if (b.size != old)
        boundsSizeDidChange(old);
}

void View::setCenter(Point c) {
    m_layer->setPosition(c);
}
void View::setTransform(const gfx::AffineTransform& t) {
    m_layer->setTransform(t);
}
void View::setAlpha(double a) {
    m_layer->setOpacity(a);
}
void View::setHidden(bool h) {
    PW_ASSERT_MAIN_THREAD();
    m_layer->setHidden(h);
}

void View::setContentMode(ContentMode m) {
    m_contentMode = m;
    static const ContentsGravity map[] = {
        ContentsGravity::Resize,     ContentsGravity::ResizeAspect, ContentsGravity::ResizeAspectFill,
        ContentsGravity::Resize,     ContentsGravity::Center,       ContentsGravity::Top,
        ContentsGravity::Bottom,     ContentsGravity::Left,         ContentsGravity::Right,
        ContentsGravity::TopLeft,    ContentsGravity::TopRight,     ContentsGravity::BottomLeft,
        ContentsGravity::BottomRight};
    m_layer->setContentsGravity(map[static_cast<int>(m)]);
}

void View::boundsSizeDidChange(Size oldSize) {
    setNeedsLayout();
    if (m_contentMode == ContentMode::Redraw)
        setNeedsDisplay();
    if (m_autoresizesSubviews)
        resizeSubviews(oldSize);
}

void View::resizeSubviews(Size oldSize) {
    const Size now = bounds().size;
    const double dw = now.width - oldSize.width;
    const double dh = now.height - oldSize.height;
    for (auto& sub : m_subviews) {
        const unsigned m = sub->m_autoresizing;
        if (m == AutoresizingNone)
            continue;
        Rect f = sub->frame();
        // The change is shared among the flexible parts in proportion to their sizes.
        auto distribute = [](double delta, double before, double size, double after, bool fb, bool fs, bool fa,
                             double& pos, double& len) {
            const double total = (fb ? before : 0) + (fs ? size : 0) + (fa ? after : 0);
            const int count = (fb ? 1 : 0) + (fs ? 1 : 0) + (fa ? 1 : 0);
            if (count == 0)
                return;
            auto share = [&](bool flex, double part) {
                if (!flex)
                    return 0.0;
                return total > 0 ? delta * part / total : delta / count;
            };
            pos += share(fb, before);
            len += share(fs, size);
        };
        double x = f.x(), w = f.width(), y = f.y(), h = f.height();
        distribute(dw, f.x(), f.width(), oldSize.width - f.maxX(), m & FlexibleLeftMargin, m & FlexibleWidth,
                   m & FlexibleRightMargin, x, w);
        distribute(dh, f.y(), f.height(), oldSize.height - f.maxY(), m & FlexibleTopMargin, m & FlexibleHeight,
                   m & FlexibleBottomMargin, y, h);
        sub->setFrame({x, y, std::max(0.0, w), std::max(0.0, h)});
    }
}

// --- hierarchy ---

Window* View::window() const {
    return m_window;
}

void View::addSubview(std::shared_ptr<View> view) {
    insertSubview(std::move(view), m_subviews.size());
}

void View::insertSubview(std::shared_ptr<View> view, size_t index) {
    PW_ASSERT_MAIN_THREAD();
    if (!view || view.get() == this)
        return;
    if (view->m_superview == this) {
        // Moving within the same parent: reorder only.
        auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
        const size_t from = static_cast<size_t>(it - m_subviews.begin());
        m_subviews.erase(it);
        if (index > from)
            --index;
        index = std::min(index, m_subviews.size());
        m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    } else {
        if (view->m_superview)
            view->removeFromSuperview();
        view->willMoveToSuperview(this);
        index = std::min(index, m_subviews.size());
        m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
        view->m_superview = this;
    }
    // Layer order follows view order: place it just above the previous subview's layer.
    const size_t pos = static_cast<size_t>(std::find(m_subviews.begin(), m_subviews.end(), view) - m_subviews.begin());
    if (pos > 0)
        m_layer->insertSublayerAbove(view->m_layer, m_subviews[pos - 1]->m_layer.get());
    else if (m_subviews.size() > 1)
        m_layer->insertSublayerBelow(view->m_layer, m_subviews[1]->m_layer.get());
    else
        m_layer->addSublayer(view->m_layer);
    if (view->m_window != m_window) {
        Window* old = view->m_window;
        view->willMoveToWindow(m_window);
        view->setWindowRecursive(m_window);
        view->didChangeWindow(old);
    }
    view->didMoveToSuperview();
    didAddSubview(view.get());
    setNeedsLayout();
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
    for (size_t i = 0; i < m_subviews.size(); ++i)
        if (m_subviews[i].get() == sibling)
            return insertSubview(std::move(view), i + 1);
    addSubview(std::move(view));
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
    for (size_t i = 0; i < m_subviews.size(); ++i)
        if (m_subviews[i].get() == sibling)
            return insertSubview(std::move(view), i);
    insertSubview(std::move(view), 0);
}

void View::removeFromSuperview() {
    PW_ASSERT_MAIN_THREAD();
    View* parent = m_superview;
    if (!parent)
        return;
    auto self = shared_from_this();
    parent->willRemoveSubview(this);
    willMoveToSuperview(nullptr);
    if (m_window) {
        Window* old = m_window;
        willMoveToWindow(nullptr);
        setWindowRecursive(nullptr);
        didChangeWindow(old);
    }
    auto& subs = parent->m_subviews;
    subs.erase(std::remove(subs.begin(), subs.end(), self), subs.end());
    m_superview = nullptr;
    m_layer->removeFromSuperlayer();
    didMoveToSuperview();
}

void View::setWindowRecursive(Window* window) {
    if (m_window && m_window != window)
        m_window->viewWillLeave(this);
    m_window = window;
    for (auto& s : m_subviews)
        s->setWindowRecursive(window);
}

void View::didChangeWindow(Window* old) {
    (void)old;
    didMoveToWindow();
    for (auto& s : std::vector<std::shared_ptr<View>>(m_subviews))
        s->didChangeWindow(old);
}

void View::bringSubviewToFront(const View* view) {
    for (auto& s : m_subviews)
        if (s.get() == view) {
            auto keep = s;
            insertSubview(keep, m_subviews.size());
            return;
        }
}

void View::sendSubviewToBack(const View* view) {
    for (auto& s : m_subviews)
        if (s.get() == view) {
            auto keep = s;
            insertSubview(keep, 0);
            return;
        }
}

void View::exchangeSubviews(size_t a, size_t b) {
    if (a >= m_subviews.size() || b >= m_subviews.size() || a == b)
        return;
    auto va = m_subviews[a], vb = m_subviews[b];
    if (a > b)
        std::swap(a, b), std::swap(va, vb);
    insertSubview(vb, a);
    insertSubview(va, b + 1);
}

bool View::isDescendantOfView(const View* view) const {
    for (const View* v = this; v; v = v->m_superview)
        if (v == view)
            return true;
    return false;
}

View* View::viewWithTag(int tag) {
    if (m_tag == tag)
        return this;
    for (auto& s : m_subviews)
        if (View* v = s->viewWithTag(tag))
            return v;
    return nullptr;
}

// --- layout and drawing ---

void View::layoutIfNeeded() {
    PW_ASSERT_MAIN_THREAD();
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSubviews();
    }
    for (auto& s : std::vector<std::shared_ptr<View>>(m_subviews))
        s->layoutIfNeeded();
}

Size View::sizeThatFits(Size) const {
    return bounds().size;
}

void View::sizeToFit() {
    const Size s = sizeThatFits(bounds().size);
    const Rect f = frame();
    setFrame({f.x(), f.y(), s.width, s.height});
}

void View::draw(gfx::Context&, const Rect&) {}

void View::drawLayer(Layer&, gfx::Context& ctx) {
    draw(ctx, bounds());
}

// --- coordinates ---

namespace {

// From a view's own coordinates to its window's.
gfx::AffineTransform toWindow(const View* v) {
    gfx::AffineTransform t;
    for (; v && v->superview(); v = v->superview())
        t = t.concat(v->layer()->model().toSuperlayer());
    return t;
}

// From a view's own coordinates to the screen (window placement included).
gfx::AffineTransform toScreen(const View* v) {
    gfx::AffineTransform t;
    for (; v; v = v->superview())
        t = t.concat(v->layer()->model().toSuperlayer());
    return t;
}

} // namespace

Point View::convertPointToView(Point p, const View* view) const {
    if (!view)
        return toWindow(this).apply(p);
    return toScreen(view).inverted().apply(toScreen(this).apply(p));
}

Point View::convertPointFromView(Point p, const View* view) const {
    if (!view)
        return toWindow(this).inverted().apply(p);
    return toScreen(this).inverted().apply(toScreen(view).apply(p));
}

Rect View::convertRectToView(const Rect& r, const View* view) const {
    if (!view)
        return toWindow(this).apply(r);
    return toScreen(view).inverted().concat(gfx::AffineTransform{}).apply(toScreen(this).apply(r));
}

Rect View::convertRectFromView(const Rect& r, const View* view) const {
    if (!view)
        return toWindow(this).inverted().apply(r);
    return toScreen(this).inverted().apply(toScreen(view).apply(r));
}

// --- events ---

bool View::pointInside(Point p) const {
    return bounds().contains(p);
}

View* View::hitTest(Point p) {
    if (isHidden() || !m_interaction || alpha() < 0.01)
        return nullptr;
    if (!pointInside(p))
        return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        View* sub = it->get();
        const Point q = sub->layer()->model().toSuperlayer().inverted().apply(p);
        if (View* hit = sub->hitTest(q))
            return hit;
    }
    return this;
}

Responder* View::nextResponder() const {
    if (m_viewController)
        return m_viewController;
    return m_superview;
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
    if (!recognizer)
        return;
    if (recognizer->m_view && recognizer->m_view != this)
        recognizer->m_view->removeGestureRecognizer(recognizer.get());
    recognizer->m_view = this;
    m_recognizers.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
    for (auto it = m_recognizers.begin(); it != m_recognizers.end(); ++it)
        if (it->get() == recognizer) {
            (*it)->m_view = nullptr;
            m_recognizers.erase(it);
            return;
        }
}

// --- view animations ---

namespace {
bool g_animationsEnabled = true;
int g_openBeginAnimations = 0;
} // namespace

void View::animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion) {
    BlockAnimationOptions o;
    o.duration = duration;
    animate(o, changes, std::move(completion));
}

void View::animate(const BlockAnimationOptions& options, const std::function<void()>& changes,
                   std::function<void(bool)> completion) {
    PW_ASSERT_MAIN_THREAD();
    auto& an = Animator::shared();
    if (!g_animationsEnabled || options.duration <= 0) {
        an.beginSuppressed();
        if (changes)
            changes();
        an.endSuppressed();
        if (completion)
            an.post([c = std::move(completion)] { c(true); });
        return;
    }
    an.beginBlock(options, std::move(completion));
    if (changes)
        changes();
    an.endBlock();
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
    PW_ASSERT_MAIN_THREAD();
    auto& an = Animator::shared();
    an.beginSuppressed();
    changes();
    an.endSuppressed();
}

void View::beginAnimations() {
    PW_ASSERT_MAIN_THREAD();
    ++g_openBeginAnimations;
    Animator::shared().beginBlock(BlockAnimationOptions{}, {});
}

void View::setAnimationDuration(double d) {
    if (auto* o = Animator::shared().openBlockOptions())
        o->duration = d;
}
void View::setAnimationDelay(double d) {
    if (auto* o = Animator::shared().openBlockOptions())
        o->delay = d;
}
void View::setAnimationCurve(TimingFunction c) {
    if (auto* o = Animator::shared().openBlockOptions())
        o->curve = c;
}
void View::setAnimationRepeatCount(double n) {
    if (auto* o = Animator::shared().openBlockOptions())
        o->repeatCount = n;
}
void View::setAnimationRepeatAutoreverses(bool r) {
    if (auto* o = Animator::shared().openBlockOptions())
        o->autoreverses = r;
}
void View::setAnimationDidStop(std::function<void(bool)> fn) {
    Animator::shared().setOpenBlockCompletion(std::move(fn));
}

void View::commitAnimations() {
    PW_ASSERT_MAIN_THREAD();
    if (g_openBeginAnimations == 0)
        return;
    --g_openBeginAnimations;
    Animator::shared().endBlock();
}

void View::setAnimationsEnabled(bool enabled) {
    g_animationsEnabled = enabled;
}
bool View::areAnimationsEnabled() {
    return g_animationsEnabled;
}

} // namespace pw::ui

#include "platform/ui/Layer.h"

#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Animator.h"
#include "platform/ui/RepaintQueue.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace pw::ui {

using gfx::AffineTransform;
using gfx::Point;
using gfx::Rect;
using gfx::Size;

AffineTransform LayerState::toSuperlayer() const {
    const double ox = anchorPoint.x * bounds.width() + bounds.x();
    const double oy = anchorPoint.y * bounds.height() + bounds.y();
    return AffineTransform::translation(-ox, -oy).concat(transform).concat(
        AffineTransform::translation(position.x, position.y));
}

Rect LayerState::frame() const {
    return toSuperlayer().apply(Rect(bounds.origin, bounds.size));
}

std::optional<AnimationValue> layerStateValue(const LayerState& s, const std::string& key) {
    if (key == "position")
        return s.position;
    if (key == "position.x")
        return s.position.x;
    if (key == "position.y")
        return s.position.y;
    if (key == "bounds")
        return s.bounds;
    if (key == "bounds.size")
        return s.bounds.size;
    if (key == "bounds.origin")
        return s.bounds.origin;
    if (key == "opacity")
        return s.opacity;
    if (key == "transform")
        return s.transform;
    if (key == "transform.scale" || key == "transform.scale.x")
        return std::hypot(s.transform.a, s.transform.b);
    if (key == "transform.scale.y")
        return std::hypot(s.transform.c, s.transform.d);
    if (key == "transform.rotation.z" || key == "transform.rotation")
        return std::atan2(s.transform.b, s.transform.a);
    if (key == "transform.translation.x")
        return s.transform.tx;
    if (key == "transform.translation.y")
        return s.transform.ty;
    if (key == "backgroundColor")
        return s.backgroundColor;
    if (key == "borderColor")
        return s.borderColor;
    if (key == "cornerRadius")
        return s.cornerRadius;
    if (key == "borderWidth")
        return s.borderWidth;
    if (key == "shadowOpacity")
        return s.shadowOpacity;
    if (key == "contentsRect")
        return s.contentsRect;
    return std::nullopt;
}

void setLayerStateValue(LayerState& s, const std::string& key, const AnimationValue& v) {
    auto num = [&](double& target) {
        if (auto* d = std::get_if<double>(&v))
            target = *d;
    };
    if (key == "position") {
        if (auto* p = std::get_if<Point>(&v))
            s.position = *p;
    } else if (key == "position.x") {
        num(s.position.x);
    } else if (key == "position.y") {
        num(s.position.y);
    } else if (key == "bounds") {
        if (auto* r = std::get_if<Rect>(&v))
            s.bounds = *r;
    } else if (key == "bounds.size") {
        if (auto* z = std::get_if<Size>(&v))
            s.bounds.size = *z;
    } else if (key == "bounds.origin") {
        if (auto* p = std::get_if<Point>(&v))
            s.bounds.origin = *p;
    } else if (key == "opacity") {
        num(s.opacity);
    } else if (key == "transform") {
        if (auto* t = std::get_if<AffineTransform>(&v))
            s.transform = *t;
    } else if (key == "transform.scale" || key == "transform.scale.x" || key == "transform.scale.y") {
        if (auto* d = std::get_if<double>(&v)) {
            const double angle = std::atan2(s.transform.b, s.transform.a);
            double sx = std::hypot(s.transform.a, s.transform.b);
            double sy = std::hypot(s.transform.c, s.transform.d);
            if (key != "transform.scale.y")
                sx = *d;
            if (key != "transform.scale.x")
                sy = *d;
            s.transform = AffineTransform::scaling(sx, sy)
                              .concat(AffineTransform::rotation(angle))
                              .concat(AffineTransform::translation(s.transform.tx, s.transform.ty));
        }
    } else if (key == "transform.rotation.z" || key == "transform.rotation") {
        if (auto* d = std::get_if<double>(&v)) {
            const double sx = std::hypot(s.transform.a, s.transform.b);
            const double sy = std::hypot(s.transform.c, s.transform.d);
            s.transform = AffineTransform::scaling(sx, sy)
                              .concat(AffineTransform::rotation(*d))
                              .concat(AffineTransform::translation(s.transform.tx, s.transform.ty));
        }
    } else if (key == "transform.translation.x") {
        num(s.transform.tx);
    } else if (key == "transform.translation.y") {
        num(s.transform.ty);
    } else if (key == "backgroundColor") {
        if (auto* c = std::get_if<gfx::Color>(&v))
            s.backgroundColor = *c;
    } else if (key == "borderColor") {
        if (auto* c = std::get_if<gfx::Color>(&v))
            s.borderColor = *c;
    } else if (key == "cornerRadius") {
        num(s.cornerRadius);
    } else if (key == "borderWidth") {
        num(s.borderWidth);
    } else if (key == "shadowOpacity") {
        num(s.shadowOpacity);
    } else if (key == "contentsRect") {
        if (auto* r = std::get_if<Rect>(&v))
            s.contentsRect = *r;
    }
}

Layer::Layer() = default;

Layer::~Layer() {
    RepaintQueue::forget(this);
    RepaintQueue::dropBacking(this);
    if (m_mask && m_mask->m_maskOwner == this)
        m_mask->m_maskOwner = nullptr;
    if (m_registered)
        Animator::shared().unregisterLayer(this);
    for (auto& a : m_animations)
        if (a.second->onStop)
            a.second->onStop(false);
    for (auto& s : m_sublayers)
        s->m_superlayer = nullptr;
}

// --- property setters ---

// Every animatable property changes the same way: nothing happens when the
// value stays, otherwise the change is recorded (and maybe animated) first.
template <class T>
void Layer::setAnimatable(const char* key, T& field, const T& value) {
    if (value == field)
        return;
    propertyWillChange(key, field, value);
    field = value;
    placeChanged();
}

void Layer::setPosition(Point p) {
    setAnimatable("position", m_model.position, p);
}

void Layer::setBounds(const Rect& r) {
    setAnimatable("bounds", m_model.bounds, r);
}

void Layer::setAnchorPoint(Point p) {
    if (p == m_model.anchorPoint)
        return;
    m_model.anchorPoint = p;
    placeChanged();
}

void Layer::setTransform(const AffineTransform& t) {
    setAnimatable("transform", m_model.transform, t);
}

void Layer::setFrame(const Rect& r) {
    setBounds(Rect(m_model.bounds.origin, r.size));
    setPosition({r.x() + m_model.anchorPoint.x * r.width(), r.y() + m_model.anchorPoint.y * r.height()});
}

void Layer::setOpacity(double o) {
    o = std::clamp(o, 0.0, 1.0);
    setAnimatable("opacity", m_model.opacity, o);
}

void Layer::setHidden(bool h) {
    if (h == m_hidden)
        return;
    m_hidden = h;
    placeChanged();
}

void Layer::setMasksToBounds(bool m) {
    m_masksToBounds = m;
    placeChanged();
}

void Layer::setBackgroundColor(const gfx::Color& c) {
    setAnimatable("backgroundColor", m_model.backgroundColor, c);
}

void Layer::setCornerRadius(double r) {
    setAnimatable("cornerRadius", m_model.cornerRadius, r);
}

void Layer::setBorderWidth(double w) {
    setAnimatable("borderWidth", m_model.borderWidth, w);
}

void Layer::setBorderColor(const gfx::Color& c) {
    setAnimatable("borderColor", m_model.borderColor, c);
}

void Layer::setShadowColor(const gfx::Color& c) {
    m_model.shadowColor = c;
    contentChanged();
}

void Layer::setShadowOpacity(double o) {
    setAnimatable("shadowOpacity", m_model.shadowOpacity, o);
}

void Layer::setShadowOffset(Size s) {
    m_model.shadowOffset = s;
    placeChanged();
}

void Layer::setShadowRadius(double r) {
    m_model.shadowRadius = r;
    placeChanged();
}

void Layer::setContents(gfx::Image image) {
    m_contents = std::move(image);
    contentChanged();
}

void Layer::setContentsGravity(ContentsGravity g) {
    m_gravity = g;
    contentChanged();
}

void Layer::setContentsRect(const Rect& unitRect) {
    setAnimatable("contentsRect", m_model.contentsRect, unitRect);
}

void Layer::setMask(std::shared_ptr<Layer> mask) {
    if (mask == m_mask)
        return;
    if (m_mask && m_mask->m_maskOwner == this)
        m_mask->m_maskOwner = nullptr;
    m_mask = std::move(mask);
    if (m_mask) {
        if (m_mask->m_superlayer)
            m_mask->removeFromSuperlayer();
        m_mask->m_maskOwner = this;
    }
    placeChanged();
}

// --- tree ---

void Layer::addSublayer(std::shared_ptr<Layer> layer) {
    insertSublayer(std::move(layer), m_sublayers.size());
}

void Layer::insertSublayer(std::shared_ptr<Layer> layer, size_t index) {
    if (!layer || layer.get() == this)
        return;
    auto keep = layer;
    if (layer->m_superlayer)
        layer->removeFromSuperlayer();
    index = std::min(index, m_sublayers.size());
    m_sublayers.insert(m_sublayers.begin() + static_cast<std::ptrdiff_t>(index), layer);
    layer->m_superlayer = this;
    layer->placeChanged();
}

void Layer::insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling) {
    if (!insertSublayerBeside(layer, sibling, 1))
        addSublayer(std::move(layer));
}

void Layer::insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling) {
    if (!insertSublayerBeside(layer, sibling, 0))
        insertSublayer(std::move(layer), 0);
}

// False when `sibling` is not one of ours (the caller then adds at its end).
bool Layer::insertSublayerBeside(const std::shared_ptr<Layer>& layer, const Layer* sibling, size_t offset) {
    const auto isSibling = [sibling](const std::shared_ptr<Layer>& l) { return l.get() == sibling; };
    if (std::none_of(m_sublayers.begin(), m_sublayers.end(), isSibling))
        return false;
    if (layer.get() == sibling)
        return true;
    // Removing first may shift the sibling's index.
    auto keep = layer;
    if (layer->m_superlayer)
        layer->removeFromSuperlayer();
    const auto at = std::find_if(m_sublayers.begin(), m_sublayers.end(), isSibling);
    if (at == m_sublayers.end())
        return false;
    insertSublayer(std::move(keep), static_cast<size_t>(at - m_sublayers.begin()) + offset);
    return true;
}

void Layer::removeFromSuperlayer() {
    Layer* parent = m_superlayer;
    if (!parent)
        return;
    // What it drew goes with it; it is measured again where it next joins a tree.
    if (m_paintedKnown)
        RepaintQueue::markInRoot(*this, m_paintedTree);
    m_paintedKnown = false;
    m_paintedOwn = m_paintedTree = {};
    auto self = shared_from_this(); // stays alive until we return
    auto& subs = parent->m_sublayers;
    subs.erase(std::remove_if(subs.begin(), subs.end(), [this](const auto& l) { return l.get() == this; }), subs.end());
    m_superlayer = nullptr;
}

Layer* Layer::rootLayer() {
    Layer* l = this;
    while (l->m_superlayer)
        l = l->m_superlayer;
    return l;
}

bool Layer::isInVisibleTree() const {
    const Layer* l = this;
    while (l->m_superlayer) {
        if (l->m_hidden)
            return false;
        l = l->m_superlayer;
    }
    return l->m_host && l->m_host->layerTreeIsVisible();
}

// --- invalidation ---

AffineTransform Layer::transformToRoot(bool presentation) const {
    AffineTransform t;
    for (const Layer* l = this; l; l = l->m_superlayer) {
        const LayerState s = presentation ? l->presentation() : l->m_model;
        t = t.concat(s.toSuperlayer());
    }
    return t;
}

Rect Layer::rectInRoot(const Rect& localRect, bool presentation) const {
    return transformToRoot(presentation).apply(localRect);
}

void Layer::invalidate(const Rect& localRect) {
    RepaintQueue::dropBacking(this);
    const Layer* root = this;
    while (root->m_superlayer)
        root = root->m_superlayer;
    if (!root->m_host)
        return;
    Rect r = rectInRoot(localRect, true);
    r = r.insetBy(-2, -2).integral();
    root->m_host->layerTreeNeedsRedraw(r);
}

void Layer::setHost(LayerHost* host) {
    m_host = host;
    placeChanged();
}

void Layer::contentChanged() {
    RepaintQueue::dropBacking(this);
    if (m_maskOwner) {
        m_maskOwner->placeChanged();
        return;
    }
    if (m_paintedKnown)
        RepaintQueue::markInRoot(*this, m_paintedOwn);
    else
        placeChanged();
}

void Layer::placeChanged() {
    RepaintQueue::enqueue(this);
}

void Layer::setNeedsDisplay() {
    contentChanged();
}
void Layer::setNeedsDisplayInRect(const Rect& r) {
    invalidate(r);
}

// --- animations ---

void Layer::propertyWillChange(const char* key, const AnimationValue& oldValue, const AnimationValue& newValue) {
    if (oldValue == newValue)
        return;
    placeChanged();
    Animator& an = Animator::shared();
    if (auto* block = an.currentBlock()) {
        const auto& o = an.blockOptions(*block);
        auto current = layerStateValue(presentation(), key);
        auto anim = PropertyAnimation::basic(key, current ? *current : oldValue, newValue, o.duration);
        anim->delay = o.delay;
        anim->timing = o.curve;
        anim->repeatCount = o.repeatCount;
        anim->autoreverses = o.autoreverses;
        anim->fillsBackwards = true;
        anim->onStop = an.blockMember(*block);
        addAnimation(std::move(anim), key);
        return;
    }
    if (m_implicit && !m_delegate && !an.disableActions() && isInVisibleTree()) {
        const double d = an.transactionDuration();
        if (d <= 0)
            return;
        auto current = layerStateValue(presentation(), key);
        auto anim = PropertyAnimation::basic(key, current ? *current : oldValue, newValue, d);
        anim->timing = TimingFunction::EaseInOut;
        addAnimation(std::move(anim), key);
    }
}

void Layer::addAnimation(std::shared_ptr<Animation> animation, const std::string& key) {
    if (!animation)
        return;
    if (!key.empty())
        removeAnimation(key);
    animation->m_addedAt = Animator::shared().now();
    animation->m_started = false;
    if (auto* t = dynamic_cast<Transition*>(animation.get()); t && t->m_before.isNull())
        t->m_before = snapshot(device::Device::current().screen().scale);
    m_animations.emplace_back(key, std::move(animation));
    if (!m_registered) {
        m_registered = true;
        Animator::shared().registerLayer(this);
    }
    placeChanged();
}

void Layer::removeAnimation(const std::string& key) {
    for (auto it = m_animations.begin(); it != m_animations.end(); ++it) {
        if (it->first == key) {
            auto a = it->second;
            m_animations.erase(it);
            placeChanged();
            if (a->onStop)
                a->onStop(false);
            break;
        }
    }
    if (m_animations.empty() && m_registered) {
        m_registered = false;
        Animator::shared().unregisterLayer(this);
    }
}

void Layer::removeAllAnimations() {
    placeChanged();
    auto all = std::move(m_animations);
    m_animations.clear();
    if (m_registered) {
        m_registered = false;
        Animator::shared().unregisterLayer(this);
    }
    for (auto& a : all)
        if (a.second->onStop)
            a.second->onStop(false);
}

std::shared_ptr<Animation> Layer::animationForKey(const std::string& key) const {
    for (const auto& a : m_animations)
        if (a.first == key)
            return a.second;
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    std::vector<std::string> keys;
    for (const auto& a : m_animations)
        keys.push_back(a.first);
    return keys;
}

double Layer::localNow() const {
    return Animator::shared().now();
}

LayerState Layer::presentation() const {
    if (m_animations.empty())
        return m_model;
    LayerState s = m_model;
    const double now = localNow();
    for (const auto& a : m_animations)
        a.second->applyAt(s, now - a.second->m_addedAt);
    return s;
}

void Layer::tickAnimations(double now) {
    auto self = shared_from_this();
    // The frame drawn next measures it at that frame's time.
    placeChanged();
    std::vector<std::shared_ptr<Animation>> started, finished;
    for (auto& [key, a] : m_animations) {
        const double local = now - a->m_addedAt;
        if (!a->m_started && local >= a->delay) {
            a->m_started = true;
            started.push_back(a);
        }
        if (a->removedOnCompletion && a->isFinishedAt(local))
            finished.push_back(a);
    }
    if (!finished.empty()) {
        m_animations.erase(std::remove_if(m_animations.begin(), m_animations.end(),
                                          [&](const auto& e) {
                                              return std::find(finished.begin(), finished.end(), e.second) !=
                                                     finished.end();
                                          }),
                           m_animations.end());
    }
    bool anyFilling = !m_animations.empty();
    if (!anyFilling && m_registered) {
        m_registered = false;
        Animator::shared().unregisterLayer(this);
    }
    for (auto& a : started)
        if (a->onStart)
            a->onStart();
    for (auto& a : finished)
        if (a->onStop) {
            auto fn = std::move(a->onStop);
            fn(true);
        }
}

// --- rendering ---

namespace {

void roundedPath(gfx::Context& ctx, const Rect& r, double radius) {
    ctx.beginPath();
    if (radius > 0)
        ctx.addRoundedRect(r, std::min(radius, std::min(r.width(), r.height()) / 2));
    else
        ctx.addRect(r);
}

Rect gravityRect(ContentsGravity g, Size image, const Rect& bounds) {
    const double bw = bounds.width(), bh = bounds.height();
    const double iw = image.width, ih = image.height;
    switch (g) {
    case ContentsGravity::Resize:
        return bounds;
    case ContentsGravity::ResizeAspect:
    case ContentsGravity::ResizeAspectFill: {
        if (iw <= 0 || ih <= 0)
            return bounds;
        const double sx = bw / iw, sy = bh / ih;
        const double s = g == ContentsGravity::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        const double w = iw * s, h = ih * s;
        return {bounds.x() + (bw - w) / 2, bounds.y() + (bh - h) / 2, w, h};
    }
    default:
        break;
    }
    double x = bounds.x() + (bw - iw) / 2, y = bounds.y() + (bh - ih) / 2;
    switch (g) {
    case ContentsGravity::Top:
        y = bounds.y();
        break;
    case ContentsGravity::Bottom:
        y = bounds.maxY() - ih;
        break;
    case ContentsGravity::Left:
        x = bounds.x();
        break;
    case ContentsGravity::Right:
        x = bounds.maxX() - iw;
        break;
    case ContentsGravity::TopLeft:
        x = bounds.x();
        y = bounds.y();
        break;
    case ContentsGravity::TopRight:
        x = bounds.maxX() - iw;
        y = bounds.y();
        break;
    case ContentsGravity::BottomLeft:
        x = bounds.x();
        y = bounds.maxY() - ih;
        break;
    case ContentsGravity::BottomRight:
        x = bounds.maxX() - iw;
        y = bounds.maxY() - ih;
        break;
    default:
        break;
    }
    return {x, y, iw, ih};
}

} // namespace

void Layer::drawContent(gfx::Context& ctx) const {
    if (!m_contents.isNull()) {
        const LayerState s = presentation();
        const Rect unit = s.contentsRect;
        Size imageSize = m_contents.size();
        Rect dest =
            gravityRect(m_gravity, {imageSize.width * unit.width(), imageSize.height * unit.height()}, s.bounds);
        if (unit == Rect(0, 0, 1, 1)) {
            ctx.drawImage(m_contents, dest);
        } else {
            // Only the part of the picture named by the unit rect, stretched to dest.
            ctx.save();
            ctx.clipToRect(dest);
            const double sx = dest.width() / std::max(1e-9, imageSize.width * unit.width());
            const double sy = dest.height() / std::max(1e-9, imageSize.height * unit.height());
            Rect full(dest.x() - unit.x() * imageSize.width * sx, dest.y() - unit.y() * imageSize.height * sy,
                      imageSize.width * sx, imageSize.height * sy);
            ctx.drawImage(m_contents, full);
            ctx.restore();
        }
    }
    if (m_delegate) {
        // What runs far past the bounds (a tall line of text in a short label)
        // is cut where the layer's place on screen is known to end.
        const Rect b = m_animations.empty() ? m_model.bounds : presentation().bounds;
        const Rect area = b.insetBy(-kDelegateOverhang, -kDelegateOverhang).integral();
        const double scale = device::Device::current().screen().scale;
        // A kept picture goes to the screen pixel for pixel only while the layer
        // is neither scaled nor turned there. Resampled (a popup growing in, a
        // view turning), its pixels would depend on where the redrawn area
        // starts, so a part redrawn would differ from the same part of a full
        // redraw at the edges of its ink; the delegate draws straight instead.
        const gfx::AffineTransform m = ctx.ctm();
        const bool unscaled = std::abs(m.a - 1) < 1e-9 && std::abs(m.d - 1) < 1e-9 && std::abs(m.b) < 1e-9 &&
                              std::abs(m.c) < 1e-9;
        if (const RepaintQueue::Backing* kept = unscaled ? RepaintQueue::backing(*this, area, scale) : nullptr) {
            if (!kept->image.isNull())
                ctx.drawImage(kept->image, kept->rect);
            return;
        }
        ctx.save();
        ctx.clipToRect(area);
        m_delegate->drawLayer(const_cast<Layer&>(*this), ctx);
        ctx.restore();
    }
}

double Layer::drawingOverhang(const LayerState& s) const {
    double grow = 2 + s.borderWidth;
    if (m_delegate)
        grow = std::max(grow, kDelegateOverhang + 1);
    // A picture placed by gravity may be larger than the bounds.
    if (!m_contents.isNull() && m_gravity != ContentsGravity::Resize && m_gravity != ContentsGravity::ResizeAspect) {
        const double iw = m_contents.size().width * s.contentsRect.width();
        const double ih = m_contents.size().height * s.contentsRect.height();
        const double bw = s.bounds.width(), bh = s.bounds.height();
        double extra = std::max(iw - bw, ih - bh);
        if (m_gravity == ContentsGravity::ResizeAspectFill && iw > 0 && ih > 0) {
            const double f = std::max(bw / iw, bh / ih);
            extra = std::max(iw * f - bw, ih * f - bh) / 2;
        }
        grow += std::max(0.0, extra);
    }
    if (s.shadowOpacity > 0)
        grow += s.shadowRadius * 2 + std::max(std::abs(s.shadowOffset.width), std::abs(s.shadowOffset.height));
    return grow;
}

void Layer::drawContentWithState(gfx::Context& ctx, const LayerState& s) const {
    if (s.backgroundColor.isPattern() || s.backgroundColor.alpha() > 0) {
        ctx.setFillColor(s.backgroundColor);
        roundedPath(ctx, s.bounds, s.cornerRadius);
        ctx.fillPath();
    }
    drawContent(ctx);
}

void Layer::drawTree(gfx::Context& ctx, const LayerState& s) const {
    cairo_t* cr = ctx.cairo();
    if (s.shadowOpacity > 0 && s.shadowColor.alpha() > 0) {
        // A soft shadow of the layer's outline: a few widening translucent rings.
        const int steps = std::max(1, static_cast<int>(std::ceil(s.shadowRadius)));
        const Rect base = s.bounds.offsetBy(s.shadowOffset.width, s.shadowOffset.height);
        for (int i = steps; i >= 0; --i) {
            const double grow = i;
            const double a = s.shadowColor.alpha() * s.shadowOpacity / (steps + 1);
            ctx.setFillColor(s.shadowColor.withAlpha(a));
            roundedPath(ctx, base.insetBy(-grow, -grow), s.cornerRadius + grow);
            ctx.fillPath();
        }
    }
    ctx.save();
    if (m_masksToBounds) {
        roundedPath(ctx, s.bounds, s.cornerRadius);
        ctx.clip();
    }
    drawContentWithState(ctx, s);
    for (const auto& sub : m_sublayers)
        sub->render(ctx);
    ctx.restore();
    if (s.borderWidth > 0 && s.borderColor.alpha() > 0) {
        ctx.setStrokeColor(s.borderColor);
        ctx.setLineWidth(s.borderWidth);
        const double h = s.borderWidth / 2;
        roundedPath(ctx, s.bounds.insetBy(h, h), std::max(0.0, s.cornerRadius - h));
        ctx.strokePath();
    }
    (void)cr;
}

void Layer::renderWithState(gfx::Context& ctx, const LayerState& s) const {
    cairo_t* cr = ctx.cairo();
    const bool group = s.opacity < 1 || m_mask;
    if (!group) {
        drawTree(ctx, s);
        return;
    }
    cairo_push_group(cr);
    drawTree(ctx, s);
    cairo_pattern_t* content = cairo_pop_group(cr);
    if (m_mask) {
        cairo_push_group(cr);
        m_mask->render(ctx);
        cairo_pattern_t* mask = cairo_pop_group(cr);
        cairo_push_group(cr);
        cairo_set_source(cr, content);
        cairo_mask(cr, mask);
        cairo_pattern_destroy(mask);
        cairo_pattern_destroy(content);
        content = cairo_pop_group(cr);
    }
    cairo_set_source(cr, content);
    cairo_paint_with_alpha(cr, s.opacity * ctx.alpha());
    cairo_pattern_destroy(content);
}

void Layer::renderTransition(gfx::Context& ctx, const LayerState& s, const Transition& t, double p) const {
    cairo_t* cr = ctx.cairo();
    const Rect b = s.bounds;
    const double w = b.width(), h = b.height();
    auto drawBefore = [&](double dx, double dy, double alpha) {
        if (t.m_before.isNull() || alpha <= 0)
            return;
        ctx.save();
        ctx.translate(dx, dy);
        if (alpha < 1) {
            cairo_push_group(cr);
            ctx.drawImage(t.m_before, b);
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, alpha);
        } else {
            ctx.drawImage(t.m_before, b);
        }
        ctx.restore();
    };
    auto drawAfter = [&](double dx, double dy, double alpha) {
        if (alpha <= 0)
            return;
        ctx.save();
        ctx.translate(dx, dy);
        LayerState a = s;
        a.opacity = s.opacity * alpha;
        renderWithState(ctx, a);
        ctx.restore();
    };
    // Direction vector of the incoming content.
    double ux = 0, uy = 0;
    switch (t.subtype) {
    case TransitionSubtype::FromRight:
        ux = w;
        break;
    case TransitionSubtype::FromLeft:
        ux = -w;
        break;
    case TransitionSubtype::FromTop:
        uy = -h;
        break;
    case TransitionSubtype::FromBottom:
        uy = h;
        break;
    }
    ctx.save();
    ctx.clipToRect(b);
    switch (t.type) {
    case TransitionType::Fade:
        drawBefore(0, 0, 1 - p);
        drawAfter(0, 0, p);
        break;
    case TransitionType::Push:
        drawBefore(-ux * p, -uy * p, 1);
        drawAfter(ux * (1 - p), uy * (1 - p), 1);
        break;
    case TransitionType::MoveIn:
        drawBefore(0, 0, 1);
        drawAfter(ux * (1 - p), uy * (1 - p), 1);
        break;
    case TransitionType::Reveal:
        drawAfter(0, 0, 1);
        drawBefore(-ux * p, -uy * p, 1);
        break;
    case TransitionType::Flip: {
        const bool first = p < 0.5;
        const double f = first ? 1 - 2 * p : 2 * p - 1;
        ctx.save();
        ctx.translate(b.midX(), b.midY());
        ctx.scale(std::max(f, 0.001), 1);
        ctx.translate(-b.midX(), -b.midY());
        if (first)
            drawBefore(0, 0, 1);
        else
            drawAfter(0, 0, 1);
        ctx.restore();
        break;
    }
    case TransitionType::Curl: {
        drawAfter(0, 0, 1);
        // The old page rolls up and away from the bottom edge.
        const double visible = h * (1 - p);
        ctx.save();
        ctx.clipToRect({b.x(), b.y(), w, visible});
        drawBefore(0, 0, 1);
        ctx.restore();
        if (visible > 0 && p > 0) {
            std::vector<gfx::GradientStop> stops{{0, gfx::Color(0, 0, 0, 0.35)}, {1, gfx::Color(0, 0, 0, 0)}};
            ctx.save();
            ctx.clipToRect({b.x(), b.y() + visible, w, std::min(24.0, h - visible)});
            ctx.drawLinearGradient(stops, {b.x(), b.y() + visible}, {b.x(), b.y() + visible + 24}, 0);
            ctx.restore();
        }
        break;
    }
    }
    ctx.restore();
}

void Layer::render(gfx::Context& ctx) const {
    if (m_hidden)
        return;
    const LayerState s = presentation();
    if (s.opacity <= 0.001)
        return;
    // Skip what lies wholly outside the area being redrawn, when nothing can stick out.
    if (m_masksToBounds || m_sublayers.empty()) {
        const Rect clip = ctx.clipBoundingBox();
        const double grow = drawingOverhang(s);
        if (!clip.isEmpty() && !clip.intersects(s.toSuperlayer().apply(s.bounds.insetBy(-grow, -grow))))
            return;
    }
    ctx.save();
    ctx.concat(s.toSuperlayer());
    const Transition* transition = nullptr;
    double progress = 1;
    const double now = localNow();
    for (const auto& a : m_animations)
        if (auto* t = dynamic_cast<const Transition*>(a.second.get())) {
            const double p = t->progressAt(now - t->m_addedAt);
            if (p < 1) {
                transition = t;
                progress = p;
            }
        }
    if (transition)
        renderTransition(ctx, s, *transition, progress);
    else
        renderWithState(ctx, s);
    ctx.restore();
}

gfx::Image Layer::snapshot(double scale) const {
    const LayerState s = presentation();
    Size size = s.bounds.size;
    if (size.width < 1)
        size.width = 1;
    if (size.height < 1)
        size.height = 1;
    gfx::BitmapContext ctx(size, scale, false);
    ctx.translate(-s.bounds.x(), -s.bounds.y());
    if (!m_hidden)
        renderWithState(ctx, s);
    return ctx.snapshot();
}

} // namespace pw::ui

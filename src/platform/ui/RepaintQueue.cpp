#include "platform/ui/RepaintQueue.h"

#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Layer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace pw::ui {

using gfx::AffineTransform;
using gfx::Rect;

namespace {

bool isDrawn(const Layer& l, const LayerState& s) {
    return !l.isHidden() && s.opacity > 0.001;
}

} // namespace

namespace {
std::unordered_set<Layer*>& pendingLayers() {
    static std::unordered_set<Layer*> q;
    return q;
}
std::unordered_map<const Layer*, RepaintQueue::Backing>& backings() {
    static std::unordered_map<const Layer*, RepaintQueue::Backing> b;
    return b;
}

// The part of `area` the delegate's drawing reaches, in whole points; empty when
// it draws nothing. The drawing is recorded, not rasterised, so a large view that
// only holds others (a scroll view moving its bounds every frame) costs no pixels.
Rect inkedPart(const Layer& layer, const Rect& area) {
    cairo_surface_t* recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    {
        cairo_t* cr = cairo_create(recording);
        gfx::Context ctx(cr);
        cairo_destroy(cr);
        ctx.clipToRect(area);
        layer.delegate()->drawLayer(const_cast<Layer&>(layer), ctx);
    }
    double x = 0, y = 0, w = 0, h = 0;
    cairo_recording_surface_ink_extents(recording, &x, &y, &w, &h);
    cairo_surface_destroy(recording);
    if (w <= 0 || h <= 0)
        return {};
    // Glyphs hinted on the bitmap may reach a little past their recorded outlines.
    return Rect(x, y, w, h).insetBy(-2, -2).integral().intersection(area);
}

} // namespace

const RepaintQueue::Backing* RepaintQueue::backing(const Layer& layer, const Rect& area, double scale) {
    // Outside a compositor's frame (a layer drawn into a picture of its own), and
    // larger than twice the screen: drawn straight each time instead.
    if (!Animator::shared().inFrame())
        return nullptr;
    const auto screen = device::Device::current().screen();
    if (area.width() * area.height() > 2 * screen.width * screen.height || area.isEmpty())
        return nullptr;
    Backing& b = backings()[&layer];
    if (b.scale == 0 || b.area != area || b.scale != scale) {
        b.area = area;
        b.scale = scale;
        b.rect = inkedPart(layer, area);
        b.image = {};
        if (!b.rect.isEmpty()) {
            // Drawn again straight into the bitmap, so the pixels are the delegate's own.
            gfx::BitmapContext ctx(b.rect.size, scale, false);
            ctx.translate(-b.rect.x(), -b.rect.y());
            layer.delegate()->drawLayer(const_cast<Layer&>(layer), ctx);
            b.image = ctx.snapshot();
        }
    }
    return &b;
}

const RepaintQueue::Backing* RepaintQueue::keptBacking(const Layer& layer) {
    const auto it = backings().find(&layer);
    return it == backings().end() ? nullptr : &it->second;
}

void RepaintQueue::dropBacking(const Layer* layer) {
    backings().erase(layer);
}

void RepaintQueue::dropAllBackings() {
    backings().clear();
}

void RepaintQueue::enqueue(Layer* layer) {
    while (layer->m_maskOwner) // a mask changes what its owner shows
        layer = layer->m_maskOwner;
    if (layer->m_queued)
        return;
    // A tree off screen is measured when it joins one that is shown.
    const Layer* root = layer;
    while (root->m_superlayer)
        root = root->m_superlayer;
    if (!root->m_host)
        return;
    layer->m_queued = true;
    pendingLayers().insert(layer);
}

void RepaintQueue::forget(Layer* layer) {
    if (!layer->m_queued)
        return;
    pendingLayers().erase(layer);
    layer->m_queued = false;
}

void RepaintQueue::markInRoot(const Layer& layer, const Rect& r) {
    if (r.isEmpty())
        return;
    const Layer* root = &layer;
    while (root->superlayer())
        root = root->superlayer();
    if (root->host())
        root->host()->layerTreeNeedsRedraw(r);
}

void RepaintQueue::measure(Layer& l, const AffineTransform& parentToRoot, const Rect* clip, bool drawn) {
    const LayerState s = l.presentation();
    drawn = drawn && isDrawn(l, s);
    const AffineTransform toRoot = s.toSuperlayer().concat(parentToRoot);
    l.m_paintedKnown = true;
    if (!drawn) {
        l.m_paintedOwn = l.m_paintedTree = {};
        for (const auto& sub : l.m_sublayers)
            measure(*sub, toRoot, clip, false);
        return;
    }
    const double grow = l.drawingOverhang(s);
    Rect own = toRoot.apply(s.bounds.insetBy(-grow, -grow));
    if (clip)
        own = own.intersection(*clip);
    own = own.integral();
    Rect inner;
    const Rect* subClip = clip;
    if (l.m_masksToBounds) {
        inner = toRoot.apply(s.bounds).insetBy(-1, -1);
        if (clip)
            inner = inner.intersection(*clip);
        subClip = &inner;
    }
    Rect tree = own;
    for (const auto& sub : l.m_sublayers) {
        measure(*sub, toRoot, subClip, true);
        tree = tree.unionWith(sub->m_paintedTree);
    }
    l.m_paintedOwn = own;
    l.m_paintedTree = tree;
}

void RepaintQueue::markChangedLayers() {
    // Animated layers move with the frame's time, whether or not a tick came since.
    for (Layer* l : Animator::shared().animatedLayers())
        enqueue(l);
    const std::vector<Layer*> pending(pendingLayers().begin(), pendingLayers().end());
    pendingLayers().clear();
    for (Layer* l : pending) {
        // An ancestor in the queue measures this one with its own tree.
        bool covered = false;
        const Layer* root = l;
        for (const Layer* a = l->m_superlayer; a; a = a->m_superlayer) {
            covered = covered || a->m_queued;
            root = a;
        }
        if (covered || !root->host())
            continue;
        // Where the ancestors place and clip this tree now.
        AffineTransform parentToRoot;
        bool drawn = true;
        Rect clip;
        bool clipped = false;
        if (l->m_superlayer) {
            parentToRoot = l->m_superlayer->transformToRoot(true);
            for (const Layer* a = l->m_superlayer; a; a = a->m_superlayer) {
                const LayerState s = a->presentation();
                drawn = drawn && isDrawn(*a, s);
                if (a->m_masksToBounds) {
                    const Rect r = a->transformToRoot(true).apply(s.bounds).insetBy(-1, -1);
                    clip = clipped ? clip.intersection(r) : r;
                    clipped = true;
                }
            }
        }
        const Rect before = l->m_paintedKnown ? l->m_paintedTree : Rect();
        measure(*l, parentToRoot, clipped ? &clip : nullptr, drawn);
        markInRoot(*l, before);
        markInRoot(*l, l->m_paintedTree);
        // The ancestors' trees hold what their sublayers now cover.
        for (Layer* a = l->m_superlayer; a; a = a->m_superlayer)
            a->m_paintedTree = a->m_paintedTree.unionWith(l->m_paintedTree);
    }
    for (Layer* l : pending)
        l->m_queued = false;
}

} // namespace pw::ui

#pragma once
// Keeps the screen free of stale pixels. Every layer remembers where it was last
// drawn; a change queues the layer, and before a frame is drawn the queue and
// every animated layer are measured again at the frame's one time: the old place
// and the new one are marked for redraw, and the new one remembered.
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"

#include <vector>

namespace pw::ui {

class Layer;

class RepaintQueue {
public:
    // A layer whose place, size or tree changed (or that is new to a tree).
    static void enqueue(Layer* layer);
    // A layer that goes away before the next frame.
    static void forget(Layer* layer);
    // Measures and marks every queued and animated layer; called by the
    // compositor at the start of each frame, inside the frame's time.
    static void markChangedLayers();
    // Marks a rect given in the root coordinates of `layer`'s tree.
    static void markInRoot(const Layer& layer, const gfx::Rect& rectInRoot);

    // What a layer's delegate drew in `area`, kept as an image of only the part
    // it inked (null when it drew nothing, as most plain views do).
    struct Backing {
        gfx::Image image;
        gfx::Rect rect; // where the image goes, in the layer's coordinates
        gfx::Rect area;
        double scale = 0;
    };
    // A layer drawn by its delegate keeps what it drew until it is marked again:
    // every frame, and the check's full redraw, shows that same drawing. Answers
    // null when the layer is too large to keep.
    static const Backing* backing(const Layer& layer, const gfx::Rect& area, double scale);
    // What the layer keeps now, without drawing; null when it keeps nothing.
    static const Backing* keptBacking(const Layer& layer);
    static void dropBacking(const Layer* layer);
    // Every layer draws afresh at the next frame.
    static void dropAllBackings();

private:
    static void measure(Layer& layer, const gfx::AffineTransform& parentToRoot, const gfx::Rect* clip, bool drawn);
};

} // namespace pw::ui

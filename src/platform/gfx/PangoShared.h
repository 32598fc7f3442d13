#pragma once

// Internal to pw_gfx: the Pango context of the calling thread. Pango font maps are
// per thread, and the page layout runs on preload threads as well as the main one.
// Metrics are unhinted so that a text measures the same on every thread and scale.

typedef struct _PangoContext PangoContext;

namespace pw::gfx::detail {

PangoContext* threadPangoContext();

} // namespace pw::gfx::detail

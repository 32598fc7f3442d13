#include "platform/ui/Touch.h"

#include "platform/ui/View.h"

namespace pw::ui {

gfx::Point Touch::locationInView(const View* v) const {
    return v ? v->convertPointFromView(windowLocation, nullptr) : windowLocation;
}

gfx::Point Touch::previousLocationInView(const View* v) const {
    return v ? v->convertPointFromView(previousWindowLocation, nullptr) : previousWindowLocation;
}

} // namespace pw::ui

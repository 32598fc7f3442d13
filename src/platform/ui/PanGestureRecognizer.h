#pragma once
#include "platform/ui/GestureRecognizer.h"

#include <deque>

namespace pw::ui {

// A drag: begins once the touch has moved far enough, then reports its
// translation and velocity until it lifts.
class PanGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<PanGestureRecognizer> create(Action action = {});

    static constexpr double kHysteresis = 10;
    int minimumNumberOfTouches = 1;
    int maximumNumberOfTouches = 10;

    gfx::Point translationInView(const View* view) const;
    void setTranslation(gfx::Point t, const View* view);
    // Points per second, from the last tenth of a second of movement.
    gfx::Point velocityInView(const View* view) const;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void reset() override;

private:
    PanGestureRecognizer() = default;
    gfx::Point m_origin; // window coordinates where the translation is zero
    struct Sample {
        double t;
        gfx::Point p;
    };
    std::deque<Sample> m_samples;
};

} // namespace pw::ui

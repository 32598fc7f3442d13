#pragma once
#include "platform/ui/GestureRecognizer.h"

namespace pw::ui {

enum SwipeDirection : unsigned { SwipeRight = 1, SwipeLeft = 2, SwipeUp = 4, SwipeDown = 8 };

// A quick stroke in one of the allowed directions.
class SwipeGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<SwipeGestureRecognizer> create(Action action = {});

    unsigned direction = SwipeRight;
    static constexpr double kMinimumDistance = 50;
    static constexpr double kMaximumDuration = 0.5;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;

private:
    SwipeGestureRecognizer() = default;
    gfx::Point m_start;
    double m_startTime = 0;
};

} // namespace pw::ui

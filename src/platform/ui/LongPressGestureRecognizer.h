#pragma once
#include "platform/core/Cancelable.h"
#include "platform/ui/GestureRecognizer.h"

namespace pw::ui {

// A touch held still: begins after the minimum duration, changes as it moves,
// ends when it lifts.
class LongPressGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<LongPressGestureRecognizer> create(Action action = {});
    ~LongPressGestureRecognizer() override;

    double minimumPressDuration = 0.5;
    double allowableMovement = 10;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void reset() override;

private:
    LongPressGestureRecognizer() = default;
    gfx::Point m_start;
    core::Cancelable m_timer;
};

} // namespace pw::ui

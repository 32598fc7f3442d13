#pragma once
#include "platform/core/Cancelable.h"
#include "platform/ui/GestureRecognizer.h"

namespace pw::ui {

// One or more taps in place; a multiple tap fails when the next tap is late.
class TapGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<TapGestureRecognizer> create(Action action = {});
    ~TapGestureRecognizer() override;

    int numberOfTapsRequired = 1;
    int numberOfTouchesRequired = 1;
    static constexpr double kAllowableMovement = 10;
    static constexpr double kMaximumTapInterval = 0.35;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void reset() override;

private:
    TapGestureRecognizer() = default;
    int m_taps = 0;
    size_t m_maxTouches = 0;
    gfx::Point m_start;
    core::Cancelable m_timer;
};

} // namespace pw::ui

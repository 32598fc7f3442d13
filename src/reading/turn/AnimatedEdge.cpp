#include "reading/turn/AnimatedEdge.h"

#include "platform/ui/AnimationValue.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Transaction.h"

namespace pw {

struct AnimatedEdge::State {
    double model = 0;
    double shown = 0;
    double from = 0;
    double begin = 0;
    double duration = 0;
    uint64_t ticker = 0;
    std::function<void(double)> onChange;

    void stop() {
        if (ticker != 0)
            ui::Animator::shared().removeTicker(ticker);
        ticker = 0;
    }
    void show(double v) {
        shown = v;
        if (onChange)
            onChange(v);
    }
    // False once the animation has reached its end.
    bool step(double now) {
        const double t = duration > 0 ? (now - begin) / duration : 1;
        if (t >= 1) {
            ticker = 0;
            show(model);
            return false;
        }
        show(from + (model - from) * ui::applyTiming(ui::TimingFunction::EaseInOut, std::max(0.0, t)));
        return true;
    }
};

AnimatedEdge::AnimatedEdge(double initial, std::function<void(double shown)> onChange)
    : m_state(std::make_shared<State>()) {
    m_state->model = m_state->shown = initial;
    m_state->onChange = std::move(onChange);
}

AnimatedEdge::~AnimatedEdge() {
    m_state->onChange = nullptr;
    m_state->stop();
}

double AnimatedEdge::value() const {
    return m_state->model;
}

double AnimatedEdge::presented() const {
    return m_state->shown;
}

bool AnimatedEdge::isAnimating() const {
    return m_state->ticker != 0;
}

void AnimatedEdge::jump(double v) {
    m_state->stop();
    m_state->model = v;
    m_state->show(v);
}

void AnimatedEdge::set(double v) {
    const double duration = ui::Transaction::animationDuration();
    if (ui::Transaction::disableActions() || duration <= 0) {
        jump(v);
        return;
    }
    State& s = *m_state;
    s.stop();
    s.from = s.shown;
    s.model = v;
    s.begin = ui::Animator::shared().now();
    s.duration = duration;
    std::weak_ptr<State> weak = m_state;
    s.ticker = ui::Animator::shared().addTicker([weak](double now) {
        auto st = weak.lock();
        return st && st->step(now);
    });
}

} // namespace pw

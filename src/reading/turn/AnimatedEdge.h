#pragma once

// One number that a page-turn view's picture follows (how far a leaf has turned),
// changed the way layer properties change: at once inside a transaction that
// disables actions, else animated from the value shown now over the transaction's
// duration on the shared animation clock. The owner hears every shown value.

#include <cstdint>
#include <functional>
#include <memory>

namespace pw {

class AnimatedEdge {
public:
    explicit AnimatedEdge(double initial, std::function<void(double shown)> onChange);
    ~AnimatedEdge();
    AnimatedEdge(const AnimatedEdge&) = delete;
    AnimatedEdge& operator=(const AnimatedEdge&) = delete;

    // The value set last (where a running animation ends).
    double value() const;
    // The value shown now.
    double presented() const;
    bool isAnimating() const;

    void set(double v);
    void jump(double v);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace pw

#pragma once
// Animations attached to a layer: property animations (from/to or key frames),
// groups and transitions. They are timed on the shared clock's monotonic time and
// advanced by the Animator, so a manual clock drives them in tests.
#include "platform/gfx/Image.h"
#include "platform/ui/AnimationValue.h"

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw::ui {

struct LayerState;

class Animation {
public:
    virtual ~Animation() = default;

    double duration = 0.25;
    double delay = 0;       // after being added
    double repeatCount = 1; // std::numeric_limits<double>::infinity() repeats for ever
    bool autoreverses = false;
    bool removedOnCompletion = true;
    bool fillsForwards = false;  // keeps the last value after the end (with removedOnCompletion off)
    bool fillsBackwards = false; // shows the first value during the delay
    TimingFunction timing = TimingFunction::Linear;

    std::function<void()> onStart;
    // finished is false when the animation was removed or replaced before its end.
    std::function<void(bool finished)> onStop;

    static constexpr double kForever = std::numeric_limits<double>::infinity();

    // Applies the animation at its local time (seconds since it was added).
    // Returns false before the start when it does not fill backwards.
    bool applyAt(LayerState& state, double localTime) const;
    double activeDuration() const;
    bool isFinishedAt(double localTime) const;

    // Filled in by the layer when the animation is added.
    double m_addedAt = 0;
    bool m_started = false;

protected:
    // progress: 0..1 after timing.
    virtual void apply(LayerState& state, double progress) const = 0;
};

class PropertyAnimation : public Animation {
public:
    // Key paths: position, position.x, position.y, bounds, bounds.size, opacity,
    // transform, transform.scale, transform.scale.x, transform.scale.y,
    // transform.rotation.z, transform.translation.x, transform.translation.y,
    // backgroundColor, borderColor, cornerRadius, borderWidth, shadowOpacity, contentsRect.
    explicit PropertyAnimation(std::string keyPath) : keyPath(std::move(keyPath)) {}

    static std::shared_ptr<PropertyAnimation> basic(std::string keyPath, std::optional<AnimationValue> from,
                                                    std::optional<AnimationValue> to, double duration);
    static std::shared_ptr<PropertyAnimation> keyFrames(std::string keyPath, std::vector<AnimationValue> values,
                                                        double duration, std::vector<double> keyTimes = {});

    std::string keyPath;
    // Two values for a basic animation, more for key frames. A missing from is the
    // value shown when the animation is added; a missing to is the layer's own value.
    std::optional<AnimationValue> from;
    std::optional<AnimationValue> to;
    std::vector<AnimationValue> values;
    std::vector<double> keyTimes; // 0..1, one per value; evenly spaced when empty
    // Moves the position along these points (a polyline path) instead of values.
    std::vector<gfx::Point> path;
    // Added to the layer's own value instead of replacing it (numbers and points).
    bool additive = false;

protected:
    void apply(LayerState& state, double progress) const override;
};

class AnimationGroup : public Animation {
public:
    std::vector<std::shared_ptr<Animation>> animations;

protected:
    void apply(LayerState& state, double progress) const override;
};

enum class TransitionType { Fade, Push, MoveIn, Reveal, Flip, Curl };
enum class TransitionSubtype { FromRight, FromLeft, FromTop, FromBottom };

// Animates from the layer's look when the transition was added to its look now.
class Transition : public Animation {
public:
    Transition(TransitionType type, TransitionSubtype subtype = TransitionSubtype::FromRight, double duration = 0.25)
        : type(type), subtype(subtype) {
        this->duration = duration;
        this->timing = TimingFunction::EaseInOut;
    }

    TransitionType type;
    TransitionSubtype subtype;

    gfx::Image m_before; // taken by the layer when added
    double progressAt(double localTime) const;

protected:
    void apply(LayerState&, double) const override {}
};

} // namespace pw::ui

#include "platform/ui/Animation.h"

#include "platform/ui/Layer.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

double Animation::activeDuration() const {
    if (std::isinf(repeatCount))
        return kForever;
    return duration * std::max(repeatCount, 0.0) * (autoreverses ? 2 : 1);
}

bool Animation::isFinishedAt(double localTime) const {
    return localTime - delay >= activeDuration();
}

bool Animation::applyAt(LayerState& state, double localTime) const {
    const double t = localTime - delay;
    if (t < 0) {
        if (!fillsBackwards)
            return false;
        apply(state, applyTiming(timing, 0));
        return true;
    }
    if (duration <= 0 || t >= activeDuration()) {
        if (!fillsForwards && removedOnCompletion)
            return false;
        apply(state, applyTiming(timing, autoreverses ? 0 : 1));
        return true;
    }
    const double cycle = duration * (autoreverses ? 2 : 1);
    double p = std::fmod(t, cycle) / duration;
    if (p > 1)
        p = 2 - p;
    apply(state, applyTiming(timing, p));
    return true;
}

std::shared_ptr<PropertyAnimation> PropertyAnimation::basic(std::string keyPath, std::optional<AnimationValue> from,
                                                            std::optional<AnimationValue> to, double duration) {
    auto a = std::make_shared<PropertyAnimation>(std::move(keyPath));
    a->from = std::move(from);
    a->to = std::move(to);
    a->duration = duration;
    return a;
}

std::shared_ptr<PropertyAnimation> PropertyAnimation::keyFrames(std::string keyPath, std::vector<AnimationValue> values,
                                                                double duration, std::vector<double> keyTimes) {
    auto a = std::make_shared<PropertyAnimation>(std::move(keyPath));
    a->values = std::move(values);
    a->keyTimes = std::move(keyTimes);
    a->duration = duration;
    return a;
}

namespace {

AnimationValue addValues(const AnimationValue& a, const AnimationValue& b) {
    if (a.index() != b.index())
        return b;
    if (auto* x = std::get_if<double>(&a))
        return *x + std::get<double>(b);
    if (auto* p = std::get_if<gfx::Point>(&a)) {
        auto q = std::get<gfx::Point>(b);
        return gfx::Point{p->x + q.x, p->y + q.y};
    }
    if (auto* t = std::get_if<gfx::AffineTransform>(&a))
        return std::get<gfx::AffineTransform>(b).concat(*t);
    return b;
}

AnimationValue keyFrameValue(const std::vector<AnimationValue>& values, const std::vector<double>& keyTimes, double p) {
    const size_t n = values.size();
    if (n == 1)
        return values[0];
    auto timeOf = [&](size_t i) {
        return keyTimes.size() == n ? keyTimes[i] : static_cast<double>(i) / static_cast<double>(n - 1);
    };
    if (p <= timeOf(0))
        return values[0];
    for (size_t i = 1; i < n; ++i) {
        const double t0 = timeOf(i - 1), t1 = timeOf(i);
        if (p <= t1) {
            const double span = t1 - t0;
            return interpolate(values[i - 1], values[i], span > 0 ? (p - t0) / span : 1);
        }
    }
    return values[n - 1];
}

gfx::Point pointOnPath(const std::vector<gfx::Point>& path, double p) {
    if (path.size() == 1)
        return path[0];
    double total = 0;
    for (size_t i = 1; i < path.size(); ++i)
        total += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
    double want = total * p;
    for (size_t i = 1; i < path.size(); ++i) {
        const double seg = std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
        if (want <= seg && seg > 0) {
            const double f = want / seg;
            return {path[i - 1].x + (path[i].x - path[i - 1].x) * f, path[i - 1].y + (path[i].y - path[i - 1].y) * f};
        }
        want -= seg;
    }
    return path.back();
}

} // namespace

void PropertyAnimation::apply(LayerState& state, double progress) const {
    std::optional<AnimationValue> value;
    if (!path.empty()) {
        value = pointOnPath(path, progress);
    } else if (!values.empty()) {
        value = keyFrameValue(values, keyTimes, progress);
    } else {
        auto current = layerStateValue(state, keyPath);
        if (!current)
            return;
        const AnimationValue a = from ? *from : *current;
        const AnimationValue b = to ? *to : *current;
        value = interpolate(a, b, progress);
    }
    if (additive) {
        auto current = layerStateValue(state, keyPath);
        if (current)
            value = addValues(*current, *value);
    }
    setLayerStateValue(state, keyPath, *value);
}

void AnimationGroup::apply(LayerState& state, double progress) const {
    const double local = progress * duration;
    for (const auto& a : animations)
        a->applyAt(state, local);
}

double Transition::progressAt(double localTime) const {
    const double t = localTime - delay;
    if (t <= 0)
        return 0;
    if (duration <= 0 || t >= duration)
        return 1;
    return applyTiming(timing, t / duration);
}

} // namespace pw::ui

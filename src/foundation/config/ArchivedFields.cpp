#include "foundation/config/ArchivedFields.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pw::archived {

std::optional<double> number(const core::Value& record, const char* key) {
    const core::Value* v = record.get(key);
    if (!v)
        return std::nullopt;
    if (auto d = v->asDouble())
        return d;
    if (auto b = v->asBool())
        return *b ? 1.0 : 0.0;
    return std::nullopt;
}

bool readBool(const core::Value& record, const char* key) {
    auto d = number(record, key);
    return d && *d != 0;
}

int readInt(const core::Value& record, const char* key) {
    auto d = number(record, key);
    if (!d || !std::isfinite(*d))
        return 0;
    return static_cast<int>(
        std::clamp(std::trunc(*d), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

float readFloat(const core::Value& record, const char* key) {
    auto d = number(record, key);
    return d ? static_cast<float>(*d) : 0.0f;
}

} // namespace pw::archived

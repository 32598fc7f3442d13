#include "account/ReplyValue.h"

#include <charconv>
#include <cmath>

namespace pw::ReplyValue {

std::optional<int64_t> integerOf(const core::Value& v) {
    if (auto i = v.asInt())
        return *i;
    if (auto d = v.asDouble()) {
        if (!std::isfinite(*d) || std::fabs(*d) >= 9.2e18)
            return std::nullopt;
        return static_cast<int64_t>(*d);
    }
    if (auto s = v.asString()) {
        int64_t n = 0;
        const char* first = s->data();
        const char* last = first + s->size();
        if (first != last && *first == '+')
            ++first;
        auto [end, ec] = std::from_chars(first, last, n);
        if (ec == std::errc() && end == last && first != last)
            return n;
    }
    return std::nullopt;
}

int64_t wholeNumber(const core::Value& v) {
    return integerOf(v).value_or(0);
}

std::string textOf(const core::Value& v) {
    if (auto s = v.asString())
        return *s;
    if (auto i = v.asInt())
        return std::to_string(*i);
    if (auto d = v.asDouble()) {
        char buf[32];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *d);
        return ec == std::errc() ? std::string(buf, end) : std::string();
    }
    return {};
}

} // namespace pw::ReplyValue

#include "transfer/http/WSNumber.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

namespace pw {

namespace {
template <class T, class Conv>
bool parse(const std::optional<std::string>& text, T* value, Conv conv) {
    if (!text) {
        if (value)
            *value = 0;
        return false;
    }
    const char* s = text->c_str();
    char* end = nullptr;
    errno = 0;
    auto v = conv(s, &end);
    bool ok = errno == 0 && end != s;
    if (value)
        *value = static_cast<T>(v);
    return ok;
}
} // namespace

bool WSNumber::parseStringIntoSInt64(const std::optional<std::string>& text, int64_t* value) {
    return parse(text, value, [](const char* s, char** e) { return std::strtoll(s, e, 10); });
}

bool WSNumber::parseStringIntoUInt64(const std::optional<std::string>& text, uint64_t* value) {
    return parse(text, value, [](const char* s, char** e) { return std::strtoull(s, e, 10); });
}

// The two 32-bit parsers convert as the 32-bit standard conversions do: a
// value past the type's range is an error and gives the type's limit.
bool WSNumber::parseStringIntoNSInteger(const std::optional<std::string>& text, int32_t* value) {
    return parse(text, value, [](const char* s, char** e) {
        long v = std::strtol(s, e, 10);
        if (errno == ERANGE || v > INT32_MAX || v < INT32_MIN) {
            errno = ERANGE;
            v = v > 0 ? INT32_MAX : INT32_MIN;
        }
        return static_cast<int32_t>(v);
    });
}

bool WSNumber::parseStringIntoNSUInteger(const std::optional<std::string>& text, uint32_t* value) {
    return parse(text, value, [](const char* s, char** e) {
        unsigned long v = std::strtoul(s, e, 10);
        // "-n" is negated in the type's own width, so only n's size counts.
        const char* p = s;
        while (std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        unsigned long magnitude = *p == '-' ? 0UL - v : v;
        if (errno == ERANGE || magnitude > UINT32_MAX) {
            errno = ERANGE;
            return UINT32_MAX;
        }
        return static_cast<uint32_t>(v);
    });
}

bool WSNumber::parseDigitsIntoUInt64(std::string_view text, uint64_t* value) {
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        unsigned d = static_cast<unsigned>(c - '0');
        if (v > (UINT64_MAX - d) / 10)
            return false;
        v = v * 10 + d;
    }
    *value = v;
    return true;
}

} // namespace pw

#include "loginsdk/json/SdkJsonValue.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pw {

SdkJsonDecimal SdkJsonDecimal::fromParts(bool negative, std::string digits, long exponent) {
    size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos)
        return SdkJsonDecimal{};
    digits.erase(0, lead);
    size_t last = digits.find_last_not_of('0');
    exponent += static_cast<long>(digits.size() - 1 - last);
    digits.resize(last + 1);
    return SdkJsonDecimal{negative, std::move(digits), static_cast<int>(exponent)};
}

std::optional<SdkJsonDecimal> SdkJsonDecimal::fromText(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::string digits;
    long exponent = 0;
    bool any = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, any = true)
        digits.push_back(text[i]);
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, any = true) {
            digits.push_back(text[i]);
            --exponent;
        }
    }
    if (!any)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            expNegative = text[i++] == '-';
        long written = 0;
        bool expDigits = false;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, expDigits = true)
            written = std::min(written * 10 + (text[i] - '0'), 1000000L);
        if (!expDigits)
            return std::nullopt;
        exponent += expNegative ? -written : written;
    }
    if (i != text.size())
        return std::nullopt;
    return fromParts(negative, std::move(digits), exponent);
}

std::string SdkJsonDecimal::text() const {
    std::string out = negative && digits != "0" ? "-" : "";
    if (exponent >= 0) {
        out += digits;
        if (digits != "0")
            out.append(static_cast<size_t>(exponent), '0');
        return out;
    }
    size_t fraction = static_cast<size_t>(-exponent);
    if (fraction >= digits.size()) {
        out += "0.";
        out.append(fraction - digits.size(), '0');
        out += digits;
    } else {
        out += digits.substr(0, digits.size() - fraction);
        out += '.';
        out += digits.substr(digits.size() - fraction);
    }
    return out;
}

double SdkJsonDecimal::toDouble() const {
    return std::strtod(text().c_str(), nullptr);
}

bool SdkJsonValue::isNumber() const {
    return std::holds_alternative<uint64_t>(m_v) || std::holds_alternative<int64_t>(m_v) ||
           std::holds_alternative<double>(m_v) || std::holds_alternative<SdkJsonDecimal>(m_v);
}

std::optional<bool> SdkJsonValue::boolean() const {
    if (auto b = std::get_if<bool>(&m_v))
        return *b;
    return std::nullopt;
}

const SdkJsonValue* SdkJsonValue::get(std::string_view key) const {
    if (auto d = dictionary())
        for (auto& [k, v] : *d)
            if (k == key)
                return &v;
    return nullptr;
}

void SdkJsonValue::set(std::string key, SdkJsonValue value) {
    if (!dictionary())
        m_v = Dictionary{};
    auto& d = *dictionary();
    for (auto& [k, v] : d)
        if (k == key) {
            v = std::move(value);
            return;
        }
    d.emplace_back(std::move(key), std::move(value));
}

std::optional<int64_t> SdkJsonValue::intValue() const {
    if (auto u = std::get_if<uint64_t>(&m_v))
        return static_cast<int64_t>(*u);
    if (auto i = std::get_if<int64_t>(&m_v))
        return *i;
    if (auto d = std::get_if<double>(&m_v))
        return std::isfinite(*d) ? std::optional<int64_t>(static_cast<int64_t>(*d)) : std::nullopt;
    if (auto dec = std::get_if<SdkJsonDecimal>(&m_v))
        return static_cast<int64_t>(dec->toDouble());
    if (auto b = std::get_if<bool>(&m_v))
        return *b ? 1 : 0;
    if (auto s = std::get_if<std::string>(&m_v)) {
        const char* begin = s->c_str();
        while (*begin == ' ')
            ++begin;
        if (*begin == '+')
            ++begin;
        int64_t v = 0;
        auto [p, ec] = std::from_chars(begin, s->c_str() + s->size(), v);
        if (ec != std::errc() || p == begin)
            return std::nullopt;
        return v;
    }
    return std::nullopt;
}

std::optional<std::string> SdkJsonValue::text() const {
    if (auto s = std::get_if<std::string>(&m_v))
        return *s;
    if (auto u = std::get_if<uint64_t>(&m_v))
        return std::to_string(*u);
    if (auto i = std::get_if<int64_t>(&m_v))
        return std::to_string(*i);
    if (auto dec = std::get_if<SdkJsonDecimal>(&m_v))
        return dec->text();
    if (auto d = std::get_if<double>(&m_v)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", *d);
        return std::string(buf);
    }
    return std::nullopt;
}

} // namespace pw

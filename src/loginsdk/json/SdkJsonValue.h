#pragma once
// The account kit's JSON value model: its answers carry 64-bit ids and exact
// decimals that must survive a round trip untouched, so numbers keep their
// kind (unsigned, signed, exact decimal, or a double made by our own code).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace pw {

// An exact decimal: sign, significant digits and a power of ten.
struct SdkJsonDecimal {
    bool negative = false;
    std::string digits = "0"; // no leading zeros (but "0"), no trailing zeros
    int exponent = 0;

    static SdkJsonDecimal fromParts(bool negative, std::string digits, long exponent);
    // Parses the JSON number text itself, for mantissas too long for 64 bits.
    static std::optional<SdkJsonDecimal> fromText(std::string_view text);
    std::string text() const;
    double toDouble() const;
    bool operator==(const SdkJsonDecimal&) const = default;
};

class SdkJsonValue {
public:
    struct Null {
        bool operator==(const Null&) const = default;
    };
    using Array = std::vector<SdkJsonValue>;
    // Insertion order is kept; a key given twice keeps its last value in place.
    using Dictionary = std::vector<std::pair<std::string, SdkJsonValue>>;
    using Storage = std::variant<Null, bool, uint64_t, int64_t, double, SdkJsonDecimal, std::string, Array, Dictionary>;

    SdkJsonValue() = default;
    SdkJsonValue(Null) {}
    SdkJsonValue(bool b) : m_v(b) {}
    SdkJsonValue(uint64_t v) : m_v(v) {}
    SdkJsonValue(int64_t v) : m_v(v) {}
    SdkJsonValue(int v) : m_v(static_cast<int64_t>(v)) {}
    SdkJsonValue(double v) : m_v(v) {}
    SdkJsonValue(SdkJsonDecimal v) : m_v(std::move(v)) {}
    SdkJsonValue(std::string s) : m_v(std::move(s)) {}
    SdkJsonValue(const char* s) : m_v(std::string(s)) {}
    SdkJsonValue(Array a) : m_v(std::move(a)) {}
    SdkJsonValue(Dictionary d) : m_v(std::move(d)) {}

    const Storage& storage() const { return m_v; }
    bool isNull() const { return std::holds_alternative<Null>(m_v); }
    bool isNumber() const;
    const Array* array() const { return std::get_if<Array>(&m_v); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&m_v); }
    Array* array() { return std::get_if<Array>(&m_v); }
    Dictionary* dictionary() { return std::get_if<Dictionary>(&m_v); }
    const std::string* string() const { return std::get_if<std::string>(&m_v); }
    std::optional<bool> boolean() const;

    // Dictionary member or nullptr.
    const SdkJsonValue* get(std::string_view key) const;
    void set(std::string key, SdkJsonValue value);

    // A number's integer value (decimals truncated), or a text's leading integer,
    // the way the kit reads result codes that arrive either way.
    std::optional<int64_t> intValue() const;
    // A text as it stands, a number in its written form; nullopt otherwise.
    std::optional<std::string> text() const;

    bool operator==(const SdkJsonValue&) const = default;

private:
    Storage m_v;
};

} // namespace pw

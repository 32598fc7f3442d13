#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace pw::core {
class Value;
}

namespace pw {

// One argument for a `?` parameter. Text and bytes are viewed, not copied: an
// argument list written in the call ({ id, name }) lives for the whole call
// that binds and runs the statement, which is what lets the bind skip a copy.
// A list kept beyond one call must keep the viewed strings and values alive.
class SQLArg {
public:
    enum class Kind { Null, Integer, Real, Text, Blob, Unsupported };

    SQLArg() = default;
    SQLArg(std::nullptr_t) {}

    template <typename T>
    requires std::integral<T> SQLArg(T v) {
        if constexpr (std::is_same_v<T, bool>) {
            m_kind = Kind::Integer;
            m_int = v ? 1 : 0;
        } else if constexpr (std::is_unsigned_v<T> || sizeof(T) == sizeof(int16_t)) {
            // Unsigned and short numbers are bound as the text of their
            // value (a column's affinity turns it back into a number).
            m_kind = Kind::Text;
            m_ownedText = std::to_string(v);
            m_owned = true;
            m_text = m_ownedText;
        } else {
            m_kind = Kind::Integer;
            m_int = static_cast<int64_t>(v);
        }
    }

    template <typename T>
    requires std::floating_point<T> SQLArg(T v) : m_kind(Kind::Real), m_real(static_cast<double>(v)) {}

    SQLArg(const char* text) {
        if (text) {
            m_kind = Kind::Text;
            m_text = text;
        }
    }
    SQLArg(std::string_view text) : m_kind(Kind::Text), m_text(text) {}
    SQLArg(const std::string& text) : m_kind(Kind::Text), m_text(text) {}
    // A temporary string would be gone before the statement runs if only viewed.
    SQLArg(std::string&& text) : m_kind(Kind::Text), m_ownedText(std::move(text)), m_owned(true) {
        m_text = m_ownedText;
    }

    SQLArg(const core::Value& value);

    SQLArg(const SQLArg& other) { *this = other; }
    SQLArg& operator=(const SQLArg& other);
    SQLArg(SQLArg&& other) noexcept { *this = other; }
    SQLArg& operator=(SQLArg&& other) noexcept { return *this = other; }

    static SQLArg blob(const void* bytes, size_t size);
    static SQLArg blob(std::span<const uint8_t> bytes) { return blob(bytes.data(), bytes.size()); }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    int64_t integer() const { return m_int; }
    double real() const { return m_real; }
    std::string_view text() const { return m_text; }
    std::span<const uint8_t> bytes() const { return m_blob; }

    // A short readable form for trace lines.
    std::string description() const;

private:
    Kind m_kind{Kind::Null};
    int64_t m_int{0};
    double m_real{0};
    std::string_view m_text;
    std::span<const uint8_t> m_blob;
    std::string m_ownedText;
    bool m_owned{false};
};

} // namespace pw

#pragma once

#include "platform/core/Bytes.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace pw::core {

class Value;

// A string-keyed map that remembers insertion order. Lookups go through a
// hash index so large JSON objects stay cheap; iteration follows the order
// in which keys were first set. Replacing a value keeps the key's position.
class ValueMap {
public:
    using Entry = std::pair<std::string, Value>;
    using const_iterator = std::vector<Entry>::const_iterator;

    ValueMap();
    ValueMap(std::initializer_list<Entry> entries);
    ValueMap(const ValueMap&);
    ValueMap(ValueMap&&) noexcept;
    ValueMap& operator=(const ValueMap&);
    ValueMap& operator=(ValueMap&&) noexcept;
    ~ValueMap();

    std::size_t size() const;
    bool empty() const;
    bool contains(std::string_view key) const;
    const Value* get(std::string_view key) const;
    Value* get(std::string_view key);
    // Inserts at the end, or replaces in place when the key exists.
    void set(std::string key, Value value);
    bool remove(std::string_view key);
    void clear();
    std::vector<std::string> keys() const;

    const_iterator begin() const;
    const_iterator end() const;

    // Same keys with equal values; order does not matter.
    bool operator==(const ValueMap& other) const;

private:
    void reindexFrom(std::size_t first);

    // Lets lookups by string_view find keys without making a std::string.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view> {}(key); }
    };

    // No default initialisers here: Value is still incomplete at this point,
    // and clang would instantiate the containers' constructors for them. The
    // out-of-line constructors initialise both.
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> m_index;
};

// The one dynamic value of the system: null, bool, 64-bit integer, double,
// UTF-8 string, bytes, array, or map with insertion order.
class Value {
public:
    enum class Type { Null, Bool, Int, Double, String, Bytes, Array, Map };
    using Array = std::vector<Value>;
    using Map = ValueMap;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : m_data(b) {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    Value(T i) : m_data(static_cast<std::int64_t>(i)) {}
    Value(double d) : m_data(d) {}
    Value(float f) : m_data(static_cast<double>(f)) {}
    Value(const char* s) : m_data(std::string(s ? s : "")) {}
    Value(std::string s) : m_data(std::move(s)) {}
    Value(std::string_view s) : m_data(std::string(s)) {}
    Value(pw::core::Bytes b) : m_data(std::move(b)) {}
    Value(Array a) : m_data(std::move(a)) {}
    Value(Map m) : m_data(std::move(m)) {}

    // Out of line: inlined into callers, the variant's copies and moves trip
    // a false "may be used uninitialized" warning in g++ 12.
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();

    static Value array() { return Value(Array {}); }
    static Value map() { return Value(Map {}); }

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isBool() const { return type() == Type::Bool; }
    bool isInt() const { return type() == Type::Int; }
    bool isDouble() const { return type() == Type::Double; }
    bool isNumber() const { return isInt() || isDouble(); }
    bool isString() const { return type() == Type::String; }
    bool isBytes() const { return type() == Type::Bytes; }
    bool isArray() const { return type() == Type::Array; }
    bool isMap() const { return type() == Type::Map; }

    // Typed getters: std::nullopt when the value is of another type.
    // asInt also answers for a double holding an exact integer in range;
    // asDouble also answers for an integer.
    std::optional<bool> asBool() const;
    std::optional<std::int64_t> asInt() const;
    std::optional<double> asDouble() const;
    std::optional<std::string> asString() const;
    std::optional<pw::core::Bytes> asBytes() const;

    // Borrowed views, nullptr when the value is of another type.
    const std::string* stringPtr() const;
    const pw::core::Bytes* bytesPtr() const;
    const Array* asArray() const;
    Array* asArray();
    const Map* asMap() const;
    Map* asMap();

    // Map access. get() is nullptr when absent or when this is not a map.
    // set() turns a null value into a map first; on other types it does
    // nothing and answers false.
    const Value* get(std::string_view key) const;
    Value* get(std::string_view key);
    bool set(std::string key, Value value);
    bool remove(std::string_view key);
    bool contains(std::string_view key) const;
    // A shared null value when absent, so lookups chain: v["a"]["b"].asInt().
    const Value& operator[](std::string_view key) const;
    const Value& operator[](const char* key) const { return (*this)[std::string_view(key)]; }

    // Array access. push() turns a null value into an array first.
    std::size_t size() const; // elements of an array or map, else 0
    const Value& at(std::size_t index) const; // shared null when out of range
    const Value& operator[](std::size_t index) const { return at(index); }
    // Keeps a literal index such as v[0] from reading as a null key pointer.
    const Value& operator[](int index) const { return index < 0 ? null() : at(static_cast<std::size_t>(index)); }
    bool push(Value value);

    // Numbers compare by value across int and double; maps ignore order.
    bool operator==(const Value& other) const;

    static const Value& null();

private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string, pw::core::Bytes, Array, Map> m_data {};
};

} // namespace pw::core

#pragma once

#include "platform/core/Bytes.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace pw::core {

class Value;

// A string-keyed map that remembers insertion order; iteration follows the
// order in which keys were first set, and replacing a value keeps the key's
// position. Most maps are records of a handful of keys, so up to
// kLinearMaxKeys keys a lookup is a plain scan of the entries and the map is
// a single allocation. Past that, a hash index of entry positions (built when
// the map grows past the limit, never by a lookup, so concurrent readers stay
// safe) keeps large JSON objects cheap.
class ValueMap {
public:
    using Entry = std::pair<std::string, Value>;
    using const_iterator = std::vector<Entry>::const_iterator;
    // Lets builders fill values in place. Keys must not be changed through it:
    // lookups would miss them.
    using iterator = std::vector<Entry>::iterator;

    static constexpr std::size_t kLinearMaxKeys = 16;

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
    // Inserts at the end without looking for the key first, for builders that
    // know their keys are distinct. A repeated key would be stored twice.
    void append(std::string key, Value value);
    bool remove(std::string_view key);
    void clear();
    void reserve(std::size_t count);
    std::vector<std::string> keys() const;

    const_iterator begin() const;
    const_iterator end() const;
    iterator begin();
    iterator end();

    // Same keys with equal values; order does not matter.
    bool operator==(const ValueMap& other) const;

private:
    struct Index;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t find(std::string_view key) const;
    void rebuildIndex();

    // No default initialiser for the entries: Value is still incomplete at
    // this point, and clang would instantiate the vector's constructors for
    // it. The out-of-line constructors initialise it.
    std::vector<Entry> m_entries;
    std::unique_ptr<Index> m_index{}; // only past kLinearMaxKeys keys
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
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) Value(T i) : m_data(static_cast<std::int64_t>(i)) {}
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

    static Value array() { return Value(Array{}); }
    static Value map() { return Value(Map{}); }

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
    std::size_t size() const;                 // elements of an array or map, else 0
    const Value& at(std::size_t index) const; // shared null when out of range
    const Value& operator[](std::size_t index) const { return at(index); }
    // Keeps a literal index such as v[0] from reading as a null key pointer.
    const Value& operator[](int index) const { return index < 0 ? null() : at(static_cast<std::size_t>(index)); }
    bool push(Value value);

    // Numbers compare by value across int and double; maps ignore order.
    bool operator==(const Value& other) const;

    static const Value& null();

private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string, pw::core::Bytes, Array, Map> m_data{};
};

} // namespace pw::core

#include "platform/core/Value.h"

#include <cmath>

namespace pw::core {

// ---- ValueMap ----

ValueMap::ValueMap() = default;
ValueMap::ValueMap(const ValueMap&) = default;
ValueMap::ValueMap(ValueMap&&) noexcept = default;
ValueMap& ValueMap::operator=(const ValueMap&) = default;
ValueMap& ValueMap::operator=(ValueMap&&) noexcept = default;
ValueMap::~ValueMap() = default;

ValueMap::ValueMap(std::initializer_list<Entry> entries)
{
    for (const auto& e : entries)
        set(e.first, e.second);
}

std::size_t ValueMap::size() const { return m_entries.size(); }
bool ValueMap::empty() const { return m_entries.empty(); }

bool ValueMap::contains(std::string_view key) const
{
    return get(key) != nullptr;
}

const Value* ValueMap::get(std::string_view key) const
{
    auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &m_entries[it->second].second;
}

Value* ValueMap::get(std::string_view key)
{
    auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &m_entries[it->second].second;
}

void ValueMap::set(std::string key, Value value)
{
    auto it = m_index.find(key);
    if (it != m_index.end()) {
        m_entries[it->second].second = std::move(value);
        return;
    }
    m_index.emplace(key, m_entries.size());
    m_entries.emplace_back(std::move(key), std::move(value));
}

bool ValueMap::remove(std::string_view key)
{
    auto it = m_index.find(key);
    if (it == m_index.end())
        return false;
    std::size_t pos = it->second;
    m_index.erase(it);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(pos));
    reindexFrom(pos);
    return true;
}

void ValueMap::clear()
{
    m_entries.clear();
    m_index.clear();
}

std::vector<std::string> ValueMap::keys() const
{
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries)
        out.push_back(e.first);
    return out;
}

ValueMap::const_iterator ValueMap::begin() const { return m_entries.begin(); }
ValueMap::const_iterator ValueMap::end() const { return m_entries.end(); }

bool ValueMap::operator==(const ValueMap& other) const
{
    if (size() != other.size())
        return false;
    for (const auto& [key, value] : m_entries) {
        const Value* theirs = other.get(key);
        if (!theirs || !(*theirs == value))
            return false;
    }
    return true;
}

void ValueMap::reindexFrom(std::size_t first)
{
    for (std::size_t i = first; i < m_entries.size(); ++i)
        m_index[m_entries[i].first] = i;
}

// ---- Value ----

Value::Value(const Value& other) = default;
Value::Value(Value&& other) noexcept = default;
Value& Value::operator=(const Value& other) = default;
Value& Value::operator=(Value&& other) noexcept = default;
Value::~Value() = default;

const Value& Value::null()
{
    static const Value theNull;
    return theNull;
}

std::optional<bool> Value::asBool() const
{
    if (auto* b = std::get_if<bool>(&m_data))
        return *b;
    return std::nullopt;
}

std::optional<std::int64_t> Value::asInt() const
{
    if (auto* i = std::get_if<std::int64_t>(&m_data))
        return *i;
    if (auto* d = std::get_if<double>(&m_data)) {
        // Only exact integers: a fraction or an out-of-range value is not an int.
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 && *d < 9223372036854775808.0)
            return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

std::optional<double> Value::asDouble() const
{
    if (auto* d = std::get_if<double>(&m_data))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&m_data))
        return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<std::string> Value::asString() const
{
    if (auto* s = std::get_if<std::string>(&m_data))
        return *s;
    return std::nullopt;
}

std::optional<pw::core::Bytes> Value::asBytes() const
{
    if (auto* b = std::get_if<pw::core::Bytes>(&m_data))
        return *b;
    return std::nullopt;
}

const std::string* Value::stringPtr() const { return std::get_if<std::string>(&m_data); }
const pw::core::Bytes* Value::bytesPtr() const { return std::get_if<pw::core::Bytes>(&m_data); }
const Value::Array* Value::asArray() const { return std::get_if<Array>(&m_data); }
Value::Array* Value::asArray() { return std::get_if<Array>(&m_data); }
const Value::Map* Value::asMap() const { return std::get_if<Map>(&m_data); }
Value::Map* Value::asMap() { return std::get_if<Map>(&m_data); }

const Value* Value::get(std::string_view key) const
{
    const Map* m = asMap();
    return m ? m->get(key) : nullptr;
}

Value* Value::get(std::string_view key)
{
    Map* m = asMap();
    return m ? m->get(key) : nullptr;
}

bool Value::set(std::string key, Value value)
{
    if (isNull())
        m_data = Map {};
    Map* m = asMap();
    if (!m)
        return false;
    m->set(std::move(key), std::move(value));
    return true;
}

bool Value::remove(std::string_view key)
{
    Map* m = asMap();
    return m && m->remove(key);
}

bool Value::contains(std::string_view key) const
{
    return get(key) != nullptr;
}

const Value& Value::operator[](std::string_view key) const
{
    const Value* v = get(key);
    return v ? *v : null();
}

std::size_t Value::size() const
{
    if (const Array* a = asArray())
        return a->size();
    if (const Map* m = asMap())
        return m->size();
    return 0;
}

const Value& Value::at(std::size_t index) const
{
    const Array* a = asArray();
    if (!a || index >= a->size())
        return null();
    return (*a)[index];
}

bool Value::push(Value value)
{
    if (isNull())
        m_data = Array {};
    Array* a = asArray();
    if (!a)
        return false;
    a->push_back(std::move(value));
    return true;
}

bool Value::operator==(const Value& other) const
{
    if (isNumber() && other.isNumber()) {
        if (isInt() && other.isInt())
            return *asInt() == *other.asInt();
        return *asDouble() == *other.asDouble();
    }
    return m_data == other.m_data;
}

} // namespace pw::core

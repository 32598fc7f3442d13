#include "platform/core/Value.h"

#include <cassert>
#include <cmath>
#include <functional>

namespace pw::core {

// ---- ValueMap ----

// Open addressing with linear probing over entry positions: the keys live
// only in the entries, so the index costs one allocation and no key copies.
// Removal rebuilds it; removals from large maps are rare.
struct ValueMap::Index {
    // Entry position + 1, 0 when free; a power-of-two size, at most half used.
    std::vector<std::uint32_t> slots{};
};

namespace {

std::size_t hashKey(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

} // namespace

ValueMap::ValueMap() = default;
ValueMap::ValueMap(ValueMap&&) noexcept = default;
ValueMap& ValueMap::operator=(ValueMap&&) noexcept = default;
ValueMap::~ValueMap() = default;

ValueMap::ValueMap(const ValueMap& other)
    : m_entries(other.m_entries), m_index(other.m_index ? std::make_unique<Index>(*other.m_index) : nullptr) {}

ValueMap& ValueMap::operator=(const ValueMap& other) {
    if (this != &other) {
        ValueMap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ValueMap::ValueMap(std::initializer_list<Entry> entries) {
    m_entries.reserve(entries.size());
    for (const auto& e : entries)
        set(e.first, e.second);
}

std::size_t ValueMap::size() const {
    return m_entries.size();
}
bool ValueMap::empty() const {
    return m_entries.empty();
}

std::size_t ValueMap::find(std::string_view key) const {
    if (!m_index) {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].first == key)
                return i;
        }
        return npos;
    }
    const std::vector<std::uint32_t>& slots = m_index->slots;
    const std::size_t mask = slots.size() - 1;
    for (std::size_t s = hashKey(key) & mask;; s = (s + 1) & mask) {
        const std::uint32_t slot = slots[s];
        if (slot == 0)
            return npos;
        if (m_entries[slot - 1].first == key)
            return slot - 1;
    }
}

bool ValueMap::contains(std::string_view key) const {
    return find(key) != npos;
}

const Value* ValueMap::get(std::string_view key) const {
    std::size_t pos = find(key);
    return pos == npos ? nullptr : &m_entries[pos].second;
}

Value* ValueMap::get(std::string_view key) {
    std::size_t pos = find(key);
    return pos == npos ? nullptr : &m_entries[pos].second;
}

void ValueMap::set(std::string key, Value value) {
    std::size_t pos = find(key);
    if (pos != npos) {
        m_entries[pos].second = std::move(value);
        return;
    }
    append(std::move(key), std::move(value));
}

void ValueMap::append(std::string key, Value value) {
    assert(find(key) == npos);
    m_entries.emplace_back(std::move(key), std::move(value));
    if (!m_index) {
        if (m_entries.size() > kLinearMaxKeys)
            rebuildIndex();
        return;
    }
    // Kept at most half full so probe runs stay short.
    if (m_entries.size() * 2 > m_index->slots.size()) {
        rebuildIndex();
        return;
    }
    std::vector<std::uint32_t>& slots = m_index->slots;
    const std::size_t mask = slots.size() - 1;
    std::size_t s = hashKey(m_entries.back().first) & mask;
    while (slots[s] != 0)
        s = (s + 1) & mask;
    slots[s] = static_cast<std::uint32_t>(m_entries.size());
}

void ValueMap::rebuildIndex() {
    if (m_entries.size() <= kLinearMaxKeys) {
        m_index.reset();
        return;
    }
    std::size_t capacity = 64;
    while (capacity < m_entries.size() * 4)
        capacity *= 2;
    auto index = std::make_unique<Index>();
    index->slots.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        std::size_t s = hashKey(m_entries[i].first) & mask;
        while (index->slots[s] != 0)
            s = (s + 1) & mask;
        index->slots[s] = static_cast<std::uint32_t>(i + 1);
    }
    m_index = std::move(index);
}

bool ValueMap::remove(std::string_view key) {
    std::size_t pos = find(key);
    if (pos == npos)
        return false;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(pos));
    if (m_index)
        rebuildIndex();
    return true;
}

void ValueMap::clear() {
    m_entries.clear();
    m_index.reset();
}

void ValueMap::reserve(std::size_t count) {
    m_entries.reserve(count);
}

std::vector<std::string> ValueMap::keys() const {
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries)
        out.push_back(e.first);
    return out;
}

ValueMap::const_iterator ValueMap::begin() const {
    return m_entries.begin();
}
ValueMap::const_iterator ValueMap::end() const {
    return m_entries.end();
}
ValueMap::iterator ValueMap::begin() {
    return m_entries.begin();
}
ValueMap::iterator ValueMap::end() {
    return m_entries.end();
}

bool ValueMap::operator==(const ValueMap& other) const {
    if (size() != other.size())
        return false;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const auto& [key, value] = m_entries[i];
        // Maps built the same way hold their keys in the same order: check
        // the same position before searching.
        const Value* theirs = other.m_entries[i].first == key ? &other.m_entries[i].second : other.get(key);
        if (!theirs || !(*theirs == value))
            return false;
    }
    return true;
}

// ---- Value ----

Value::Value(const Value& other) = default;
Value::Value(Value&& other) noexcept = default;
Value& Value::operator=(const Value& other) = default;
Value& Value::operator=(Value&& other) noexcept = default;
Value::~Value() = default;

const Value& Value::null() {
    static const Value theNull;
    return theNull;
}

std::optional<bool> Value::asBool() const {
    if (auto* b = std::get_if<bool>(&m_data))
        return *b;
    return std::nullopt;
}

std::optional<std::int64_t> Value::asInt() const {
    if (auto* i = std::get_if<std::int64_t>(&m_data))
        return *i;
    if (auto* d = std::get_if<double>(&m_data)) {
        // Only exact integers: a fraction or an out-of-range value is not an int.
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 && *d < 9223372036854775808.0)
            return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

std::optional<double> Value::asDouble() const {
    if (auto* d = std::get_if<double>(&m_data))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&m_data))
        return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<std::string> Value::asString() const {
    if (auto* s = std::get_if<std::string>(&m_data))
        return *s;
    return std::nullopt;
}

std::optional<pw::core::Bytes> Value::asBytes() const {
    if (auto* b = std::get_if<pw::core::Bytes>(&m_data))
        return *b;
    return std::nullopt;
}

const std::string* Value::stringPtr() const {
    return std::get_if<std::string>(&m_data);
}
const pw::core::Bytes* Value::bytesPtr() const {
    return std::get_if<pw::core::Bytes>(&m_data);
}
const Value::Array* Value::asArray() const {
    return std::get_if<Array>(&m_data);
}
Value::Array* Value::asArray() {
    return std::get_if<Array>(&m_data);
}
const Value::Map* Value::asMap() const {
    return std::get_if<Map>(&m_data);
}
Value::Map* Value::asMap() {
    return std::get_if<Map>(&m_data);
}

const Value* Value::get(std::string_view key) const {
    const Map* m = asMap();
    return m ? m->get(key) : nullptr;
}

Value* Value::get(std::string_view key) {
    Map* m = asMap();
    return m ? m->get(key) : nullptr;
}

bool Value::set(std::string key, Value value) {
    if (isNull())
        m_data = Map{};
    Map* m = asMap();
    if (!m)
        return false;
    m->set(std::move(key), std::move(value));
    return true;
}

bool Value::remove(std::string_view key) {
    Map* m = asMap();
    return m && m->remove(key);
}

bool Value::contains(std::string_view key) const {
    return get(key) != nullptr;
}

const Value& Value::operator[](std::string_view key) const {
    const Value* v = get(key);
    return v ? *v : null();
}

std::size_t Value::size() const {
    if (const Array* a = asArray())
        return a->size();
    if (const Map* m = asMap())
        return m->size();
    return 0;
}

const Value& Value::at(std::size_t index) const {
    const Array* a = asArray();
    if (!a || index >= a->size())
        return null();
    return (*a)[index];
}

bool Value::push(Value value) {
    if (isNull())
        m_data = Array{};
    Array* a = asArray();
    if (!a)
        return false;
    a->push_back(std::move(value));
    return true;
}

bool Value::operator==(const Value& other) const {
    if (isNumber() && other.isNumber()) {
        if (isInt() && other.isInt())
            return *asInt() == *other.asInt();
        return *asDouble() == *other.asDouble();
    }
    return m_data == other.m_data;
}

} // namespace pw::core

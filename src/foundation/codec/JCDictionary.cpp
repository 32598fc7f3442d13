#include "foundation/codec/JCDictionary.h"

#include "foundation/codec/JCArray.h"
#include "foundation/codec/JCDictionaryEnumerator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace pw {

namespace {
constexpr std::uint32_t kCapacities[] = {
    0,        3,        7,         13,        23,        41,        71,        127,       191,      251,
    383,      631,      1087,      1723,      2803,      4523,      7351,      11959,     19447,    31231,
    50683,    81919,    132607,    214519,    346607,    561109,    907759,    1468927,   2376191,  3845119,
    6221311,  10066421, 16287743,  26354171,  42641881,  68996069,  111638519, 180634607, 292272623, 472907251,
};
} // namespace

std::uint32_t JCDictionary::capacityForCount(std::uint64_t count) {
    auto target = static_cast<std::uint64_t>(std::lround(std::floor(static_cast<double>(count) * 1.33)));
    auto it = std::lower_bound(std::begin(kCapacities), std::end(kCapacities), target,
                               [](std::uint32_t c, std::uint64_t t) { return c < t; });
    if (it == std::end(kCapacities))
        throw std::length_error("Unable to allocate memory for hash table.");
    return *it;
}

std::uint32_t JCDictionary::hashForKey(std::string_view key) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
}

std::shared_ptr<JCDictionary> JCDictionary::make(std::vector<Entry> entries, bool mutableContainers) {
    auto d = std::make_shared<JCDictionary>();
    d->m_entries.resize(capacityForCount(entries.size()));
    for (auto& e : entries)
        d->addObject(e.keyHash, std::move(e.key), std::move(e.object));
    d->m_mutations = mutableContainers ? 1 : 0;
    return d;
}

std::int64_t JCDictionary::slotForKey(std::string_view key, std::uint32_t hash) const {
    const std::uint32_t capacity = this->capacity();
    if (capacity == 0)
        return -1;
    for (std::uint32_t i = 0, slot = hash % capacity; i < capacity; ++i, slot = (slot + 1) % capacity) {
        const Entry& e = m_entries[slot];
        if (e.key.isNull())
            return -1;
        if (e.keyHash == hash && *e.key.stringObject() == key)
            return slot;
    }
    return -1;
}

const JCObject* JCDictionary::objectForKey(std::string_view key) const {
    std::int64_t slot = slotForKey(key, hashForKey(key));
    return slot < 0 ? nullptr : &m_entries[static_cast<std::size_t>(slot)].object;
}

void JCDictionary::addObject(std::uint32_t hash, JCObject key, JCObject object) {
    const std::uint32_t capacity = this->capacity();
    for (std::uint32_t i = 0, slot = capacity ? hash % capacity : 0; i < capacity; ++i, slot = (slot + 1) % capacity) {
        Entry& e = m_entries[slot];
        if (!e.key.isNull() && e.keyHash == hash && e.key == key) {
            removeEntryAtSlot(slot);
            // The slot is empty now or holds a moved entry: walk on from here.
        }
        if (m_entries[slot].key.isNull()) {
            m_entries[slot] = Entry{hash, std::move(key), std::move(object)};
            ++m_count;
            return;
        }
    }
    // A full table: nothing is stored.
}

void JCDictionary::removeEntryAtSlot(std::uint32_t slot) {
    const std::uint32_t capacity = this->capacity();
    m_entries[slot] = Entry{};
    --m_count;
    // Entries after it that may have walked past it go back in from their start.
    for (std::uint32_t i = 1, s = (slot + 1) % capacity; i < capacity; ++i, s = (s + 1) % capacity) {
        if (m_entries[s].key.isNull())
            break;
        Entry moved = std::move(m_entries[s]);
        m_entries[s] = Entry{};
        --m_count;
        addObject(moved.keyHash, std::move(moved.key), std::move(moved.object));
    }
}

void JCDictionary::getObjectsAndKeys(std::vector<JCObject>* objects, std::vector<JCObject>* keys) const {
    for (const Entry& e : m_entries) {
        if (e.key.isNull())
            continue;
        if (objects)
            objects->push_back(e.object);
        if (keys)
            keys->push_back(e.key);
    }
}

std::uint32_t JCDictionary::nextKeySlot(std::uint32_t slot) const {
    while (slot < capacity() && m_entries[slot].key.isNull())
        ++slot;
    return slot;
}

std::shared_ptr<JCDictionaryEnumerator> JCDictionary::keyEnumerator() {
    return std::make_shared<JCDictionaryEnumerator>(shared_from_this());
}

void JCDictionary::checkMutable(const char* operation) const {
    if (m_mutations == 0)
        throw std::logic_error(
            jcCollectionMessage("JCDictionary", operation, "mutating method sent to immutable object"));
}

void JCDictionary::stepMutations() {
    m_mutations = m_mutations == UINT32_MAX ? 1 : m_mutations + 1;
}

void JCDictionary::setObjectForKey(JCObject object, std::string_view key) {
    checkMutable("setObject:forKey:");
    const std::uint32_t needed = capacityForCount(static_cast<std::uint64_t>(m_count) + 1);
    if (capacity() < needed) {
        std::vector<Entry> old = std::move(m_entries);
        m_entries.assign(needed, Entry{});
        m_count = 0;
        for (Entry& e : old)
            if (!e.key.isNull())
                addObject(e.keyHash, std::move(e.key), std::move(e.object));
    }
    addObject(hashForKey(key), JCObject::string(std::make_shared<const std::string>(key)), std::move(object));
    stepMutations();
}

void JCDictionary::removeObjectForKey(std::string_view key) {
    checkMutable("removeObjectForKey:");
    std::int64_t slot = slotForKey(key, hashForKey(key));
    if (slot < 0)
        return;
    removeEntryAtSlot(static_cast<std::uint32_t>(slot));
    stepMutations();
}

std::shared_ptr<JCDictionary> JCDictionary::copy() {
    if (!isMutable())
        return shared_from_this();
    auto d = std::make_shared<JCDictionary>(*this);
    d->m_mutations = 0;
    return d;
}

std::shared_ptr<JCDictionary> JCDictionary::mutableCopy() const {
    auto d = std::make_shared<JCDictionary>(*this);
    d->m_mutations = 1;
    return d;
}

} // namespace pw

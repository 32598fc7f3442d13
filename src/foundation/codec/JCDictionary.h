#pragma once
// The parser's own dictionary: an open-addressed table sized from a fixed
// list of capacities, keys found from slot (hash mod capacity) onward. Made
// at the table size for its count; immutable unless the parse asked for
// mutable containers. A repeated key replaces the earlier entry.
#include "foundation/codec/JCObject.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace pw {

class JCDictionaryEnumerator;

class JCDictionary : public std::enable_shared_from_this<JCDictionary> {
public:
    struct Entry {
        std::uint32_t keyHash = 0;
        JCObject key; // a string; empty slot while null
        JCObject object;
    };

    // The table size for `count` entries: the first listed capacity of at
    // least floor(count * 1.33).
    static std::uint32_t capacityForCount(std::uint64_t count);
    // The hash of a key's text (agrees with string equality).
    static std::uint32_t hashForKey(std::string_view key);

    // Entries added in order (a later entry replaces an earlier one of the same key).
    static std::shared_ptr<JCDictionary> make(std::vector<Entry> entries, bool mutableContainers);

    std::uint32_t count() const { return m_count; }
    std::uint32_t capacity() const { return static_cast<std::uint32_t>(m_entries.size()); }
    std::uint32_t mutations() const { return m_mutations; }
    bool isMutable() const { return m_mutations != 0; }

    const JCObject* objectForKey(std::string_view key) const;
    // The entries of the non-empty slots, in slot order; either may be null.
    void getObjectsAndKeys(std::vector<JCObject>* objects, std::vector<JCObject>* keys) const;
    std::shared_ptr<JCDictionaryEnumerator> keyEnumerator();
    // The key of the first non-empty slot at or after `slot`, and that slot
    // (capacity when there is none).
    std::uint32_t nextKeySlot(std::uint32_t slot) const;
    const Entry& entryAtSlot(std::uint32_t slot) const { return m_entries[slot]; }

    // Mutable dictionaries only (std::logic_error otherwise).
    void setObjectForKey(JCObject object, std::string_view key);
    void removeObjectForKey(std::string_view key);

    std::shared_ptr<JCDictionary> copy();
    std::shared_ptr<JCDictionary> mutableCopy() const;

private:
    std::int64_t slotForKey(std::string_view key, std::uint32_t hash) const;
    void addObject(std::uint32_t hash, JCObject key, JCObject object);
    void removeEntryAtSlot(std::uint32_t slot);
    void checkMutable(const char* operation) const;
    void stepMutations();

    std::vector<Entry> m_entries; // its size is the capacity
    std::uint32_t m_count = 0;
    std::uint32_t m_mutations = 0;
};

} // namespace pw

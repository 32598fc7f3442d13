#include "foundation/codec/JCDictionaryEnumerator.h"

#include "foundation/codec/JCDictionary.h"

namespace pw {

JCDictionaryEnumerator::JCDictionaryEnumerator(std::shared_ptr<JCDictionary> collection)
    : m_collection(std::move(collection)) {}

std::optional<JCObject> JCDictionaryEnumerator::nextObject() {
    std::uint32_t slot = m_collection->nextKeySlot(m_nextObject);
    if (slot >= m_collection->capacity()) {
        m_nextObject = slot;
        return std::nullopt;
    }
    m_nextObject = slot + 1;
    return m_collection->entryAtSlot(slot).key;
}

std::vector<JCObject> JCDictionaryEnumerator::allObjects() {
    std::vector<JCObject> keys;
    while (auto key = nextObject())
        keys.push_back(std::move(*key));
    return keys;
}

} // namespace pw

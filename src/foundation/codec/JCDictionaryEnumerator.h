#pragma once
// Walks a dictionary's keys in slot order.
#include "foundation/codec/JCObject.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pw {

class JCDictionary;

class JCDictionaryEnumerator {
public:
    explicit JCDictionaryEnumerator(std::shared_ptr<JCDictionary> collection);

    // The next key; nullopt after the last.
    std::optional<JCObject> nextObject();
    // Every key not yet handed out.
    std::vector<JCObject> allObjects();

private:
    std::shared_ptr<JCDictionary> m_collection;
    std::uint32_t m_nextObject = 0;
};

} // namespace pw

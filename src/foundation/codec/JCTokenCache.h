#pragma once
// A decoder's cache of string and number values: a value read again (a key
// repeated in every record above all) comes back as the one object made the
// first time. 1024 items, at most four probed per look-up; items age, so
// often-used values stay and one-off values are displaced.
#include "foundation/codec/JCObject.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pw {

class JCTokenCache {
public:
    static constexpr std::uint32_t kItems = 1024;
    // Value type codes: they take part in the hash and the probe step.
    static constexpr std::uint8_t kString = 5, kSigned = 7, kUnsigned = 11, kDouble = 13;

    struct Item {
        JCObject object; // null while empty
        std::uint32_t hash = 0;
        std::uint32_t keyHash = 0; // the key hash once it served as a key; 0 while not computed
        std::string bytes;
        std::uint8_t type = 0;
    };

    JCTokenCache();

    // The object for a value (its bytes, type code and token hash); `make`
    // builds it when the cache has none. `item` (when given) is set to the
    // item that supplied or received the object, or nullptr.
    JCObject cachedObject(std::string_view bytes, std::uint8_t type, std::uint32_t hash,
                          const std::function<JCObject()>& make, Item** item = nullptr);
    void clear();

    // The hash of a string token: 1402737925, then h * 33 + byte.
    static std::uint32_t stringHash(std::string_view bytes);
    // The hash of a number token from its type and the 8 bytes of its value.
    static std::uint32_t numberHash(std::uint8_t type, std::uint64_t bits);

    const Item& itemAt(std::uint32_t index) const { return m_items[index]; }
    std::uint8_t ageAt(std::uint32_t index) const { return m_ages[index]; }

private:
    void stepLfsr();

    std::array<Item, kItems> m_items{};
    std::array<std::uint8_t, kItems> m_ages{};
    std::uint32_t m_lfsr = 1;
};

} // namespace pw

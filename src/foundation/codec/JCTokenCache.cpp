#include "foundation/codec/JCTokenCache.h"

namespace pw {

namespace {
constexpr std::uint32_t kHashStart = 1402737925u;
} // namespace

JCTokenCache::JCTokenCache() = default;

std::uint32_t JCTokenCache::stringHash(std::string_view bytes) {
    std::uint32_t h = kHashStart;
    for (unsigned char c : bytes)
        h = h * 33u + c;
    return h;
}

std::uint32_t JCTokenCache::numberHash(std::uint8_t type, std::uint64_t bits) {
    std::uint32_t h = kHashStart + type;
    if (type == kSigned || type == kUnsigned)
        h += static_cast<std::uint32_t>(bits);
    for (int i = 0; i < 8; ++i)
        h = h * 33u + static_cast<std::uint8_t>(bits >> (8 * i));
    return h;
}

void JCTokenCache::stepLfsr() {
    const bool out = (m_lfsr & 1u) != 0;
    m_lfsr = (m_lfsr >> 1) ^ (out ? 0x80200003u : 0u);
}

JCObject JCTokenCache::cachedObject(std::string_view bytes, std::uint8_t type, std::uint32_t hash,
                                    const std::function<JCObject()>& make, Item** itemOut) {
    if (itemOut)
        *itemOut = nullptr;
    if (type == kString && bytes.empty()) {
        static const JCObject empty = JCObject::string(std::make_shared<const std::string>());
        return empty;
    }
    const std::uint32_t mask = kItems - 1;
    const std::uint32_t step = static_cast<std::uint32_t>(bytes.size()) + type + 3u;
    Item* victim = nullptr;
    std::uint32_t victimIndex = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        const std::uint32_t index = (hash + step * i) & mask;
        Item& item = m_items[index];
        if (item.object.isNull()) {
            victim = &item;
            victimIndex = index;
            break;
        }
        if (item.hash == hash && item.type == type && item.bytes == bytes) {
            m_ages[index] = static_cast<std::uint8_t>((m_ages[index] << 1) | 1u);
            if (itemOut)
                *itemOut = &item;
            return item.object;
        }
        if (!victim && m_ages[index] == 0) {
            victim = &item;
            victimIndex = index;
        } else {
            m_ages[index] >>= 1;
            stepLfsr();
            m_ages[m_lfsr & mask] >>= 1;
            stepLfsr();
            m_ages[m_lfsr & mask] >>= 1;
        }
    }
    JCObject made = make();
    if (victim && !made.isNull()) {
        victim->object = made;
        victim->bytes.assign(bytes.data(), bytes.size());
        victim->hash = hash;
        victim->type = type;
        victim->keyHash = 0;
        m_ages[victimIndex] = 0;
        if (itemOut)
            *itemOut = victim;
    }
    return made;
}

void JCTokenCache::clear() {
    for (std::uint32_t i = 0; i < kItems; ++i) {
        m_items[i] = Item{};
        m_ages[i] = 0;
    }
}

} // namespace pw

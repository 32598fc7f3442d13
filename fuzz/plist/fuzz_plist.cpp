// Damaged property lists, archives and text must come back as "nothing",
// never as a crash, a hang or a huge allocation.
#include "platform/core/KeyedArchive.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Text.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Value equality, except that NaN matches NaN (a file may hold one).
bool same(const pw::core::Value& a, const pw::core::Value& b) {
    if (a.isDouble() && b.isDouble() && std::isnan(*a.asDouble()) && std::isnan(*b.asDouble()))
        return true;
    if (a.isArray() && b.isArray()) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!same(a.at(i), b.at(i)))
                return false;
        return true;
    }
    if (a.isMap() && b.isMap()) {
        if (a.size() != b.size())
            return false;
        for (const auto& [key, value] : *a.asMap()) {
            const pw::core::Value* other = b.get(key);
            if (!other || !same(value, *other))
                return false;
        }
        return true;
    }
    return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pw::core::ByteView bytes(data, size);
    if (auto value = pw::core::PropertyList::parse(bytes)) {
        // Whatever was read must write back and read again to the same value.
        if (auto again = pw::core::PropertyList::serialize(*value)) {
            auto reread = pw::core::PropertyList::parse(*again);
            if (!reread || !same(*reread, *value))
                __builtin_trap();
        }
    }
    (void)pw::core::KeyedArchive::unarchive(bytes, "root");

    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* charset : {"UTF-8", "GB18030", "UTF-16LE"}) {
        if (auto decoded = pw::core::text::decode(text, charset)) {
            if (!pw::core::text::toUtf8(*decoded))
                __builtin_trap(); // a strict decode never yields unpaired surrogates
        }
    }
    return 0;
}

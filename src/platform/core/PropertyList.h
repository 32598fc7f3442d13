#pragma once

#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <filesystem>
#include <optional>

namespace pw::core {

// Property lists (XML or binary) to and from Value. Dictionaries become maps,
// arrays arrays, strings strings, integers ints, reals doubles, booleans
// bools, data bytes, and dates doubles (seconds since 1970). Damaged input is
// std::nullopt. A Value holding null cannot be written.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    static std::optional<Value> parse(ByteView bytes); // either format
    static std::optional<Value> readFile(const std::filesystem::path& path);
    static std::optional<Bytes> serialize(const Value& value, Format format = Format::Binary);
    // Written with FileManager::atomicWrite.
    static bool writeFile(const std::filesystem::path& path, const Value& value, Format format = Format::Binary);
};

} // namespace pw::core

#pragma once

#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace pw::core {

// An archive is a binary property list whose top dictionary holds the
// archived value under a root key. Reading never throws: a missing, damaged
// or foreign archive, or one without the key, is std::nullopt.
class KeyedArchive {
public:
    static constexpr std::string_view kDefaultRootKey = "root";

    static std::optional<Bytes> archivedData(const Value& value, std::string_view rootKey = kDefaultRootKey);
    static std::optional<Value> unarchive(ByteView data, std::string_view rootKey = kDefaultRootKey);
    // Atomic: a failure leaves a previous archive as it was.
    static bool archiveRootObject(const Value& value, const std::filesystem::path& path,
                                  std::string_view rootKey = kDefaultRootKey);
    static std::optional<Value> unarchiveObject(const std::filesystem::path& path,
                                                std::string_view rootKey = kDefaultRootKey);
};

} // namespace pw::core

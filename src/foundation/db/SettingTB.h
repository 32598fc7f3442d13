#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The key/value settings of the main database (table `setting`).
class SettingTB {
public:
    static bool saveSettingWithKey(std::string_view key, std::string_view value);
    // Keeps the key with no value: it then reads as absent.
    static bool saveSettingWithKey(std::string_view key, std::nullptr_t);
    // nullopt when the key is absent or the file cannot be read.
    static std::optional<std::string> readSettingWithKey(std::string_view key);
    static bool deleteSettingWithKey(std::string_view key);
};

} // namespace pw

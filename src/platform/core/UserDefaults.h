#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace pw::core {

// Small persistent settings, a property list of key/value pairs. Every
// change is written through (atomically), so nothing is lost when the
// process ends. Thread-safe.
class UserDefaults {
public:
    // Library/Preferences/pagewell.plist under the current home; follows
    // Paths::setHome (the next call after a change opens the new file).
    static UserDefaults& standard();

    explicit UserDefaults(std::filesystem::path file);

    std::optional<Value> get(std::string_view key) const;
    std::optional<std::string> getString(std::string_view key) const;
    std::optional<bool> getBool(std::string_view key) const;
    std::optional<std::int64_t> getInt(std::string_view key) const;
    std::optional<double> getDouble(std::string_view key) const;
    bool contains(std::string_view key) const;

    // Storing a null value removes the key. False when the file could not
    // be written (the value is kept in memory and written by the next change
    // or synchronize()).
    bool set(std::string_view key, Value value);
    bool remove(std::string_view key);
    // Writes pending changes; true when the file holds the current state.
    bool synchronize();
    const std::filesystem::path& file() const { return m_file; }

private:
    bool writeLocked();

    std::filesystem::path m_file{};
    mutable std::mutex m_mutex{};
    Value m_values{Value::map()};
    bool m_dirty{false};
};

} // namespace pw::core

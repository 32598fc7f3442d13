#pragma once
// The account kit's plain key-value store (Library/zel2/zeldefaultsSaveFile),
// written whole after every change.
#include "platform/core/Value.h"

#include <mutex>
#include <optional>
#include <string>

namespace pw {

class PersistentUtil {
public:
    static PersistentUtil& sharedInstance();
    static void resetShared();

    void initData();
    bool saveData();
    // A missing value removes the key.
    void setValue(const std::optional<core::Value>& value, const std::string& key);
    void setValue(const std::string& value, const std::string& key) { setValue(core::Value(value), key); }
    void setValue(const char* value, const std::string& key) { setValue(core::Value(value), key); }
    // nullopt before the first load, or when the key is absent.
    std::optional<core::Value> objectForKey(const std::string& key) const;
    // The text under the key, empty when absent or not a text.
    std::string stringForKey(const std::string& key) const;

private:
    PersistentUtil() = default;
    bool saveLocked();

    mutable std::mutex m_mutex;
    std::optional<core::Value> m_store; // a map once loaded
};

} // namespace pw

#include "platform/core/UserDefaults.h"

#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

namespace pw::core {

namespace {

std::mutex g_standardMutex;
std::unique_ptr<UserDefaults> g_standard;

} // namespace

UserDefaults& UserDefaults::standard() {
    std::lock_guard lock(g_standardMutex);
    std::filesystem::path file = Paths::preferences() / "pagewell.plist";
    if (!g_standard || g_standard->file() != file) {
        // Keep a replaced instance alive: callers may still hold a reference
        // from before the home changed (tests switch homes between cases).
        static std::vector<std::unique_ptr<UserDefaults>> retired;
        if (g_standard)
            retired.push_back(std::move(g_standard));
        g_standard = std::make_unique<UserDefaults>(file);
    }
    return *g_standard;
}

UserDefaults::UserDefaults(std::filesystem::path file) : m_file(std::move(file)) {
    // A damaged or foreign file starts empty; it is only replaced by the
    // next change, so nothing is overwritten just by reading.
    if (auto stored = PropertyList::readFile(m_file); stored && stored->isMap())
        m_values = std::move(*stored);
}

std::optional<Value> UserDefaults::get(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    const Value* v = m_values.get(key);
    if (!v)
        return std::nullopt;
    return *v;
}

std::optional<std::string> UserDefaults::getString(std::string_view key) const {
    auto v = get(key);
    return v ? v->asString() : std::nullopt;
}

std::optional<bool> UserDefaults::getBool(std::string_view key) const {
    auto v = get(key);
    return v ? v->asBool() : std::nullopt;
}

std::optional<std::int64_t> UserDefaults::getInt(std::string_view key) const {
    auto v = get(key);
    return v ? v->asInt() : std::nullopt;
}

std::optional<double> UserDefaults::getDouble(std::string_view key) const {
    auto v = get(key);
    return v ? v->asDouble() : std::nullopt;
}

bool UserDefaults::contains(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    return m_values.contains(key);
}

bool UserDefaults::set(std::string_view key, Value value) {
    if (value.isNull())
        return remove(key);
    std::lock_guard lock(m_mutex);
    m_values.set(std::string(key), std::move(value));
    m_dirty = true;
    return writeLocked();
}

bool UserDefaults::remove(std::string_view key) {
    std::lock_guard lock(m_mutex);
    if (!m_values.remove(key))
        return !m_dirty || writeLocked();
    m_dirty = true;
    return writeLocked();
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(m_mutex);
    return !m_dirty || writeLocked();
}

bool UserDefaults::writeLocked() {
    FileManager::createDirectories(m_file.parent_path());
    if (!PropertyList::writeFile(m_file, m_values, PropertyList::Format::Binary))
        return false;
    m_dirty = false;
    return true;
}

} // namespace pw::core

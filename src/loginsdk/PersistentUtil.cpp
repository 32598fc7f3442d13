#include "loginsdk/PersistentUtil.h"

#include "loginsdk/zelConfig.h"
#include "platform/core/FileManager.h"
#include "platform/core/PropertyList.h"

#include <memory>

namespace pw {
namespace {

std::filesystem::path storeFile() {
    return zelConfig::kitFolder() / "zeldefaultsSaveFile";
}

std::mutex& persistentUtilMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<PersistentUtil>& sharedPersistentUtil() {
    static std::unique_ptr<PersistentUtil> p;
    return p;
}

} // namespace

PersistentUtil& PersistentUtil::sharedInstance() {
    std::lock_guard lock(persistentUtilMutex());
    if (!sharedPersistentUtil())
        sharedPersistentUtil().reset(new PersistentUtil());
    return *sharedPersistentUtil();
}

void PersistentUtil::resetShared() {
    std::lock_guard lock(persistentUtilMutex());
    sharedPersistentUtil().reset();
}

void PersistentUtil::initData() {
    auto read = core::PropertyList::readFile(storeFile());
    std::lock_guard lock(m_mutex);
    m_store = read && read->isMap() ? *read : core::Value::map();
}

bool PersistentUtil::saveLocked() {
    core::FileManager::createDirectories(zelConfig::kitFolder());
    return writePrivatePlist(storeFile(), m_store ? *m_store : core::Value::map());
}

bool PersistentUtil::saveData() {
    std::lock_guard lock(m_mutex);
    return saveLocked();
}

void PersistentUtil::setValue(const std::optional<core::Value>& value, const std::string& key) {
    bool loaded;
    {
        std::lock_guard lock(m_mutex);
        loaded = m_store.has_value();
    }
    if (!loaded)
        initData();
    std::lock_guard lock(m_mutex);
    if (value && !value->isNull())
        m_store->set(key, *value);
    else
        m_store->remove(key);
    saveLocked();
}

std::optional<core::Value> PersistentUtil::objectForKey(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    if (!m_store)
        return std::nullopt;
    const core::Value* v = m_store->get(key);
    return v ? std::optional<core::Value>(*v) : std::nullopt;
}

std::string PersistentUtil::stringForKey(const std::string& key) const {
    auto v = objectForKey(key);
    return v ? v->asString().value_or("") : std::string();
}

} // namespace pw

#include "loginsdk/zelConfig.h"

#include "foundation/hosts/SiteHosts.h"
#include "platform/core/FileManager.h"
#include "platform/core/KeyedArchive.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/device/NetworkInterfaces.h"
#include "platform/device/Providers.h"

#include <memory>

namespace pw {
namespace {

constexpr std::string_view kMarker = "#zel2#";
// Without a hardware address every install scrambles with this one byte.
constexpr uint8_t kFallbackXorKey = 0x5c;

struct MacOverride {
    std::mutex mutex;
    bool active = false;
    std::optional<std::string> mac;
};

MacOverride& macOverride() {
    static MacOverride o;
    return o;
}

std::mutex& zelConfigMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<zelConfig>& sharedZelConfig() {
    static std::unique_ptr<zelConfig> p;
    return p;
}

} // namespace

bool writePrivatePlist(const std::filesystem::path& path, const core::Value& value) {
    auto bytes = core::PropertyList::serialize(value, core::PropertyList::Format::Xml);
    return bytes && core::FileManager::atomicWrite(path, *bytes, 0600);
}

zelConfig& zelConfig::shareZelConfig() {
    std::lock_guard lock(zelConfigMutex());
    if (!sharedZelConfig())
        sharedZelConfig().reset(new zelConfig());
    return *sharedZelConfig();
}

void zelConfig::resetShared() {
    std::lock_guard lock(zelConfigMutex());
    sharedZelConfig().reset();
}

std::filesystem::path zelConfig::kitFolder() {
    return core::Paths::library() / "zel2";
}

std::string zelConfig::baseAddress() {
    return SiteHosts::baseUrl(SiteHosts::Service::Account) + "/zel/";
}

zelConfig::zelConfig() {
    m_uuid = macAddress();
    m_xorKey = macXorKey(m_uuid);
    guidUrl = dynamicWith("accquirguid/guid.shtm");
    recVeriSmsUrl = dynamicWith("autologin/receiveVerificationSms.shtm");
    verifyClientUrl = dynamicWith("autologin/verifyClientEx.shtm");
    autoLoginUrl = dynamicWith("autologin/autoLogin.shtm");
    redirectUrl = dynamicWith("passport/redirectex.shtm");
    obtainUrl = dynamicWith("config/obtain.shtm");
    m_folder = kitFolder();
    m_plist = m_folder / "tarvzel2.plist";
    if (!core::FileManager::isDirectory(m_folder))
        core::FileManager::createDirectories(m_folder);
    m_settings = loadFromFile();
    checkCarrierType();
}

std::string zelConfig::dynamicWith(const std::string& path) const {
    return baseAddress() + path;
}

std::optional<std::string> zelConfig::macAddress() {
    {
        auto& o = macOverride();
        std::lock_guard lock(o.mutex);
        if (o.active)
            return o.mac;
    }
    auto mac = device::NetworkInterfaces::hardwareAddress();
    if (!mac)
        core::Log::info("Error: no network interface with a hardware address");
    return mac;
}

void zelConfig::overrideMacAddress(std::optional<std::string> mac) {
    auto& o = macOverride();
    std::lock_guard lock(o.mutex);
    o.active = true;
    o.mac = std::move(mac);
}

void zelConfig::clearMacOverride() {
    auto& o = macOverride();
    std::lock_guard lock(o.mutex);
    o.active = false;
    o.mac.reset();
}

uint8_t zelConfig::macXorKey(const std::optional<std::string>& mac) {
    if (!mac || mac->size() < 3)
        return kFallbackXorKey;
    unsigned sum = 0;
    for (size_t i = 0; i + 2 < mac->size(); ++i) {
        unsigned pair = static_cast<unsigned>(std::strtoul(mac->substr(i, 2).c_str(), nullptr, 16));
        sum = (sum + pair) % 255;
    }
    return static_cast<uint8_t>(sum & 0xff);
}

void zelConfig::setXorData(core::Value::Map& dict, const std::string& value, const std::string& key) const {
    auto archive = core::KeyedArchive::archivedData(core::Value(value + std::string(kMarker)));
    if (!archive)
        return;
    for (auto& b : *archive)
        b = static_cast<uint8_t>(b ^ m_xorKey);
    dict.set(key, core::Value(std::move(*archive)));
}

std::string zelConfig::getXorData(const core::Value::Map& dict, const std::string& key) const {
    const core::Value* stored = dict.get(key);
    const core::Bytes* data = stored ? stored->bytesPtr() : nullptr;
    if (!data)
        return {};
    core::Bytes copy = *data;
    for (auto& b : copy)
        b = static_cast<uint8_t>(b ^ m_xorKey);
    auto value = core::KeyedArchive::unarchive(copy);
    const std::string* text = value ? value->stringPtr() : nullptr;
    if (!text || text->size() < kMarker.size() ||
        text->compare(text->size() - kMarker.size(), kMarker.size(), kMarker) != 0)
        return {};
    return text->substr(0, text->size() - kMarker.size());
}

bool zelConfig::synchronize() {
    return writePrivatePlist(m_plist, core::Value(m_settings));
}

core::Value::Map zelConfig::loadFromFile() {
    std::optional<core::Value> read;
    if (core::FileManager::exists(m_plist))
        read = core::PropertyList::readFile(m_plist);
    std::lock_guard lock(m_mutex);
    m_sessionId.reset();
    m_phoneNumber.reset();
    m_token.reset();
    m_phoneNo.reset();
    m_ptAccount.reset();
    if (!read || !read->isMap())
        return {};
    const core::Value::Map& dict = *read->asMap();
    m_sessionId = getXorData(dict, "sessionid");
    m_phoneNumber = getXorData(dict, "phoneNumber");
    m_token = getXorData(dict, "token");
    m_phoneNo = getXorData(dict, "phoneNo");
    m_ptAccount = getXorData(dict, "ptAccount");
    // Only creation takes the dictionary as its settings; a later read
    // (the log-off's) leaves the settings as they are.
    return dict;
}

void zelConfig::checkCarrierType() {
    auto carrier = device::CarrierProvider::current()->carrier();
    m_carrierName = carrier ? std::optional<std::string>(carrier->name) : std::nullopt;
    m_carrierType = 0;
    if (!carrier || carrier->name.empty())
        return;
    if (carrier->name == "中国联通")
        m_carrierType = 46001;
    else if (carrier->name == "中国移动")
        m_carrierType = 46002;
    else if (carrier->name == "中国电信")
        m_carrierType = 46003;
    else
        m_carrierType = 50000;
}

std::string zelConfig::read(std::optional<std::string> zelConfig::*field) const {
    std::lock_guard lock(m_mutex);
    return (this->*field).value_or("");
}

void zelConfig::store(std::optional<std::string> zelConfig::*field, const char* key,
                      const std::optional<std::string>& v) {
    std::lock_guard lock(m_mutex);
    this->*field = v.value_or("");
    setXorData(m_settings, *(this->*field), key);
    synchronize();
}

std::string zelConfig::getSessionId() const {
    return read(&zelConfig::m_sessionId);
}
std::string zelConfig::getPhoneNumber() const {
    return read(&zelConfig::m_phoneNumber);
}
std::string zelConfig::getToken() const {
    return read(&zelConfig::m_token);
}
std::string zelConfig::getPhoneNo() const {
    return read(&zelConfig::m_phoneNo);
}
std::string zelConfig::getPtAccount() const {
    return read(&zelConfig::m_ptAccount);
}
void zelConfig::setSessionId(const std::optional<std::string>& v) {
    store(&zelConfig::m_sessionId, "sessionid", v);
}
void zelConfig::setPhoneNumber(const std::optional<std::string>& v) {
    store(&zelConfig::m_phoneNumber, "phoneNumber", v);
}
void zelConfig::setToken(const std::optional<std::string>& v) {
    store(&zelConfig::m_token, "token", v);
}
void zelConfig::setPhoneNo(const std::optional<std::string>& v) {
    store(&zelConfig::m_phoneNo, "phoneNo", v);
}
void zelConfig::setPtAccount(const std::optional<std::string>& v) {
    store(&zelConfig::m_ptAccount, "ptAccount", v);
}

} // namespace pw

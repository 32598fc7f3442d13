#pragma once
// The account kit's fixed configuration, device facts and the login values
// that survive a restart, kept scrambled in Library/zel2/tarvzel2.plist.
#include "platform/core/Value.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace pw {

class zelConfig {
public:
    static zelConfig& shareZelConfig();
    // Drops the instance; the next use reads the files and the device again
    // (a new home in tests, or after the hardware address was overridden).
    static void resetShared();

    // The account service's addresses.
    std::string guidUrl, recVeriSmsUrl, verifyClientUrl, autoLoginUrl, redirectUrl, obtainUrl;
    std::string dynamicWith(const std::string& path) const;
    static std::string baseAddress(); // "<scheme>://<host>/zel/"

    // Twelve upper-case hex digits, nullopt when the machine has none.
    const std::optional<std::string>& uuid() const { return m_uuid; }
    static std::optional<std::string> macAddress();
    // Tests pin the hardware address (nullopt: none at all); clearOverride
    // goes back to the machine's.
    static void overrideMacAddress(std::optional<std::string> mac);
    static void clearMacOverride();
    uint8_t getMacXorKey() const { return m_xorKey; }
    static uint8_t macXorKey(const std::optional<std::string>& mac);

    std::string getSessionId() const;
    std::string getPhoneNumber() const;
    std::string getToken() const;
    std::string getPhoneNo() const;
    std::string getPtAccount() const;
    // A missing value is stored as the empty text; each write saves the file.
    void setSessionId(const std::optional<std::string>& v);
    void setPhoneNumber(const std::optional<std::string>& v);
    void setToken(const std::optional<std::string>& v);
    void setPhoneNo(const std::optional<std::string>& v);
    void setPtAccount(const std::optional<std::string>& v);

    void setXorData(core::Value::Map& dict, const std::string& value, const std::string& key) const;
    std::string getXorData(const core::Value::Map& dict, const std::string& key) const;
    bool synchronize();
    core::Value::Map loadFromFile();
    void checkCarrierType();

    int carrierType() const { return m_carrierType; }
    const std::optional<std::string>& carrierName() const { return m_carrierName; }
    unsigned timeOutSeconds = 12;
    unsigned maxRetryCount = 3;
    bool isTestSet() const { return false; }
    uint32_t currentStatusCode = 0;

    const std::filesystem::path& folder() const { return m_folder; }
    static std::filesystem::path kitFolder(); // Library/zel2

private:
    zelConfig();
    void store(std::optional<std::string> zelConfig::*field, const char* key, const std::optional<std::string>& v);
    std::string read(std::optional<std::string> zelConfig::*field) const;

    mutable std::mutex m_mutex;
    uint8_t m_xorKey = 0;
    core::Value::Map m_settings;
    std::filesystem::path m_folder, m_plist;
    std::optional<std::string> m_uuid;
    std::optional<std::string> m_sessionId, m_phoneNumber, m_token, m_phoneNo, m_ptAccount;
    int m_carrierType = 0;
    std::optional<std::string> m_carrierName;
};

// Files of the kit are private to the user and never left half-written.
bool writePrivatePlist(const std::filesystem::path& path, const core::Value& value);

} // namespace pw

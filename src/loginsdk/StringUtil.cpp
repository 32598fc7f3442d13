#include "loginsdk/StringUtil.h"

#include "loginsdk/GlobalConstants.h"
#include "loginsdk/cipher/OADes.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/cipher/SdkBase64.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/Text.h"

#include <openssl/rand.h>

#include <cstdio>
#include <random>

namespace pw {
namespace {

// The service reads these texts field by field; a quote or backslash in a
// value (a typed SMS code, say) must not end the field early.
std::string jsonSafe(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

class Fields {
public:
    void text(const char* name, const std::string& value) { add(name, "\"" + jsonSafe(value) + "\""); }
    void number(const char* name, long long value) { add(name, std::to_string(value)); }
    std::string done() const { return "{" + m_body + "}"; }

private:
    void add(const char* name, const std::string& value) {
        if (!m_body.empty())
            m_body.push_back(',');
        m_body += "\"" + std::string(name) + "\":" + value;
    }
    std::string m_body;
};

std::string withoutDashes(std::string s) {
    std::erase(s, '-');
    return s;
}

std::string base64(const std::string& text) {
    return melk::base64_encode_zel(std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

std::string StringUtil::generateRandom(int n) {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        std::random_device device;
        for (auto& b : bytes)
            b = static_cast<unsigned char>(device());
    }
    // Every byte as two digits, so the id is always n characters of fresh hex.
    std::string hex;
    while (static_cast<int>(hex.size()) < n) {
        for (unsigned char b : bytes) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", b);
            hex += two;
        }
    }
    hex.resize(static_cast<size_t>(std::max(n, 0)));
    return hex;
}

std::string StringUtil::lengthPrefixed(const std::string& value) {
    char length[16];
    std::snprintf(length, sizeof length, "%04zu", core::text::toUtf16Lenient(value).size());
    return length + value;
}

std::string StringUtil::fieldCipherText(const std::string& value) {
    return tarvzel::Encrypt(PersistentUtil::sharedInstance().stringForKey("key"), lengthPrefixed(value));
}

std::string StringUtil::requestSessionIdText(const std::optional<std::string>& verfiCode) {
    zelConfig& config = zelConfig::shareZelConfig();
    PersistentUtil& store = PersistentUtil::sharedInstance();
    GlobalValues run = GlobalConstants::sharedInstance().values();
    zelOpenAPI& api = zelOpenAPI::shareZelOpenAPI();
    std::string mac = config.uuid().value_or("");
    int carrier = config.carrierType();
    std::string imsi = carrier != 0 && carrier != 50000 ? std::to_string(carrier) + "_" + mac : mac;

    Fields f;
    f.text("optype", std::to_string(run.optype));
    f.number("hasSDCard", 0);
    f.text("uuid", fieldCipherText(store.stringForKey("uuid")));
    f.text("guid", store.stringForKey("guid"));
    std::string phoneNo = config.getPhoneNo();
    if (core::text::toUtf16Lenient(phoneNo).size() >= 2)
        f.text("phoneNo", fieldCipherText(phoneNo));
    std::string token = config.getToken();
    if (core::text::toUtf16Lenient(token).size() >= 2)
        f.text("token", fieldCipherText(token));
    f.text("clientVersion", "2.3.0");
    f.text("endpointOS", "ios");
    f.text("imsi", imsi);
    f.number("appId", api.appId());
    f.number("areaId", api.areaId());
    f.text("smsCode", verfiCode ? *verfiCode : run.smsCode);
    return f.done();
}

std::string StringUtil::typedSessionIdText(int type) {
    zelConfig& config = zelConfig::shareZelConfig();
    PersistentUtil& store = PersistentUtil::sharedInstance();
    zelOpenAPI& api = zelOpenAPI::shareZelOpenAPI();
    std::string mac = withoutDashes(config.uuid().value_or(""));

    Fields f;
    f.text("optype", std::to_string(type));
    f.number("hasSDCard", 0);
    f.text("sessionId", config.getSessionId());
    f.text("uuid", fieldCipherText(store.stringForKey("uuid")));
    f.text("guid", store.stringForKey("guid"));
    if (type == 3)
        f.text("imei", mac);
    if (type == 4)
        f.text("tarvId", fieldCipherText(store.stringForKey("tarvId")));
    f.text("phoneNo", fieldCipherText(config.getPhoneNo()));
    f.text("token", fieldCipherText(config.getToken()));
    f.text("clientVersion", "2.3.0");
    f.text("endpointOS", "ios");
    f.text("imsi", mac);
    f.number("appId", api.appId());
    f.number("areaId", api.areaId());
    return f.done();
}

std::string StringUtil::buildSessionIdWithType(int type) {
    return base64(typedSessionIdText(type));
}

std::string StringUtil::buildRequestSessionId(const std::optional<std::string>& verfiCode) {
    return base64(requestSessionIdText(verfiCode));
}

std::vector<unsigned char> StringUtil::string2Hex(const std::string& hex) {
    auto digit = [](char c) -> unsigned {
        if (c >= '0' && c <= '9')
            return static_cast<unsigned>(c - '0');
        if (c >= 'a' && c <= 'f')
            return static_cast<unsigned>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F')
            return static_cast<unsigned>(c - 'A' + 10);
        return 0;
    };
    std::vector<unsigned char> out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned high = digit(hex[i]);
        unsigned low = i + 1 < hex.size() ? digit(hex[i + 1]) : 0;
        out.push_back(static_cast<unsigned char>((high << 4) | low));
    }
    return out;
}

} // namespace pw

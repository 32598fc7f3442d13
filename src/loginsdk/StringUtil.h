#pragma once
// Random ids and the session identifiers that prove the device and the login
// to the account service.
#include <optional>
#include <string>
#include <vector>

namespace pw {

class StringUtil {
public:
    static std::string generateUUID() { return generateRandom(32); }
    // n lowercase hexadecimal digits from fresh random bytes.
    static std::string generateRandom(int n);
    // Base64 of the typed session identifier (types 0, 1, 3, 4 in use).
    static std::string buildSessionIdWithType(int type);
    // Base64 of the request session identifier; the SMS code is verfiCode when
    // set, else the run-time one.
    static std::string buildRequestSessionId(const std::optional<std::string>& verfiCode);
    // The JSON texts before Base64, for inspection.
    static std::string typedSessionIdText(int type);
    static std::string requestSessionIdText(const std::optional<std::string>& verfiCode);
    // One secret field: "%04d%@" of its UTF-16 length and itself, DES-encrypted
    // under the stored key, as lowercase hex.
    static std::string fieldCipherText(const std::string& value);
    // "%04d%@": the value's length in UTF-16 units, at least four digits, then the value.
    static std::string lengthPrefixed(const std::string& value);
    static std::vector<unsigned char> string2Hex(const std::string& hex);
    // The fixed text "descript".
    static std::string decript() { return "descript"; }
};

} // namespace pw

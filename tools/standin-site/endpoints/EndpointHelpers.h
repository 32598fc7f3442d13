#pragma once
// Small pieces every group of endpoints reads requests and writes answers with.
#include "foundation/codec/Base64Codec.h"

#include <httplib.h>

#include <cstdint>
#include <optional>
#include <string>

namespace pw::standin {

// A whole decimal number, nullopt for anything else.
inline std::optional<int64_t> number(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used);
        return used == text.size() ? std::optional<int64_t>(v) : std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

inline void json(httplib::Response& res, const std::string& body) {
    res.set_content(body, "application/json; charset=utf-8");
}

// The text of a client token: URL-safe Base64 whose "-" the client writes as
// "%2b", so it arrives here as "+". Empty when it does not decode.
inline std::string tokenText(std::string token) {
    for (auto& c : token)
        if (c == '+' || c == ' ')
            c = '-';
    const auto raw = Base64Codec::webSafeDecodeString(token);
    return raw ? std::string(raw->begin(), raw->end()) : std::string();
}

} // namespace pw::standin

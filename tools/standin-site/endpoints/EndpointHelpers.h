#pragma once
// Small pieces every group of endpoints reads requests and writes answers with.
#include "foundation/codec/Base64Codec.h"

#include <httplib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
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

inline std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A picture from the stand-in's folder of drawn covers, or 404 where it has none.
inline void servePicture(httplib::Response& res, const std::optional<std::filesystem::path>& path) {
    auto bytes = path ? readFile(*path) : std::nullopt;
    if (!bytes) {
        res.status = 404;
        return;
    }
    res.set_content(*bytes, "image/jpeg");
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

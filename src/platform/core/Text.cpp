#include "platform/core/Text.h"

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

namespace pw::core::text {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(std::string_view charset, bool strict) {
    std::string name(charset);
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status) || !conv)
        return nullptr;
    if (strict) {
        status = U_ZERO_ERROR;
        ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        if (U_FAILURE(status))
            return nullptr;
    }
    return conv;
}

std::optional<std::u16string> toUnicode(std::string_view bytes, std::string_view charset, bool strict) {
    Converter conv = openConverter(charset, strict);
    if (!conv)
        return std::nullopt;
    std::u16string out;
    // Worst case is two UTF-16 units per input byte (a substitute for every
    // byte plus a surrogate pair); convert in one pass with that room.
    out.resize(bytes.size() * 2 + 16);
    UChar* target = reinterpret_cast<UChar*>(out.data());
    UChar* targetLimit = target + out.size();
    const char* source = bytes.data();
    const char* sourceLimit = bytes.data() + bytes.size();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(conv.get(), &target, targetLimit, &source, sourceLimit, nullptr, true, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.resize(static_cast<std::size_t>(target - reinterpret_cast<UChar*>(out.data())));
    return out;
}

std::optional<std::string> fromUnicode(std::u16string_view text, std::string_view charset, bool strict) {
    Converter conv = openConverter(charset, strict);
    if (!conv)
        return std::nullopt;
    std::string out;
    std::size_t room = text.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(conv.get())) + 16;
    out.resize(room);
    char* target = out.data();
    char* targetLimit = out.data() + out.size();
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    const UChar* sourceLimit = source + text.size();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(conv.get(), &target, targetLimit, &source, sourceLimit, nullptr, true, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.resize(static_cast<std::size_t>(target - out.data()));
    return out;
}

} // namespace

std::optional<std::u16string> toUtf16(std::string_view utf8) {
    return toUnicode(utf8, "UTF-8", true);
}

std::u16string toUtf16Lenient(std::string_view utf8) {
    return toUnicode(utf8, "UTF-8", false).value_or(std::u16string());
}

std::optional<std::string> toUtf8(std::u16string_view utf16) {
    return fromUnicode(utf16, "UTF-8", true);
}

std::string toUtf8Lenient(std::u16string_view utf16) {
    return fromUnicode(utf16, "UTF-8", false).value_or(std::string());
}

bool isValidUtf8(std::string_view bytes) {
    return toUtf16(bytes).has_value();
}

bool isCharsetKnown(std::string_view charset) {
    return openConverter(charset, false) != nullptr;
}

std::optional<std::u16string> decode(std::string_view bytes, std::string_view charset) {
    return toUnicode(bytes, charset, true);
}

std::optional<std::u16string> decodeLenient(std::string_view bytes, std::string_view charset) {
    return toUnicode(bytes, charset, false);
}

std::optional<std::string> encode(std::u16string_view text, std::string_view charset) {
    return fromUnicode(text, charset, true);
}

std::optional<std::string> decodeToUtf8(std::string_view bytes, std::string_view charset) {
    auto u = decode(bytes, charset);
    if (!u)
        return std::nullopt;
    return toUtf8(*u);
}

std::optional<std::string> encodeFromUtf8(std::string_view utf8, std::string_view charset) {
    auto u = toUtf16(utf8);
    if (!u)
        return std::nullopt;
    return encode(*u, charset);
}

} // namespace pw::core::text

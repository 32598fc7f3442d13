#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw::core::text {

// Strict conversions answer std::nullopt for invalid input (malformed
// UTF-8, unpaired surrogates, bytes that are not valid in the charset, or an
// unknown charset name); they never answer an empty string for a failure.
// Lenient variants put U+FFFD (or the charset's substitute) in place of
// what cannot be converted.

std::optional<std::u16string> toUtf16(std::string_view utf8);
std::u16string toUtf16Lenient(std::string_view utf8);
std::optional<std::string> toUtf8(std::u16string_view utf16);
std::string toUtf8Lenient(std::u16string_view utf16);
bool isValidUtf8(std::string_view bytes);

// Any charset name ICU knows: "UTF-8", "GB18030", "GBK", "UTF-16LE",
// "ISO-8859-1", IANA names and aliases.
bool isCharsetKnown(std::string_view charset);
std::optional<std::u16string> decode(std::string_view bytes, std::string_view charset);
std::optional<std::u16string> decodeLenient(std::string_view bytes,
                                            std::string_view charset); // nullopt only for an unknown charset
std::optional<std::string> encode(std::u16string_view text, std::string_view charset);

// Shortcuts between a charset and UTF-8.
std::optional<std::string> decodeToUtf8(std::string_view bytes, std::string_view charset);
std::optional<std::string> encodeFromUtf8(std::string_view utf8, std::string_view charset);

} // namespace pw::core::text

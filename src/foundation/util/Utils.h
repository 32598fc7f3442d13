#pragma once

// Small helpers used across the reader: little-endian reads for the UMD
// parser, book and cover paths by book type or format, the simplified and
// traditional character conversion, and query-value escaping.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pw::ui {
class View;
}

namespace pw {

// Book formats as stored with a book.
enum BookFormat : int {
    BookFormatRZ = 1,
    BookFormatUMD = 2,
    BookFormatTXT = 3,
};

// Signed 16-bit and 32-bit little-endian values at `offset`, at any
// alignment. Reading past the buffer is a caller's fault and throws
// std::out_of_range.
int ToInt16(std::span<const std::uint8_t> bytes, std::size_t offset);
int ToInt32(std::span<const std::uint8_t> bytes, std::size_t offset);

// The last path component, and the same without its extension.
std::string getFileName(std::string_view path);
std::string getFileNameWithoutExtension(std::string_view path);

// Full path of a book file by type text ("RZ", "UMD", "TXT", any case) or
// by format (1, 2, 3): the book folder below the home joined with the file
// name of `nameOrPath`. Other types and formats give std::nullopt.
std::optional<std::string> getFilePathByType(std::string_view nameOrPath, std::string_view type);
std::optional<std::string> getFilePathByBookFormat(std::string_view nameOrPath, int format);
// Full path of a book's cover picture ("RZ" and "UMD" only): the cover
// folder joined with the file name without extension and ".jpg".
std::optional<std::string> getImagePathByType(std::string_view nameOrPath, std::string_view type);

// Builds the two character tables from the bundle's "GBKEncode.txt". Runs
// once per process however many threads ask; later calls do nothing.
void initialSimplifiedAndTraditionalDict();
// One UTF-16 unit at a time through the tables; units without an entry
// pass unchanged, so the result has the length of the text.
std::u16string simplifiedToTraditional(std::u16string_view text);
std::u16string traditionalToSimplified(std::u16string_view text);
// The same for UTF-8 text.
std::string simplifiedToTraditional(std::string_view utf8);
std::string traditionalToSimplified(std::string_view utf8);

// Gives a table view a new background view tiled with the bundle picture
// "iPhone_table_bg.png" in place of its old one; views that take no
// background view are left alone.
void setPadUIViewTableBackgroundImage(ui::View& view);

// Percent-escapes a UTF-8 query value: ASCII letters, digits, "-", "_" and
// "." stay, a space becomes "%20", every other byte "%XX" (upper case).
std::string encodingStringParameter(std::string_view text);

} // namespace pw

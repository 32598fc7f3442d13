#include "foundation/util/Utils.h"
#include "foundation/paths/AppPaths.h"

#include "platform/net/Url.h"

#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Image.h"
#include "platform/ui/TableView.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace pw {

namespace {

constexpr const char* kTableBackgroundPicture = "iPhone_table_bg.png";

constexpr const char* kCharacterTable = "GBKEncode.txt";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string joinFolder(const std::filesystem::path& folder, const std::string& name) {
    return folder.string() + "/" + name;
}

void checkRange(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
    if (offset > bytes.size() || bytes.size() - offset < width)
        throw std::out_of_range("little-endian read beyond the buffer");
}

// The path without trailing separators (a lone "/" stays).
std::string_view trimmed(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

// Both tables map every UTF-16 unit; a unit without a partner maps to itself.
struct CharacterTables {
    std::vector<char16_t> simplified;  // simplified -> traditional
    std::vector<char16_t> traditional; // traditional -> simplified
};

CharacterTables& tables() {
    static CharacterTables t;
    return t;
}

std::once_flag& tablesOnce() {
    static std::once_flag once;
    return once;
}

void buildTables() {
    CharacterTables& t = tables();
    t.simplified.resize(0x10000);
    t.traditional.resize(0x10000);
    for (std::size_t i = 0; i < 0x10000; ++i)
        t.simplified[i] = t.traditional[i] = static_cast<char16_t>(i);

    std::ifstream in(core::Paths::resource(kCharacterTable), std::ios::binary);
    if (!in)
        return;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::optional<std::u16string> text = core::text::toUtf16(bytes);
    if (!text)
        return;
    std::u16string_view all(*text);
    std::size_t bar = all.find(u'|');
    if (bar == std::u16string_view::npos)
        return;
    std::u16string_view first = all.substr(0, bar);
    std::u16string_view second = all.substr(bar + 1);
    std::size_t bar2 = second.find(u'|');
    if (bar2 != std::u16string_view::npos)
        second = second.substr(0, bar2);
    // A second half shorter than the first would read past its end: only
    // the positions both halves have make pairs.
    std::size_t n = std::min(first.size(), second.size());
    for (std::size_t i = 0; i < n; ++i) {
        t.simplified[first[i]] = second[i];
        t.traditional[second[i]] = first[i];
    }
}

std::u16string convert(std::u16string_view text, bool toTraditional) {
    initialSimplifiedAndTraditionalDict();
    const std::vector<char16_t>& map = toTraditional ? tables().simplified : tables().traditional;
    std::u16string out(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = map[text[i]];
    return out;
}

std::string convertUtf8(std::string_view text, bool toTraditional) {
    // Text that is not UTF-8 is handed back as it is rather than with its
    // bad bytes replaced: converting characters must not lose any.
    std::optional<std::u16string> units = core::text::toUtf16(text);
    if (!units)
        return std::string(text);
    return core::text::toUtf8Lenient(convert(*units, toTraditional));
}

} // namespace

int ToInt16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    checkRange(bytes, offset, 2);
    auto v = static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
    return static_cast<std::int16_t>(v);
}

int ToInt32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    checkRange(bytes, offset, 4);
    std::uint32_t v = static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
                      static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
                      static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

std::string getFileName(std::string_view path) {
    path = trimmed(path);
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1)
        return std::string(path);
    return std::string(path.substr(slash + 1));
}

std::string getFileNameWithoutExtension(std::string_view path) {
    std::string name = getFileName(path);
    std::size_t dot = name.rfind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

std::optional<std::string> getFilePathByType(std::string_view nameOrPath, std::string_view type) {
    if (equalsIgnoringCase(type, "RZ"))
        return joinFolder(AppPaths::bookFolder(), getFileName(nameOrPath));
    if (equalsIgnoringCase(type, "UMD") || equalsIgnoringCase(type, "TXT"))
        return joinFolder(AppPaths::importFolder(), getFileName(nameOrPath));
    return std::nullopt;
}

std::optional<std::string> getFilePathByBookFormat(std::string_view nameOrPath, int format) {
    switch (format) {
    case BookFormatRZ:
        return joinFolder(AppPaths::bookFolder(), getFileName(nameOrPath));
    case BookFormatUMD:
    case BookFormatTXT:
        return joinFolder(AppPaths::importFolder(), getFileName(nameOrPath));
    default:
        return std::nullopt;
    }
}

std::optional<std::string> getImagePathByType(std::string_view nameOrPath, std::string_view type) {
    if (equalsIgnoringCase(type, "RZ"))
        return joinFolder(AppPaths::coverFolder(), getFileNameWithoutExtension(nameOrPath) + ".jpg");
    if (equalsIgnoringCase(type, "UMD"))
        return joinFolder(AppPaths::umdCoverFolder(), getFileNameWithoutExtension(nameOrPath) + ".jpg");
    return std::nullopt;
}

void initialSimplifiedAndTraditionalDict() {
    // The page layout converts on its preload threads too: build once, safely.
    std::call_once(tablesOnce(), buildTables);
}

std::u16string simplifiedToTraditional(std::u16string_view text) {
    return convert(text, true);
}

std::u16string traditionalToSimplified(std::u16string_view text) {
    return convert(text, false);
}

std::string simplifiedToTraditional(std::string_view utf8) {
    return convertUtf8(utf8, true);
}

std::string traditionalToSimplified(std::string_view utf8) {
    return convertUtf8(utf8, false);
}

void setPadUIViewTableBackgroundImage(ui::View& view) {
    auto* table = dynamic_cast<ui::TableView*>(&view);
    if (!table)
        return;
    table->setBackgroundView(nullptr);
    auto background = ui::View::create<ui::View>(table->bounds());
    if (auto tile = gfx::Image::fromFile(core::Paths::resource(kTableBackgroundPicture).string()))
        background->setBackgroundColor(gfx::Color::patternImage(*tile));
    table->setBackgroundView(background);
}

std::string encodingStringParameter(std::string_view text) {
    return net::Url::percentEscape(text, "-_.");
}

} // namespace pw

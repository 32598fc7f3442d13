#include "platform/core/TextCut.h"

namespace pw::core::text {

size_t cutPosition(std::u16string_view text, size_t maxUnits) {
    if (maxUnits >= text.size())
        return text.size();
    // A high surrogate just before the cut belongs with the low one after it.
    if (maxUnits > 0 && text[maxUnits - 1] >= 0xD800 && text[maxUnits - 1] <= 0xDBFF && text[maxUnits] >= 0xDC00 &&
        text[maxUnits] <= 0xDFFF)
        return maxUnits - 1;
    return maxUnits;
}

std::u16string cutToLength(std::u16string_view text, size_t maxUnits) {
    return std::u16string(text.substr(0, cutPosition(text, maxUnits)));
}

std::string utf8Prefix(std::string_view utf8, size_t chars) {
    size_t i = 0;
    for (size_t n = 0; n < chars && i < utf8.size(); ++n) {
        ++i;
        while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
            ++i;
    }
    return std::string(utf8.substr(0, i));
}

} // namespace pw::core::text

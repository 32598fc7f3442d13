#pragma once

#include <cstddef>
#include <cstdint>

namespace pw::jc {

// One UTF-8 sequence checked the way the JSON reader and writer agree on.
// Well-formed excludes overlong forms, surrogates and the non-characters
// U+FDD0..U+FDEF and U+xxFFFE/U+xxFFFF, which the site never sends on purpose.
struct Utf8Sequence {
    enum class Kind { WellFormed, Malformed, CutOff };
    Kind kind{Kind::Malformed};
    std::size_t length{1}; // bytes the sequence covers
    std::uint32_t codePoint{0};
};

inline bool isNonCharacterOrSurrogate(std::uint32_t cp) {
    return (cp >= 0xD800 && cp <= 0xDFFF) || (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE;
}

// `p` points at a lead byte of 80 or above; `end` is one past the input.
inline Utf8Sequence ConvertSingleCodePointInUTF8(const std::uint8_t* p, const std::uint8_t* end) {
    const std::uint8_t lead = *p;
    std::size_t follow = 0;
    if (lead == 0xFF)
        follow = 32;
    else if (lead >= 0xC0) {
        std::uint8_t b = lead;
        std::size_t ones = 0;
        while (b & 0x80) {
            ++ones;
            b = static_cast<std::uint8_t>(b << 1);
        }
        follow = ones - 1;
    }
    const std::size_t avail = static_cast<std::size_t>(end - p) - 1;

    // How far the malformed sequence reaches: the lead and the continuation
    // bytes after it, at most `follow` of them.
    auto covered = [&]() {
        std::size_t n = 1;
        while (n - 1 < follow && n < static_cast<std::size_t>(end - p) && (p[n] & 0xC0) == 0x80)
            ++n;
        return n;
    };

    Utf8Sequence r;
    if (follow >= 1 && follow <= 3 && follow <= avail && lead >= 0xC2 && lead <= 0xF4) {
        bool ok = true;
        for (std::size_t i = 1; i <= follow; ++i)
            if ((p[i] & 0xC0) != 0x80)
                ok = false;
        if (ok) {
            const std::uint8_t b1 = p[1];
            if ((lead == 0xE0 && b1 < 0xA0) || (lead == 0xED && b1 > 0x9F) || (lead == 0xF0 && b1 < 0x90) ||
                (lead == 0xF4 && b1 > 0x8F))
                ok = false;
        }
        if (ok) {
            std::uint32_t cp;
            if (follow == 1)
                cp = (lead & 0x1Fu) << 6 | (p[1] & 0x3Fu);
            else if (follow == 2)
                cp = (lead & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            else
                cp = (lead & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            if (!isNonCharacterOrSurrogate(cp)) {
                r.kind = Utf8Sequence::Kind::WellFormed;
                r.length = follow + 1;
                r.codePoint = cp;
                return r;
            }
        }
    }
    r.length = covered();
    // Cut off: the announced length runs past the input and all that is
    // there looks like the start of a proper sequence.
    if (follow > avail && r.length == static_cast<std::size_t>(end - p) && follow >= 1)
        r.kind = Utf8Sequence::Kind::CutOff;
    else
        r.kind = Utf8Sequence::Kind::Malformed;
    return r;
}

inline void appendUtf8(std::uint32_t cp, char* out, std::size_t& n) {
    if (cp < 0x80) {
        out[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        out[n++] = static_cast<char>(0xC0 | (cp >> 6));
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out[n++] = static_cast<char>(0xE0 | (cp >> 12));
        out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out[n++] = static_cast<char>(0xF0 | (cp >> 18));
        out[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace pw::jc

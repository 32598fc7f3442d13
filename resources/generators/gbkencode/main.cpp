// Writes the simplified/traditional character table of the bundle from the
// transliteration rules that ship with ICU: every BMP Han character whose
// simplified-to-traditional form is one other UTF-16 unit makes a pair.
// Format: the simplified characters, "|", the traditional characters at the
// same positions, and a closing "|" after which readers ignore the rest.

#include <unicode/translit.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " <output file>\n";
        return 2;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> toTraditional(
        icu::Transliterator::createInstance("Hans-Hant", UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !toTraditional) {
        std::cerr << "no Hans-Hant transliteration: " << u_errorName(status) << "\n";
        return 1;
    }
    icu::UnicodeSet han(u"[:Han:]", status);
    if (U_FAILURE(status)) {
        std::cerr << "no Han set: " << u_errorName(status) << "\n";
        return 1;
    }

    icu::UnicodeString simplified;
    icu::UnicodeString traditional;
    for (int32_t r = 0; r < han.getRangeCount(); ++r) {
        for (UChar32 c = han.getRangeStart(r); c <= han.getRangeEnd(r) && c <= 0xFFFF; ++c) {
            icu::UnicodeString s(c);
            toTraditional->transliterate(s);
            if (s.length() == 1 && s.charAt(0) != static_cast<char16_t>(c)) {
                simplified.append(static_cast<char16_t>(c));
                traditional.append(s.charAt(0));
            }
        }
    }
    if (simplified.isEmpty()) {
        std::cerr << "the transliteration gave no pairs\n";
        return 1;
    }

    std::string out;
    simplified.toUTF8String(out);
    out += '|';
    traditional.toUTF8String(out);
    out += "|\n";

    const std::string path = argv[1];
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f.write(out.data(), static_cast<std::streamsize>(out.size()));
        if (!f) {
            std::cerr << "cannot write " << tmp << "\n";
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::cerr << "cannot rename " << tmp << "\n";
        return 1;
    }
    return 0;
}

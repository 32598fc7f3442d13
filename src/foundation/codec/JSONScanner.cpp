#include "foundation/codec/JSONScanner.h"

#include "foundation/codec/JCUtf8.h"
#include "foundation/codec/JSONDecoder.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <vector>

namespace pw::jc {

namespace {

// Bytes a string scan can pass over without a second look: printable ASCII
// other than the quote and the backslash.
constexpr std::array<bool, 256> makePlainTable() {
    std::array<bool, 256> t{};
    for (int c = 0x20; c < 0x80; ++c)
        t[c] = c != '"' && c != '\\';
    return t;
}
constexpr auto kPlain = makePlainTable();

// The punctuation that is a whole token by itself.
constexpr std::array<Tok, 256> makeSingleByteTokens() {
    std::array<Tok, 256> t{};
    t['{'] = Tok::ObjectBegin;
    t['}'] = Tok::ObjectEnd;
    t['['] = Tok::ArrayBegin;
    t[']'] = Tok::ArrayEnd;
    t[':'] = Tok::Separator;
    t[','] = Tok::Comma;
    return t;
}
constexpr auto kSingleByteTokens = makeSingleByteTokens();

constexpr const char* kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";
constexpr const char* kIllegalEscape = "Illegal \\u Unicode escape sequence.";
constexpr const char* kSecondEscape = "Required a second \\u Unicode escape sequence following a surrogate \\u "
                                      "Unicode escape sequence.";

// Number text is converted in the "C" locale whatever the process has set.
locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

bool beginsValue(Tok t) {
    switch (t) {
    case Tok::Number:
    case Tok::String:
    case Tok::ObjectBegin:
    case Tok::ArrayBegin:
    case Tok::True:
    case Tok::False:
    case Tok::Null:
        return true;
    default:
        return false;
    }
}

std::string format(const char* fmt, ...) {
    char small[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, ap);
    va_end(ap);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

void JSONScanner::error(std::size_t at, std::string message) {
    if (m_hasError)
        return;
    m_hasError = true;
    m_error.message = std::move(message);
    m_error.index = at;
    m_error.line = m_line;
}

void JSONScanner::expectedToken(unsigned accepted, bool dictionary) {
    if (m_hasError)
        return;
    std::vector<const char*> words;
    if (accepted & AcceptValue)
        words.push_back(dictionary ? "a \"STRING\"" : "a value");
    if (accepted & AcceptComma)
        words.push_back("a comma");
    if (accepted & AcceptEnd)
        words.push_back(dictionary ? "a '}'" : "a ']'");
    int len = static_cast<int>(m_tok.length);
    const char* text = reinterpret_cast<const char*>(m_p + m_tok.start);
    std::string msg;
    if (words.size() == 1)
        msg = format("Expected %s, not '%*.*s'", words[0], len, len, text);
    else if (words.size() == 2)
        msg = format("Expected %s or %s, not '%*.*s'", words[0], words[1], len, len, text);
    else
        msg = format("Expected %s, %s, or %s, not '%*.*s", words[0], words[1], words[2], len, len, text);
    error(m_pos, std::move(msg));
}

std::size_t JSONScanner::lineBreakAt(std::size_t pos) const {
    std::uint8_t c = m_p[pos];
    if (c == '\n')
        return 1;
    if (c == '\r')
        return (pos + 1 < m_n && m_p[pos + 1] == '\n') ? 2 : 1;
    if (m_flags & ParseUnicodeLineBreaks) {
        if (c == 0xE2 && pos + 2 < m_n && m_p[pos + 1] == 0x80 && (m_p[pos + 2] == 0xA8 || m_p[pos + 2] == 0xA9))
            return 3;
        if (c == 0xC2 && pos + 1 < m_n && m_p[pos + 1] == 0x85)
            return 2;
    }
    return 0;
}

void JSONScanner::skipWhitespace() {
    while (m_pos < m_n) {
        std::uint8_t c = m_p[m_pos];
        if (c == ' ' || c == '\t') {
            ++m_pos;
            continue;
        }
        if (std::size_t br = lineBreakAt(m_pos)) {
            m_pos += br;
            ++m_line;
            continue;
        }
        if (c == '/' && (m_flags & ParseAllowComments) && m_pos + 1 < m_n) {
            std::uint8_t next = m_p[m_pos + 1];
            if (next == '*') {
                m_pos += 2;
                bool closed = false;
                while (m_pos < m_n) {
                    if (m_p[m_pos] == '*' && m_pos + 1 < m_n && m_p[m_pos + 1] == '/') {
                        m_pos += 2;
                        closed = true;
                        break;
                    }
                    if (std::size_t br = lineBreakAt(m_pos)) {
                        m_pos += br;
                        ++m_line;
                    } else {
                        ++m_pos;
                    }
                }
                if (!closed)
                    m_pos = m_n;
                continue;
            }
            if (next == '/') {
                m_pos += 2;
                while (m_pos < m_n) {
                    if (std::size_t br = lineBreakAt(m_pos)) {
                        m_pos += br;
                        ++m_line;
                        break;
                    }
                    ++m_pos;
                }
                continue;
            }
        }
        break;
    }
}

bool JSONScanner::nextToken() {
    skipWhitespace();
    m_tok.type = Tok::None;
    if (m_pos >= m_n) {
        error(m_pos, kUnexpectedToken);
        return false;
    }
    const std::size_t start = m_pos;
    m_tok.start = start;
    m_tok.length = 1;
    auto literal = [&](std::string_view word, Tok t) {
        // The literal must be followed by at least one more byte: a literal
        // that ends the input cannot end a container either.
        if (m_n - start > word.size() && std::memcmp(m_p + start, word.data(), word.size()) == 0) {
            m_tok.type = t;
            m_tok.length = word.size();
            m_pos += word.size();
            return true;
        }
        error(start, kUnexpectedToken);
        return false;
    };
    if (const Tok single = kSingleByteTokens[m_p[start]]; single != Tok::None) {
        m_tok.type = single;
        ++m_pos;
        return true;
    }
    switch (m_p[start]) {
    case '"':
        if (scanString())
            return true;
        error(start, kUnexpectedToken);
        return false;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        if (scanNumber())
            return true;
        error(start, kUnexpectedToken);
        return false;
    case 't':
        return literal("true", Tok::True);
    case 'f':
        return literal("false", Tok::False);
    case 'n':
        return literal("null", Tok::Null);
    default:
        error(start, kUnexpectedToken);
        return false;
    }
}

bool JSONScanner::scanString() {
    const std::size_t quote = m_pos;
    std::size_t i = quote + 1;
    const std::uint8_t* end = m_p + m_n;
    while (i < m_n) {
        std::uint8_t c = m_p[i];
        if (kPlain[c]) {
            ++i;
            continue;
        }
        if (c == '"') {
            m_tok.type = Tok::String;
            m_tok.str = std::string_view(reinterpret_cast<const char*>(m_p + quote + 1), i - quote - 1);
            m_tok.length = i + 1 - quote;
            m_pos = i + 1;
            return true;
        }
        if (c < 0x20) {
            error(quote, format("Invalid character < 0x20 found in string: 0x%2.2x.", c));
            return false;
        }
        if (c >= 0x80) {
            jc::Utf8Sequence seq = jc::ConvertSingleCodePointInUTF8(m_p + i, end);
            if (seq.kind == jc::Utf8Sequence::Kind::WellFormed) {
                i += seq.length;
                continue;
            }
        }
        // A backslash or a sequence that is not well-formed: decode.
        return decodeString(quote, i);
    }
    error(quote, "Invalid string.");
    return false;
}

bool JSONScanner::readHex4(std::size_t at, std::size_t quote, std::uint32_t& value, bool& endOfInput) {
    value = 0;
    endOfInput = false;
    for (std::size_t k = 0; k < 4; ++k) {
        if (at + k >= m_n) {
            endOfInput = true;
            return false;
        }
        std::uint8_t c = m_p[at + k];
        std::uint32_t d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else {
            error(quote, format("Unexpected character found in \\u Unicode escape sequence.  Found '%c', expected "
                                "[0-9a-fA-F].",
                                static_cast<char>(c)));
            return false;
        }
        value = value << 4 | d;
    }
    return true;
}

bool JSONScanner::decodeString(std::size_t quote, std::size_t from) {
    m_buf.assign(reinterpret_cast<const char*>(m_p + quote + 1), from - quote - 1);
    std::size_t i = from;
    while (i < m_n) {
        std::uint8_t c = m_p[i];
        if (c == '"') {
            m_tok.type = Tok::String;
            m_tok.str = m_buf;
            m_tok.length = i + 1 - quote;
            m_pos = i + 1;
            return true;
        }
        Step step = Step::Next;
        if (c == '\\') {
            step = decodeEscape(quote, i);
        } else if (c < 0x20) {
            error(quote, format("Invalid character < 0x20 found in string: 0x%2.2x.", c));
            return false;
        } else if (c >= 0x80) {
            step = decodeMultiByte(quote, i);
        } else {
            // Runs of plain bytes are appended at once.
            std::size_t j = i + 1;
            while (j < m_n && kPlain[m_p[j]])
                ++j;
            m_buf.append(reinterpret_cast<const char*>(m_p + i), j - i);
            i = j;
        }
        if (step == Step::Failed)
            return false;
        if (step == Step::CutOff)
            break;
    }
    error(quote, "Invalid string.");
    return false;
}

void JSONScanner::appendCodePoint(std::uint32_t cp) {
    char tmp[4];
    std::size_t n = 0;
    jc::appendUtf8(cp, tmp, n);
    m_buf.append(tmp, n);
}

JSONScanner::Step JSONScanner::refuseEscape(std::size_t quote, const char* message) {
    if (!(m_flags & ParseLenientUnicode)) {
        error(quote, message);
        return Step::Failed;
    }
    m_buf.append("\xEF\xBF\xBD", 3);
    return Step::Next;
}

JSONScanner::Step JSONScanner::decodeEscape(std::size_t quote, std::size_t& i) {
    if (i + 1 >= m_n)
        return Step::CutOff;
    char simple = 0;
    switch (m_p[i + 1]) {
    case '"':
        simple = '"';
        break;
    case '/':
        simple = '/';
        break;
    case '\\':
        simple = '\\';
        break;
    case 'b':
        simple = '\b';
        break;
    case 'f':
        simple = '\f';
        break;
    case 'n':
        simple = '\n';
        break;
    case 'r':
        simple = '\r';
        break;
    case 't':
        simple = '\t';
        break;
    case 'u':
        return decodeUnicodeEscape(quote, i);
    default:
        error(quote, "Invalid escape sequence found in \"\" string.");
        return Step::Failed;
    }
    m_buf.push_back(simple);
    i += 2;
    return Step::Next;
}

// i stands on the backslash of a \u escape. A refused escape in lenient
// mode becomes U+FFFD and scanning goes on after what was consumed.
JSONScanner::Step JSONScanner::decodeUnicodeEscape(std::size_t quote, std::size_t& i) {
    std::uint32_t v = 0;
    bool eoi = false;
    if (!readHex4(i + 2, quote, v, eoi))
        return eoi ? Step::CutOff : Step::Failed;
    i += 6;
    std::uint32_t cp = v;
    if (v >= 0xD800 && v <= 0xDBFF) {
        if (i >= m_n)
            return Step::CutOff;
        if (m_p[i] != '\\')
            return refuseEscape(quote, kSecondEscape); // the byte is read again as ordinary text
        if (i + 1 >= m_n)
            return Step::CutOff;
        if (m_p[i + 1] != 'u')
            return refuseEscape(quote, kSecondEscape); // the backslash starts an ordinary escape
        std::uint32_t w = 0;
        if (!readHex4(i + 2, quote, w, eoi))
            return eoi ? Step::CutOff : Step::Failed;
        i += 6;
        if (w < 0xDC00 || w > 0xDFFF)
            return refuseEscape(quote, kIllegalEscape);
        cp = 0x10000 + ((v - 0xD800) << 10) + (w - 0xDC00);
    } else if (v >= 0xDC00 && v <= 0xDFFF) {
        return refuseEscape(quote, kIllegalEscape);
    }
    if (cp == 0 || jc::isNonCharacterOrSurrogate(cp))
        return refuseEscape(quote, kIllegalEscape);
    appendCodePoint(cp);
    return Step::Next;
}

JSONScanner::Step JSONScanner::decodeMultiByte(std::size_t quote, std::size_t& i) {
    jc::Utf8Sequence seq = jc::ConvertSingleCodePointInUTF8(m_p + i, m_p + m_n);
    if (seq.kind == jc::Utf8Sequence::Kind::WellFormed) {
        m_buf.append(reinterpret_cast<const char*>(m_p + i), seq.length);
    } else if (seq.kind == jc::Utf8Sequence::Kind::CutOff) {
        error(quote, "End of buffer reached while parsing UTF8 in \"\" string.");
        return Step::Failed;
    } else if (m_flags & ParseLenientUnicode) {
        m_buf.append("\xEF\xBF\xBD", 3);
    } else {
        error(quote, "Illegal UTF8 sequence found in \"\" string.");
        return Step::Failed;
    }
    i += seq.length;
    return Step::Next;
}

bool JSONScanner::scanNumber() {
    const std::size_t start = m_pos;
    std::size_t i = start;
    bool isDouble = false;
    auto digit = [&](std::size_t at) { return at < m_n && m_p[at] >= '0' && m_p[at] <= '9'; };
    auto invalid = [&]() {
        m_pos = i;
        error(m_pos, "Invalid number.");
        return false;
    };

    if (m_p[i] == '-')
        ++i;
    if (i >= m_n)
        return invalid();
    if (m_p[i] == '0') {
        ++i;
    } else if (digit(i)) {
        while (digit(i))
            ++i;
    } else {
        return invalid();
    }
    if (i >= m_n)
        return invalid();
    // A fraction or an exponent needs one digit at least, and a number never
    // ends the input.
    auto digitRun = [&]() {
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
        return i < m_n;
    };
    if (m_p[i] == '.') {
        isDouble = true;
        ++i;
        if (!digitRun())
            return invalid();
    }
    if (m_p[i] == 'e' || m_p[i] == 'E') {
        isDouble = true;
        ++i;
        if (i < m_n && (m_p[i] == '+' || m_p[i] == '-'))
            ++i;
        if (!digitRun())
            return invalid();
    }
    m_pos = i;
    m_tok.type = Tok::Number;
    m_tok.start = start;
    m_tok.length = i - start;
    if (!convertNumber(start, i, isDouble)) {
        error(m_pos, "Invalid number.");
        return false;
    }
    return true;
}

bool JSONScanner::convertNumber(std::size_t start, std::size_t end, bool isDouble) {
    const char* b = reinterpret_cast<const char*>(m_p + start);
    const char* e = reinterpret_cast<const char*>(m_p + end);
    const std::size_t len = end - start;
    std::string_view text(b, len);
    if (text == "-0")
        isDouble = true; // keeps the sign of zero

    const char* stop = nullptr;
    if (isDouble) {
        m_tok.numKind = NumKind::Double;
        auto r = std::from_chars(b, e, m_tok.d);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            std::string copy(text);
            char* endp = nullptr;
            errno = 0;
            double v = strtod_l(copy.c_str(), &endp, cLocale());
            // A subnormal result is a real value, not an error.
            if (v != 0 && std::isfinite(v)) {
                m_tok.d = v;
            } else {
                error(m_pos, format("The value '%s' could not be represented as a 'double' due to %s.", copy.c_str(),
                                    v == 0 ? "underflow" : "overflow"));
                return false;
            }
            stop = e;
        } else if (r.ec != std::errc()) {
            return false;
        }
    } else if (b[0] == '-') {
        m_tok.numKind = NumKind::Signed;
        auto r = std::from_chars(b, e, m_tok.i);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            error(m_pos, format("The value '%.*s' exceeded the minimum value that could be represented: %lld.",
                                static_cast<int>(len), b, std::numeric_limits<long long>::min()));
            return false;
        }
        if (r.ec != std::errc())
            return false;
    } else {
        m_tok.numKind = NumKind::Unsigned;
        auto r = std::from_chars(b, e, m_tok.u);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            error(m_pos, format("The value '%.*s' exceeded the maximum value that could be represented: %llu.",
                                static_cast<int>(len), b, std::numeric_limits<unsigned long long>::max()));
            return false;
        }
        if (r.ec != std::errc())
            return false;
    }
    if (stop != e) {
        error(m_pos, "The conversion function did not consume all of the number tokens characters.");
        return false;
    }
    return true;
}

} // namespace pw::jc

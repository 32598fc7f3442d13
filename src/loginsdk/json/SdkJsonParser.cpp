#include "loginsdk/json/SdkJsonParser.h"

#include "platform/core/Bytes.h"

#include <cstdio>

namespace pw {
namespace {

const char* tokenName(SdkJsonToken t) {
    switch (t) {
    case SdkJsonToken::ArrayStart:
        return "start of array";
    case SdkJsonToken::ArrayEnd:
        return "end of array";
    case SdkJsonToken::ObjectStart:
        return "start of object";
    case SdkJsonToken::ObjectEnd:
        return "end of object";
    case SdkJsonToken::ValueSeparator:
        return "value separator";
    case SdkJsonToken::KeySeparator:
        return "key-value separator";
    case SdkJsonToken::Number:
        return "number";
    case SdkJsonToken::String:
        return "string";
    case SdkJsonToken::True:
    case SdkJsonToken::False:
        return "boolean";
    case SdkJsonToken::Null:
        return "null";
    default:
        return "";
    }
}

using State = SdkJsonStreamParser::State;

const char* stateName(State s) {
    switch (s) {
    case State::Start:
        return "before outer-most array or object";
    case State::Complete:
        return "after outer-most array or object";
    case State::Error:
        return "in error";
    case State::ObjectStart:
        return "at beginning of object";
    case State::ObjectGotKey:
        return "after object key";
    case State::ObjectSeparator:
        return "as object value";
    case State::ObjectGotValue:
        return "after object value";
    case State::ObjectNeedKey:
        return "in place of object key";
    case State::ArrayStart:
        return "at array start";
    case State::ArrayGotValue:
        return "after array value";
    case State::ArrayNeedValue:
        return "as array value";
    }
    return "<start>";
}

bool isValue(SdkJsonToken t) {
    switch (t) {
    case SdkJsonToken::ArrayStart:
    case SdkJsonToken::ObjectStart:
    case SdkJsonToken::Number:
    case SdkJsonToken::String:
    case SdkJsonToken::True:
    case SdkJsonToken::False:
    case SdkJsonToken::Null:
        return true;
    default:
        return false;
    }
}

bool accepts(State s, SdkJsonToken t) {
    switch (s) {
    case State::Start:
        return t == SdkJsonToken::ArrayStart || t == SdkJsonToken::ObjectStart;
    case State::ObjectStart:
        return t == SdkJsonToken::ObjectEnd || t == SdkJsonToken::String;
    case State::ObjectGotKey:
        return t == SdkJsonToken::KeySeparator;
    case State::ObjectSeparator:
        return isValue(t);
    case State::ObjectGotValue:
        return t == SdkJsonToken::ObjectEnd || t == SdkJsonToken::ValueSeparator;
    case State::ObjectNeedKey:
        return t == SdkJsonToken::String;
    case State::ArrayStart:
        return isValue(t) || t == SdkJsonToken::ArrayEnd;
    case State::ArrayGotValue:
        return t == SdkJsonToken::ArrayEnd || t == SdkJsonToken::ValueSeparator;
    case State::ArrayNeedValue:
        return isValue(t);
    default:
        return false;
    }
}

bool needsKey(State s) {
    return s == State::ObjectStart || s == State::ObjectNeedKey;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xc2 && c <= 0xdf) {
            n = 1;
            cp = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            n = 2;
            cp = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            n = 3;
            cp = c & 0x07;
        } else
            return false;
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size())
                return false;
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10ffff)) || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        i += n + 1;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void SdkJsonUTF8Stream::appendData(std::string_view bytes) {
    if (m_index > 0) {
        m_bytes.erase(0, m_index);
        m_index = 0;
    }
    m_bytes.append(bytes);
}

SdkJsonToken SdkJsonTokeniser::fail(std::string text) {
    m_error = std::move(text);
    return SdkJsonToken::Error;
}

SdkJsonToken SdkJsonTokeniser::getToken(SdkJsonValue& value) {
    size_t i = m_stream.index();
    while (i < m_stream.size()) {
        unsigned char c = m_stream.at(i);
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            break;
        ++i;
    }
    m_stream.setIndex(i);
    if (i >= m_stream.size())
        return SdkJsonToken::Eof;
    unsigned char c = m_stream.at(i);
    auto single = [&](SdkJsonToken t) {
        m_stream.setIndex(i + 1);
        return t;
    };
    switch (c) {
    case '[':
        return single(SdkJsonToken::ArrayStart);
    case ']':
        return single(SdkJsonToken::ArrayEnd);
    case '{':
        return single(SdkJsonToken::ObjectStart);
    case '}':
        return single(SdkJsonToken::ObjectEnd);
    case ',':
        return single(SdkJsonToken::ValueSeparator);
    case ':':
        return single(SdkJsonToken::KeySeparator);
    case '"':
        return readString(value);
    case 't':
        return readKeyword("true", SdkJsonToken::True);
    case 'f':
        return readKeyword("false", SdkJsonToken::False);
    case 'n':
        return readKeyword("null", SdkJsonToken::Null);
    case '+':
        return fail("Leading + is illegal in number");
    default:
        if (c == '-' || isDigit(c))
            return readNumber(value);
        char buf[64];
        std::snprintf(buf, sizeof buf, "Illegal start of token [%c]", c);
        return fail(buf);
    }
}

SdkJsonToken SdkJsonTokeniser::readKeyword(std::string_view word, SdkJsonToken kind) {
    size_t start = m_stream.index();
    if (m_stream.size() - start < word.size())
        return SdkJsonToken::Eof;
    if (m_stream.slice(start, start + word.size()) != word)
        return fail("Expected '" + std::string(word) + "' after initial '" + std::string(word.substr(0, 1)) + "'");
    m_stream.setIndex(start + word.size());
    return kind;
}

SdkJsonToken SdkJsonTokeniser::readString(SdkJsonValue& value) {
    const size_t tokenStart = m_stream.index();
    auto endOfInput = [&] {
        // Read the whole token again once more bytes arrive.
        m_stream.setIndex(tokenStart);
        return SdkJsonToken::Eof;
    };
    size_t i = tokenStart + 1;
    std::string text;
    for (;;) {
        size_t run = i;
        while (run < m_stream.size()) {
            unsigned char c = m_stream.at(run);
            if (c < 0x20 || c == '"' || c == '\\')
                break;
            ++run;
        }
        if (run >= m_stream.size())
            return endOfInput();
        std::string_view piece = m_stream.slice(i, run);
        if (!validUtf8(piece))
            return fail("Broken Unicode encoding");
        text.append(piece);
        unsigned char stop = m_stream.at(run);
        if (stop == '"') {
            m_stream.setIndex(run + 1);
            value = SdkJsonValue(std::move(text));
            return SdkJsonToken::String;
        }
        if (stop < 0x20) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "Unescaped control character [0x%02X]", stop);
            return fail(buf);
        }
        // A backslash.
        if (run + 1 >= m_stream.size())
            return endOfInput();
        unsigned char e = m_stream.at(run + 1);
        i = run + 2;
        switch (e) {
        case '"':
            text.push_back('"');
            continue;
        case '/':
            text.push_back('/');
            continue;
        case '\\':
            text.push_back('\\');
            continue;
        case 'b':
            text.push_back('\b');
            continue;
        case 'f':
            text.push_back('\f');
            continue;
        case 'n':
            text.push_back('\n');
            continue;
        case 'r':
            text.push_back('\r');
            continue;
        case 't':
            text.push_back('\t');
            continue;
        case 'u':
            break;
        default:
            return fail("Illegal escape character");
        }
        auto quad = [&](size_t at, uint32_t& out) {
            out = 0;
            for (size_t k = 0; k < 4; ++k) {
                int h = core::hexDigitValue(m_stream.at(at + k));
                if (h < 0)
                    return false;
                out = (out << 4) | static_cast<uint32_t>(h);
            }
            return true;
        };
        // "u" and four digits.
        if (m_stream.size() - (run + 1) < 5)
            return endOfInput();
        uint32_t unit;
        if (!quad(run + 2, unit))
            return fail("Invalid hex quad");
        i = run + 6;
        if (unit >= 0xdc00 && unit <= 0xdfff)
            return fail("Invalid high character in surrogate pair");
        if (unit >= 0xd800 && unit <= 0xdbff) {
            if (m_stream.size() - i < 6)
                return endOfInput();
            uint32_t low;
            if (m_stream.at(i) != '\\' || m_stream.at(i + 1) != 'u' || !quad(i + 2, low))
                return fail("Missing low character in surrogate pair");
            if (low < 0xdc00 || low > 0xdfff)
                return fail("Invalid low character in surrogate pair");
            i += 6;
            unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
        }
        appendUtf8(text, unit);
    }
}

SdkJsonToken SdkJsonTokeniser::readNumber(SdkJsonValue& value) {
    const size_t start = m_stream.index();
    size_t i = start;
    auto endOfInput = [&] {
        m_stream.setIndex(start);
        return SdkJsonToken::Eof;
    };
    auto more = [&] { return i < m_stream.size(); };
    bool negative = false;
    if (m_stream.at(i) == '-') {
        negative = true;
        ++i;
    }
    uint64_t mantissa = 0;
    unsigned digits = 0;
    long exponent = 0;
    bool decimal = false;
    if (more() && m_stream.at(i) == '0') {
        ++i;
        ++digits;
        if (!more())
            return endOfInput();
        if (isDigit(m_stream.at(i)))
            return fail("Leading zero is illegal in number");
    }
    while (more() && isDigit(m_stream.at(i))) {
        mantissa = mantissa * 10 + (m_stream.at(i) - '0');
        ++digits;
        ++i;
    }
    if (!more())
        return endOfInput();
    if (negative && digits == 0)
        return fail("No digits after initial minus");
    if (m_stream.at(i) == '.') {
        decimal = true;
        ++i;
        if (!more())
            return endOfInput();
        if (!isDigit(m_stream.at(i)))
            return fail("No digits after decimal point");
        while (more() && isDigit(m_stream.at(i))) {
            mantissa = mantissa * 10 + (m_stream.at(i) - '0');
            ++digits;
            --exponent;
            ++i;
        }
        if (!more())
            return endOfInput();
    }
    if (m_stream.at(i) == 'e' || m_stream.at(i) == 'E') {
        decimal = true;
        ++i;
        if (!more())
            return endOfInput();
        bool expNegative = false;
        if (m_stream.at(i) == '+' || m_stream.at(i) == '-') {
            expNegative = m_stream.at(i) == '-';
            ++i;
            if (!more())
                return endOfInput();
        }
        if (!isDigit(m_stream.at(i)))
            return fail("No digits in exponent");
        long written = 0;
        while (more() && isDigit(m_stream.at(i))) {
            written = std::min(written * 10 + (m_stream.at(i) - '0'), 100000L);
            ++i;
        }
        if (!more())
            return endOfInput();
        exponent += expNegative ? -written : written;
    }
    m_stream.setIndex(i);
    if (digits >= 19) {
        // Too long for the 64-bit mantissa: read the number's own text exactly.
        auto exact = SdkJsonDecimal::fromText(m_stream.slice(start, i));
        value = exact ? SdkJsonValue(*exact) : SdkJsonValue(SdkJsonDecimal{});
    } else if (decimal) {
        value = SdkJsonValue(SdkJsonDecimal::fromParts(negative, std::to_string(mantissa), exponent));
    } else if (negative) {
        value = SdkJsonValue(-static_cast<int64_t>(mantissa));
    } else {
        value = SdkJsonValue(mantissa);
    }
    return SdkJsonToken::Number;
}

void SdkJsonStreamParser::fail(std::string text) {
    m_error = std::move(text);
    m_state = State::Error;
}

void SdkJsonStreamParser::transition(SdkJsonToken token) {
    switch (m_state) {
    case State::Start:
        if (token == SdkJsonToken::ArrayEnd || token == SdkJsonToken::ObjectEnd)
            m_state = supportMultipleDocuments ? State::Start : State::Complete;
        break;
    case State::ObjectStart:
    case State::ObjectNeedKey:
        m_state = State::ObjectGotKey;
        break;
    case State::ObjectGotKey:
        m_state = State::ObjectSeparator;
        break;
    case State::ObjectSeparator:
        m_state = State::ObjectGotValue;
        break;
    case State::ObjectGotValue:
        m_state = State::ObjectNeedKey;
        break;
    case State::ArrayStart:
    case State::ArrayNeedValue:
        m_state = State::ArrayGotValue;
        break;
    case State::ArrayGotValue:
        m_state = State::ArrayNeedValue;
        break;
    default:
        break;
    }
}

SdkJsonStreamParser::Status SdkJsonStreamParser::parse(std::string_view bytes) {
    m_tokeniser.appendData(bytes);
    for (;;) {
        if (m_state == State::Error)
            return Error;
        SdkJsonValue value;
        SdkJsonToken token = m_tokeniser.getToken(value);
        if (token == SdkJsonToken::Error) {
            fail(m_tokeniser.error());
            continue;
        }
        if (token == SdkJsonToken::Eof)
            return m_state == State::Complete ? Complete : WaitingForData;
        if (!accepts(m_state, token)) {
            fail(std::string("Token '") + tokenName(token) + "' not expected " + stateName(m_state));
            return Error;
        }
        switch (token) {
        case SdkJsonToken::ArrayStart:
        case SdkJsonToken::ObjectStart:
            if (m_stack.size() >= maxDepth) {
                fail("Input depth exceeds max depth of " + std::to_string(maxDepth));
                break;
            }
            if (token == SdkJsonToken::ArrayStart)
                m_delegate->parserFoundArrayStart();
            else
                m_delegate->parserFoundObjectStart();
            m_stack.push_back(m_state);
            m_state = token == SdkJsonToken::ArrayStart ? State::ArrayStart : State::ObjectStart;
            break;
        case SdkJsonToken::ArrayEnd:
        case SdkJsonToken::ObjectEnd:
            m_state = m_stack.back();
            m_stack.pop_back();
            transition(token);
            if (token == SdkJsonToken::ArrayEnd)
                m_delegate->parserFoundArrayEnd();
            else
                m_delegate->parserFoundObjectEnd();
            break;
        case SdkJsonToken::String:
            if (needsKey(m_state))
                m_delegate->parserFoundObjectKey(*value.string());
            else
                m_delegate->parserFoundValue(std::move(value));
            transition(token);
            break;
        case SdkJsonToken::Number:
            m_delegate->parserFoundValue(std::move(value));
            transition(token);
            break;
        case SdkJsonToken::True:
        case SdkJsonToken::False:
            m_delegate->parserFoundValue(SdkJsonValue(token == SdkJsonToken::True));
            transition(token);
            break;
        case SdkJsonToken::Null:
            m_delegate->parserFoundValue(SdkJsonValue(SdkJsonValue::Null{}));
            transition(token);
            break;
        default:
            transition(token);
            break;
        }
    }
}

namespace {

// Builds arrays and dictionaries from the parser's events and keeps the
// finished top-level value.
class SdkJsonStreamParserAdapter final : public SdkJsonStreamParserDelegate {
public:
    std::optional<SdkJsonValue> value;

    void parserFoundObjectStart() override { m_stack.emplace_back(SdkJsonValue::Dictionary{}); }
    void parserFoundArrayStart() override { m_stack.emplace_back(SdkJsonValue::Array{}); }
    void parserFoundObjectKey(std::string key) override { m_keys.push_back(std::move(key)); }
    void parserFoundObjectEnd() override { finish(); }
    void parserFoundArrayEnd() override { finish(); }
    void parserFoundValue(SdkJsonValue v) override { add(std::move(v)); }

private:
    void add(SdkJsonValue v) {
        SdkJsonValue& top = m_stack.back();
        if (auto a = top.array()) {
            a->push_back(std::move(v));
        } else {
            top.set(std::move(m_keys.back()), std::move(v));
            m_keys.pop_back();
        }
    }
    void finish() {
        SdkJsonValue done = std::move(m_stack.back());
        m_stack.pop_back();
        if (m_stack.empty())
            value = std::move(done);
        else
            add(std::move(done));
    }

    std::vector<SdkJsonValue> m_stack;
    std::vector<std::string> m_keys;
};

} // namespace

std::optional<SdkJsonValue> SdkJsonParser::objectWithString(const std::optional<std::string>& text) {
    return objectWithData(text);
}

std::optional<SdkJsonValue> SdkJsonParser::objectWithString(const std::optional<std::string>& text,
                                                            SdkJsonError* error) {
    auto value = objectWithString(text);
    if (!value && error)
        *error = SdkJsonError{SdkJsonParserErrorDomain, 0, m_error};
    return value;
}

std::optional<SdkJsonValue> SdkJsonParser::objectWithData(const std::optional<std::string>& bytes) {
    if (!bytes) {
        m_error = "Input was 'nil'";
        return std::nullopt;
    }
    SdkJsonStreamParserAdapter adapter;
    SdkJsonStreamParser parser(&adapter);
    parser.maxDepth = maxDepth;
    switch (parser.parse(*bytes)) {
    case SdkJsonStreamParser::Complete:
        return std::move(adapter.value);
    case SdkJsonStreamParser::WaitingForData:
        m_error = "Unexpected end of input";
        return std::nullopt;
    default:
        m_error = parser.error();
        return std::nullopt;
    }
}

} // namespace pw

#include "foundation/codec/JSONDecoder.h"

#include "foundation/codec/JSONScanner.h"

#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace pw {

namespace {

using core::Value;
using jc::beginsValue;
using jc::format;
using jc::JSONScanner;
using jc::NumKind;
using jc::Tok;

// The element stack of open arrays, kept per thread between parses so a
// long list does not regrow it every time. Parses on one thread do not nest.
constexpr std::size_t kScratchStackKeep = 16384;
constexpr std::size_t kShapeMaxKeys = 32;

std::vector<Value>& scratchStack() {
    thread_local std::vector<Value> stack;
    return stack;
}

// Builds values from the scanner's tokens.
class Parser {
public:
    Parser(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags) : m_scan(bytes, length, flags) {}

    std::optional<Value> run(JCError* errorOut);

private:
    static constexpr unsigned AcceptValue = JSONScanner::AcceptValue;
    static constexpr unsigned AcceptComma = JSONScanner::AcceptComma;
    static constexpr unsigned AcceptEnd = JSONScanner::AcceptEnd;

    bool valueForToken(Value& out);
    bool buildArray(Value& out);
    bool buildDictionary(Value& out);
    void makeMap(Value& out, std::size_t keyBase, std::size_t valueBase);
    bool enter();

    JSONScanner m_scan;
    unsigned m_depth{0};
    std::vector<Value>& m_stack{scratchStack()};
    std::vector<std::string> m_keys{};
    std::vector<Value> m_values{};
    core::ValueMap m_shape{};
    std::vector<std::string> m_shapeKeys{};
};

bool Parser::enter() {
    if (m_depth >= kJSONMaxNestingDepth) {
        m_scan.error(m_scan.position(), format("Nesting depth exceeds the limit of %u.", kJSONMaxNestingDepth));
        return false;
    }
    ++m_depth;
    return true;
}

bool Parser::valueForToken(Value& out) {
    switch (m_scan.token().type) {
    case Tok::String:
        out = Value(std::string(m_scan.token().str));
        return true;
    case Tok::Number:
        switch (m_scan.token().numKind) {
        case NumKind::Signed:
            out = Value(m_scan.token().i);
            return true;
        case NumKind::Unsigned:
            // Values have no unsigned kind: what does not fit a signed
            // 64-bit integer is kept as the nearest double.
            if (m_scan.token().u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                out = Value(static_cast<std::int64_t>(m_scan.token().u));
            else
                out = Value(static_cast<double>(m_scan.token().u));
            return true;
        case NumKind::Double:
            out = Value(m_scan.token().d);
            return true;
        }
        return false;
    case Tok::True:
        out = Value(true);
        return true;
    case Tok::False:
        out = Value(false);
        return true;
    case Tok::Null:
        out = Value(nullptr);
        return true;
    case Tok::ArrayBegin:
        return buildArray(out);
    case Tok::ObjectBegin:
        return buildDictionary(out);
    default:
        return false;
    }
}

bool Parser::buildArray(Value& out) {
    if (!enter())
        return false;
    // Elements wait on a stack shared by all open arrays, so each array is
    // made once, at its exact size, when its closing bracket is read.
    const std::size_t base = m_stack.size();
    unsigned accepted = AcceptValue | AcceptEnd;
    bool done = false;
    while (!m_scan.atEnd()) {
        if (!m_scan.nextToken())
            break;
        Tok t = m_scan.token().type;
        if (beginsValue(t)) {
            if (!(accepted & AcceptValue)) {
                m_scan.error(m_scan.position(), "Unexpected value.");
                break;
            }
            Value v;
            if (!valueForToken(v)) {
                // The element recorded its own error, or ran into the end
                // of the input, which the top level reports.
                break;
            }
            m_stack.push_back(std::move(v));
            accepted = AcceptComma | AcceptEnd;
        } else if (t == Tok::ArrayEnd) {
            if (!(accepted & AcceptEnd))
                m_scan.error(m_scan.position(), "Unexpected ']'.");
            else
                done = true;
            break;
        } else if (t == Tok::Comma) {
            if (!(accepted & AcceptComma)) {
                m_scan.error(m_scan.position(), "Unexpected ','.");
                break;
            }
            accepted = AcceptValue;
        } else {
            m_scan.expectedToken(accepted, false);
            break;
        }
    }
    --m_depth;
    if (done) {
        out = Value(Value::Array(std::make_move_iterator(m_stack.begin() + static_cast<std::ptrdiff_t>(base)),
                                 std::make_move_iterator(m_stack.end())));
    }
    m_stack.erase(m_stack.begin() + static_cast<std::ptrdiff_t>(base), m_stack.end());
    return done;
}

bool Parser::buildDictionary(Value& out) {
    if (!enter())
        return false;
    // Keys and values wait on stacks until the closing brace, so that the
    // map is made at once, from the shape of the previous map when the keys
    // are the same: the records of a site list all carry the same keys.
    const std::size_t keyBase = m_keys.size();
    const std::size_t valueBase = m_values.size();
    unsigned accepted = AcceptValue | AcceptEnd; // AcceptValue stands for "a key" here
    bool done = false;
    while (!m_scan.atEnd()) {
        if (!m_scan.nextToken())
            break;
        Tok t = m_scan.token().type;
        if (t == Tok::Comma) {
            if (!(accepted & AcceptComma)) {
                m_scan.error(m_scan.position(), "Unexpected ','.");
                break;
            }
            accepted = AcceptValue;
        } else if (t == Tok::ObjectEnd) {
            if (!(accepted & AcceptEnd))
                m_scan.error(m_scan.position(), "Unexpected '}'.");
            else
                done = true;
            break;
        } else if (t == Tok::String) {
            if (!(accepted & AcceptValue)) {
                m_scan.error(m_scan.position(), "Unexpected string.");
                break;
            }
            m_keys.emplace_back(m_scan.token().str);
            if (!m_scan.nextToken())
                break;
            if (m_scan.token().type != Tok::Separator) {
                m_scan.error(m_scan.position(), "Expected ':'.");
                break;
            }
            if (!m_scan.nextToken())
                break;
            if (!beginsValue(m_scan.token().type)) {
                m_scan.expectedToken(AcceptValue, false);
                break;
            }
            Value v;
            if (!valueForToken(v))
                break;
            m_values.push_back(std::move(v));
            accepted = AcceptComma | AcceptEnd;
        } else {
            m_scan.expectedToken(accepted, true);
            break;
        }
    }
    --m_depth;
    if (done)
        makeMap(out, keyBase, valueBase);
    m_keys.resize(keyBase);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(valueBase), m_values.end());
    return done;
}

void Parser::makeMap(Value& out, std::size_t keyBase, std::size_t valueBase) {
    const std::size_t n = m_keys.size() - keyBase;
    bool sameShape = m_shapeKeys.size() == n;
    for (std::size_t i = 0; sameShape && i < n; ++i)
        sameShape = m_shapeKeys[i] == m_keys[keyBase + i];
    if (sameShape) {
        out = Value(m_shape);
        core::ValueMap& map = *out.asMap();
        if (map.size() == n) {
            // No repeated key: entries stand in the order of the keys, so
            // each value goes to its place without a lookup.
            std::size_t i = valueBase;
            for (auto& entry : map)
                entry.second = std::move(m_values[i++]);
        } else {
            // A repeated key keeps its first place and takes the last value.
            for (std::size_t i = 0; i < n; ++i)
                *map.get(m_keys[keyBase + i]) = std::move(m_values[valueBase + i]);
        }
        return;
    }
    core::ValueMap map;
    for (std::size_t i = 0; i < n; ++i)
        map.set(m_keys[keyBase + i], std::move(m_values[valueBase + i]));
    if (n > 0 && n <= kShapeMaxKeys) {
        m_shape = core::ValueMap();
        for (std::size_t i = 0; i < n; ++i)
            m_shape.set(m_keys[keyBase + i], Value());
        m_shapeKeys.assign(m_keys.begin() + static_cast<std::ptrdiff_t>(keyBase), m_keys.end());
    }
    out = Value(std::move(map));
}

std::optional<Value> Parser::run(JCError* errorOut) {
    // Whatever an interrupted parse on this thread left behind goes now.
    m_stack.clear();
    std::optional<Value> result;
    bool failed = false;
    while (!result && !failed && !m_scan.atEnd()) {
        if (!m_scan.nextToken()) {
            failed = true;
            break;
        }
        if (m_scan.token().type == Tok::ObjectBegin || m_scan.token().type == Tok::ArrayBegin) {
            Value v;
            if (valueForToken(v))
                result = std::move(v);
            else
                failed = true;
        } else {
            m_scan.error(m_scan.position(), "Expected either '[' or '{'.");
            failed = true;
        }
    }
    if (!result) {
        if (m_scan.atEnd())
            m_scan.error(m_scan.position(), "Reached the end of the buffer.");
        m_scan.error(m_scan.position(), "Unable to parse JSON.");
    } else if (!m_scan.atEnd()) {
        m_scan.skipWhitespace();
        if (!m_scan.atEnd() && !(m_scan.flags() & ParseAllowTrailingText)) {
            m_scan.error(m_scan.position(),
                         "A valid JSON object was parsed but there were additional non-white-space characters "
                         "remaining.");
            result.reset();
        }
    }
    // Keep a warm stack for the next parse, but not the memory of a huge one.
    if (m_stack.capacity() > kScratchStackKeep)
        std::vector<Value>().swap(m_stack);
    if (errorOut && m_scan.hasError())
        *errorOut = m_scan.takeError();
    return result;
}

void checkFlags(std::uint32_t flags) {
    if (flags > ParseOptionsValidFlags)
        throw std::invalid_argument("Invalid parse options.");
}

} // namespace

JSONDecoder::JSONDecoder(std::uint32_t parseOptionFlags) : m_flags(parseOptionFlags) {
    checkFlags(parseOptionFlags);
}

JSONDecoder::~JSONDecoder() = default;

std::unique_ptr<JSONDecoder> JSONDecoder::decoder() {
    return std::make_unique<JSONDecoder>(ParseStrict);
}

std::unique_ptr<JSONDecoder> JSONDecoder::decoderWithParseOptions(std::uint32_t parseOptionFlags) {
    return std::make_unique<JSONDecoder>(parseOptionFlags);
}

void JSONDecoder::clearCache() {}

std::optional<core::Value> JSONDecoder::parse(const std::uint8_t* bytes, std::size_t length, JCError* error) {
    Parser parser(bytes, length, m_flags);
    return parser.run(error);
}

std::optional<core::Value> JSONDecoder::objectWithUTF8String(const char* bytes, std::size_t length, JCError* error) {
    if (bytes == nullptr)
        throw std::invalid_argument("The string argument is NULL.");
    return parse(reinterpret_cast<const std::uint8_t*>(bytes), length, error);
}

std::optional<core::Value> JSONDecoder::mutableObjectWithUTF8String(const char* bytes, std::size_t length,
                                                                    JCError* error) {
    return objectWithUTF8String(bytes, length, error);
}

std::optional<core::Value> JSONDecoder::objectWithData(core::ByteView data, JCError* error) {
    // An empty buffer may have no storage at all; it is still a buffer.
    static const std::uint8_t kEmpty = 0;
    return parse(data.data() ? data.data() : &kEmpty, data.size(), error);
}

std::optional<core::Value> JSONDecoder::mutableObjectWithData(core::ByteView data, JCError* error) {
    return objectWithData(data, error);
}

std::optional<core::Value> JSONDecoder::parseUTF8String(const char* bytes, std::size_t length, JCError* error) {
    return objectWithUTF8String(bytes, length, error);
}

std::optional<core::Value> JSONDecoder::parseJSONData(core::ByteView data, JCError* error) {
    return objectWithData(data, error);
}

} // namespace pw

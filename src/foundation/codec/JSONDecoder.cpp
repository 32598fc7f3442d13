#include "foundation/codec/JSONDecoder.h"

#include "foundation/codec/JCArray.h"
#include "foundation/codec/JCDictionary.h"
#include "foundation/codec/JSONScanner.h"

#include <cstddef>
#include <cstring>
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

// Builds the platform's plain values (what most callers read).
struct ValueBuilder {
    using Node = Value;
    using Key = std::string;
    static constexpr std::size_t kShapeMaxKeys = 32;

    // The element stack of open arrays, kept per thread between parses so a
    // long list does not regrow it every time. Parses on one thread do not nest.
    static std::vector<Value>& stack() {
        thread_local std::vector<Value> s;
        return s;
    }
    Value string(std::string_view text) { return Value(std::string(text)); }
    Key key(std::string_view text) { return std::string(text); }
    bool number(const JSONScanner::Token& t, Value& out) {
        switch (t.numKind) {
        case NumKind::Signed:
            out = Value(t.i);
            return true;
        case NumKind::Unsigned:
            // Plain values have no unsigned kind: what does not fit a signed
            // 64-bit integer is kept as the nearest double (the parser's own
            // tree keeps it unsigned).
            if (t.u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                out = Value(static_cast<std::int64_t>(t.u));
            else
                out = Value(static_cast<double>(t.u));
            return true;
        case NumKind::Double:
            out = Value(t.d);
            return true;
        }
        return false;
    }
    Value literal(Tok t) { return t == Tok::True ? Value(true) : t == Tok::False ? Value(false) : Value(nullptr); }
    Value makeArray(std::vector<Value>::iterator begin, std::vector<Value>::iterator end) {
        return Value(Value::Array(std::make_move_iterator(begin), std::make_move_iterator(end)));
    }
    // The map is made at once, from the shape of the previous map when the
    // keys are the same: the records of a site list all carry the same keys.
    Value makeDictionary(std::vector<Key>& keys, std::size_t keyBase, std::vector<Value>& values,
                         std::size_t valueBase);

    core::ValueMap m_shape{};
    std::vector<std::string> m_shapeKeys{};
};

// Builds the parser's own collections, taking strings and numbers from the
// decoder's value cache.
struct JCBuilder {
    using Node = JCObject;
    struct Key {
        JCObject key;
        std::uint32_t hash = 0;
    };

    static std::vector<JCObject>& stack() {
        thread_local std::vector<JCObject> s;
        return s;
    }
    JCObject string(std::string_view text) {
        return cache.cachedObject(text, JCTokenCache::kString, JCTokenCache::stringHash(text), [text] {
            return JCObject::string(std::make_shared<const std::string>(text));
        });
    }
    Key key(std::string_view text) {
        JCTokenCache::Item* item = nullptr;
        JCObject k = cache.cachedObject(
            text, JCTokenCache::kString, JCTokenCache::stringHash(text),
            [text] { return JCObject::string(std::make_shared<const std::string>(text)); }, &item);
        // A key from the cache keeps its hash there: hashed once per decoder.
        std::uint32_t hash;
        if (item && item->keyHash != 0) {
            hash = item->keyHash;
        } else {
            hash = JCDictionary::hashForKey(text);
            if (item)
                item->keyHash = hash;
        }
        return Key{std::move(k), hash};
    }
    bool number(const JSONScanner::Token& t, JCObject& out) {
        std::uint64_t bits = 0;
        std::uint8_t type = static_cast<std::uint8_t>(t.numKind);
        switch (t.numKind) {
        case NumKind::Signed:
            bits = static_cast<std::uint64_t>(t.i);
            break;
        case NumKind::Unsigned:
            bits = t.u;
            break;
        case NumKind::Double:
            std::memcpy(&bits, &t.d, sizeof bits);
            break;
        }
        char bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<char>(bits >> (8 * i));
        const JSONScanner::Token token = t;
        out = cache.cachedObject(std::string_view(bytes, 8), type, JCTokenCache::numberHash(type, bits), [&token] {
            switch (token.numKind) {
            case NumKind::Signed:
                return JCObject::integer(token.i);
            case NumKind::Unsigned:
                // Above the signed range it stays an unsigned integer.
                if (token.u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                    return JCObject::integer(static_cast<std::int64_t>(token.u));
                return JCObject::unsignedInteger(token.u);
            case NumKind::Double:
                return JCObject::number(token.d);
            }
            return JCObject();
        });
        return true;
    }
    JCObject literal(Tok t) {
        return t == Tok::True ? JCObject::boolean(true) : t == Tok::False ? JCObject::boolean(false) : JCObject();
    }
    JCObject makeArray(std::vector<JCObject>::iterator begin, std::vector<JCObject>::iterator end) {
        return JCObject::array(JCArray::make(
            std::vector<JCObject>(std::make_move_iterator(begin), std::make_move_iterator(end)), mutableContainers));
    }
    JCObject makeDictionary(std::vector<Key>& keys, std::size_t keyBase, std::vector<JCObject>& values,
                            std::size_t valueBase) {
        std::vector<JCDictionary::Entry> entries;
        entries.reserve(keys.size() - keyBase);
        for (std::size_t i = keyBase; i < keys.size(); ++i)
            entries.push_back({keys[i].hash, std::move(keys[i].key), std::move(values[valueBase + i - keyBase])});
        return JCObject::dictionary(JCDictionary::make(std::move(entries), mutableContainers));
    }

    JCTokenCache& cache;
    bool mutableContainers = false;
};

constexpr std::size_t kScratchStackKeep = 16384;

// Builds values from the scanner's tokens.
template <class Builder>
class Parser {
public:
    using Node = typename Builder::Node;
    Parser(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags, Builder builder)
        : m_scan(bytes, length, flags), m_build(std::move(builder)) {}

    std::optional<Node> run(JCError* errorOut);

private:
    static constexpr unsigned AcceptValue = JSONScanner::AcceptValue;
    static constexpr unsigned AcceptComma = JSONScanner::AcceptComma;
    static constexpr unsigned AcceptEnd = JSONScanner::AcceptEnd;

    bool valueForToken(Node& out);
    bool buildArray(Node& out);
    bool buildDictionary(Node& out);
    bool enter();

    JSONScanner m_scan;
    Builder m_build;
    unsigned m_depth{0};
    std::vector<Node>& m_stack{Builder::stack()};
    std::vector<typename Builder::Key> m_keys{};
    std::vector<Node> m_values{};
};

template <class Builder>
bool Parser<Builder>::enter() {
    if (m_depth >= kJSONMaxNestingDepth) {
        m_scan.error(m_scan.position(), format("Nesting depth exceeds the limit of %u.", kJSONMaxNestingDepth));
        return false;
    }
    ++m_depth;
    return true;
}

template <class Builder>
bool Parser<Builder>::valueForToken(Node& out) {
    switch (m_scan.token().type) {
    case Tok::String:
        out = m_build.string(m_scan.token().str);
        return true;
    case Tok::Number:
        return m_build.number(m_scan.token(), out);
    case Tok::True:
    case Tok::False:
    case Tok::Null:
        out = m_build.literal(m_scan.token().type);
        return true;
    case Tok::ArrayBegin:
        return buildArray(out);
    case Tok::ObjectBegin:
        return buildDictionary(out);
    default:
        return false;
    }
}

template <class Builder>
bool Parser<Builder>::buildArray(Node& out) {
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
            Node v;
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
    if (done)
        out = m_build.makeArray(m_stack.begin() + static_cast<std::ptrdiff_t>(base), m_stack.end());
    m_stack.erase(m_stack.begin() + static_cast<std::ptrdiff_t>(base), m_stack.end());
    return done;
}

template <class Builder>
bool Parser<Builder>::buildDictionary(Node& out) {
    if (!enter())
        return false;
    // Keys and values wait on stacks until the closing brace, so that the
    // dictionary is made at once, at its size.
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
            m_keys.push_back(m_build.key(m_scan.token().str));
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
            Node v;
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
        out = m_build.makeDictionary(m_keys, keyBase, m_values, valueBase);
    m_keys.resize(keyBase);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(valueBase), m_values.end());
    return done;
}

Value ValueBuilder::makeDictionary(std::vector<Key>& m_keys, std::size_t keyBase, std::vector<Value>& m_values,
                                   std::size_t valueBase) {
    Value out;
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
        return out;
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
    return Value(std::move(map));
}

template <class Builder>
std::optional<typename Parser<Builder>::Node> Parser<Builder>::run(JCError* errorOut) {
    // Whatever an interrupted parse on this thread left behind goes now.
    m_stack.clear();
    std::optional<Node> result;
    bool failed = false;
    while (!result && !failed && !m_scan.atEnd()) {
        if (!m_scan.nextToken()) {
            failed = true;
            break;
        }
        if (m_scan.token().type == Tok::ObjectBegin || m_scan.token().type == Tok::ArrayBegin) {
            Node v;
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
        std::vector<Node>().swap(m_stack);
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

void JSONDecoder::clearCache() {
    if (m_cache)
        m_cache->clear();
}

const JCTokenCache& JSONDecoder::cache() {
    if (!m_cache)
        m_cache = std::make_unique<JCTokenCache>();
    return *m_cache;
}

namespace {
// An empty buffer may have no storage at all; it is still a buffer.
const std::uint8_t* bytesOf(core::ByteView data) {
    static const std::uint8_t kEmpty = 0;
    return data.data() ? data.data() : &kEmpty;
}
} // namespace

std::optional<JCObject> JSONDecoder::parse(const std::uint8_t* bytes, std::size_t length, bool mutableContainers,
                                           JCError* error) {
    if (!m_cache)
        m_cache = std::make_unique<JCTokenCache>();
    Parser<JCBuilder> parser(bytes, length, m_flags, JCBuilder{*m_cache, mutableContainers});
    return parser.run(error);
}

std::optional<core::Value> JSONDecoder::valueWithData(core::ByteView data, JCError* error) {
    Parser<ValueBuilder> parser(bytesOf(data), data.size(), m_flags, ValueBuilder{});
    return parser.run(error);
}

std::optional<JCObject> JSONDecoder::objectWithUTF8String(const char* bytes, std::size_t length, JCError* error) {
    if (bytes == nullptr)
        throw std::invalid_argument("The string argument is NULL.");
    return parse(reinterpret_cast<const std::uint8_t*>(bytes), length, false, error);
}

std::optional<JCObject> JSONDecoder::mutableObjectWithUTF8String(const char* bytes, std::size_t length,
                                                                 JCError* error) {
    if (bytes == nullptr)
        throw std::invalid_argument("The string argument is NULL.");
    return parse(reinterpret_cast<const std::uint8_t*>(bytes), length, true, error);
}

std::optional<JCObject> JSONDecoder::objectWithData(core::ByteView data, JCError* error) {
    return parse(bytesOf(data), data.size(), false, error);
}

std::optional<JCObject> JSONDecoder::mutableObjectWithData(core::ByteView data, JCError* error) {
    return parse(bytesOf(data), data.size(), true, error);
}

std::optional<JCObject> JSONDecoder::parseUTF8String(const char* bytes, std::size_t length, JCError* error) {
    return objectWithUTF8String(bytes, length, error);
}

std::optional<JCObject> JSONDecoder::parseJSONData(core::ByteView data, JCError* error) {
    return objectWithData(data, error);
}

} // namespace pw

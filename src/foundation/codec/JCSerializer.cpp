#include "foundation/codec/JCSerializer.h"

#include "foundation/codec/JCUtf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace pw {

namespace {

using core::Value;

const char* kindName(const Value& v) {
    switch (v.type()) {
    case Value::Type::Null:
        return "Null";
    case Value::Type::Bool:
        return "Bool";
    case Value::Type::Int:
        return "Int";
    case Value::Type::Double:
        return "Double";
    case Value::Type::String:
        return "String";
    case Value::Type::Bytes:
        return "Bytes";
    case Value::Type::Array:
        return "Array";
    case Value::Type::Map:
        return "Map";
    }
    return "NULL";
}

class Writer {
public:
    Writer(std::uint32_t options, std::uint32_t encodeOption, const JCUnsupportedFormatter& formatter)
        : m_options(options), m_encode(encodeOption), m_formatter(formatter) {
        m_out.reserve(4096);
    }

    bool failed() const { return m_hasError; }
    JCError& error() { return m_error; }
    std::string& output() { return m_out; }

    void fail(std::string message) {
        if (m_hasError)
            return;
        m_hasError = true;
        m_error.message = std::move(message);
    }

    bool write(const Value& v, unsigned depth);
    bool writeString(std::string_view s);

private:
    bool pretty() const { return (m_options & SerializePretty) != 0; }
    void newline() {
        m_out.push_back('\n');
        m_out.append(2 * static_cast<std::size_t>(m_indent), ' ');
    }
    void open(char c) {
        m_out.push_back(c);
        if (pretty()) {
            ++m_indent;
            newline();
        }
    }
    void close(char c) {
        if (pretty()) {
            --m_indent;
            newline();
        }
        m_out.push_back(c);
    }
    void comma() {
        m_out.push_back(',');
        if (pretty())
            newline();
    }
    void colon() {
        m_out.push_back(':');
        if (pretty())
            m_out.push_back(' ');
    }
    void hexEscape(std::uint32_t unit) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\u%4.4x", unit & 0xFFFFu);
        m_out.append(buf, 6);
    }

    std::uint32_t m_options{0};
    std::uint32_t m_encode{0};
    const JCUnsupportedFormatter& m_formatter;
    std::string m_out{};
    int m_indent{0};
    bool m_hasError{false};
    JCError m_error{};
};

bool Writer::writeString(std::string_view s) {
    const bool quotes = (m_encode & EncodeWithoutQuotes) == 0;
    const bool escapeUnicode = (m_options & SerializeEscapeUnicode) != 0;
    const bool escapeSlashes = (m_options & SerializeEscapeSlashes) != 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    const auto* end = p + s.size();
    const std::size_t mark = m_out.size();
    if (quotes)
        m_out.push_back('"');
    while (p < end) {
        std::uint8_t c = *p;
        if (c >= 0x80) {
            if (!escapeUnicode) {
                // Bytes from 0x80 up are written as they stand.
                const std::uint8_t* q = p + 1;
                while (q < end && *q >= 0x80)
                    ++q;
                m_out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
                p = q;
                continue;
            }
            jc::Utf8Sequence seq = jc::ConvertSingleCodePointInUTF8(p, end);
            if (seq.kind != jc::Utf8Sequence::Kind::WellFormed) {
                m_out.resize(mark);
                fail("Error converting UTF8.");
                return false;
            }
            std::uint32_t cp = seq.codePoint;
            if (cp < 0x10000) {
                hexEscape(cp);
            } else {
                hexEscape(0xD7C0 + (cp >> 10));
                hexEscape(0xDC00 | (cp & 0x3FF));
            }
            p += seq.length;
            continue;
        }
        switch (c) {
        case '\b':
            m_out.append("\\b", 2);
            break;
        case '\t':
            m_out.append("\\t", 2);
            break;
        case '\n':
            m_out.append("\\n", 2);
            break;
        case '\f':
            m_out.append("\\f", 2);
            break;
        case '\r':
            m_out.append("\\r", 2);
            break;
        case '"':
            m_out.append("\\\"", 2);
            break;
        case '\\':
            m_out.append("\\\\", 2);
            break;
        case '/':
            if (escapeSlashes)
                m_out.append("\\/", 2);
            else
                m_out.push_back('/');
            break;
        default:
            if (c < 0x20) {
                hexEscape(c);
            } else {
                // Copy the run of bytes that need nothing at once.
                const std::uint8_t* q = p + 1;
                while (q < end && *q >= 0x20 && *q < 0x80 && *q != '"' && *q != '\\' && *q != '/')
                    ++q;
                m_out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
                p = q;
                continue;
            }
        }
        ++p;
    }
    if (quotes)
        m_out.push_back('"');
    return true;
}

bool Writer::write(const Value& v, unsigned depth) {
    switch (v.type()) {
    case Value::Type::Null:
        m_out.append("null", 4);
        return true;
    case Value::Type::Bool:
        if (*v.asBool())
            m_out.append("true", 4);
        else
            m_out.append("false", 5);
        return true;
    case Value::Type::Int: {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, *v.asInt());
        m_out.append(buf, static_cast<std::size_t>(r.ptr - buf));
        return true;
    }
    case Value::Type::Double: {
        double d = *v.asDouble();
        if (!std::isfinite(d)) {
            fail("Floating point values must be finite.  JSON does not support NaN or Infinity.");
            return false;
        }
        // "%.17g" in the C locale whatever the process's locale: the
        // shortest text that reads back as the same double is not required,
        // an exact one is.
        char buf[40];
        auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 17);
        m_out.append(buf, static_cast<std::size_t>(r.ptr - buf));
        return true;
    }
    case Value::Type::String:
        return writeString(*v.stringPtr());
    case Value::Type::Array: {
        if (depth >= kJSONMaxSerializeDepth) {
            fail("Nesting depth exceeds the limit of 512.");
            return false;
        }
        const Value::Array& items = *v.asArray();
        open('[');
        bool first = true;
        for (const Value& item : items) {
            if (!first)
                comma();
            first = false;
            if (!write(item, depth + 1))
                return false;
        }
        close(']');
        return true;
    }
    case Value::Type::Map: {
        if (depth >= kJSONMaxSerializeDepth) {
            fail("Nesting depth exceeds the limit of 512.");
            return false;
        }
        const Value::Map& map = *v.asMap();
        open('{');
        bool first = true;
        auto pair = [&](const std::string& key, const Value& value) {
            if (!first)
                comma();
            first = false;
            if (!writeString(key))
                return false;
            colon();
            return write(value, depth + 1);
        };
        if (pretty()) {
            std::vector<const Value::Map::Entry*> entries;
            entries.reserve(map.size());
            for (const auto& e : map)
                entries.push_back(&e);
            std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
            for (const auto* e : entries)
                if (!pair(e->first, e->second))
                    return false;
        } else {
            for (const auto& e : map)
                if (!pair(e.first, e.second))
                    return false;
        }
        close('}');
        return true;
    }
    case Value::Type::Bytes:
        break;
    }

    // A kind JSON has no form for: ask the formatter for a replacement.
    std::optional<Value> replacement;
    if (m_formatter)
        replacement = m_formatter(v);
    if (!replacement) {
        fail(std::string("Unable to serialize object class ") + kindName(v) + ".");
        return false;
    }
    if (replacement->isBytes()) {
        fail(std::string("Unable to serialize object class ") + kindName(*replacement) +
             " that was returned by the unsupported class formatter.  Original object class was " + kindName(v) + ".");
        return false;
    }
    return write(*replacement, depth);
}

} // namespace

JCSerializer::Result JCSerializer::serializeObject(const core::Value& object, std::uint32_t options,
                                                   std::uint32_t encodeOption, const JCUnsupportedFormatter& formatter,
                                                   JCError* error) {
    if (error)
        *error = JCError{};
    Writer writer(options, encodeOption, formatter);
    const std::uint32_t as = encodeOption & 7;

    if ((encodeOption & EncodeRequireCollection) && !object.isArray() && !object.isMap()) {
        writer.fail(std::string("Unable to serialize object class ") + kindName(object) +
                    ", expected a NSArray or NSDictionary.");
    } else if ((encodeOption & EncodeRequireString) && !object.isString()) {
        writer.fail(std::string("Unable to serialize object class ") + kindName(object) + ", expected a NSString.");
    } else if (as != EncodeAsData && as != EncodeAsString) {
        writer.fail("Unknown encode as type.");
    } else {
        writer.write(object, 0);
    }

    if (writer.failed()) {
        if (error)
            *error = std::move(writer.error());
        return std::monostate{};
    }
    std::string& out = writer.output();
    if (as == EncodeAsData)
        return core::Bytes(out.begin(), out.end());
    return std::move(out);
}

} // namespace pw

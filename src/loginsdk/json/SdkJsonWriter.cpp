#include "loginsdk/json/SdkJsonWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace pw {
namespace {

// Checks the order of what is written, as the parser checks what it reads.
class SdkJsonStreamWriter {
public:
    enum class State { Start, Complete, ObjectStart, ObjectKey, ObjectValue, ArrayStart, ArrayValue };

    SdkJsonStreamWriter(std::string& out, unsigned maxDepth, bool humanReadable, bool sortKeys)
        : m_out(out), m_maxDepth(maxDepth), m_humanReadable(humanReadable), m_sortKeys(sortKeys) {}

    bool writeValue(const SdkJsonValue& v) {
        const auto& s = v.storage();
        if (auto d = v.dictionary())
            return writeObject(*d);
        if (auto a = v.array())
            return writeArray(*a);
        if (auto str = std::get_if<std::string>(&s))
            return writeString(*str);
        if (std::holds_alternative<SdkJsonValue::Null>(s))
            return writeToken("null");
        if (auto b = std::get_if<bool>(&s))
            return writeToken(*b ? "true" : "false");
        return writeNumber(v);
    }

    bool writeObject(const SdkJsonValue::Dictionary& d) {
        if (!open('{', State::ObjectStart))
            return false;
        std::vector<const std::pair<std::string, SdkJsonValue>*> members;
        members.reserve(d.size());
        for (auto& m : d)
            members.push_back(&m);
        if (m_sortKeys)
            std::stable_sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->first < b->first; });
        for (auto* m : members)
            if (!writeString(m->first) || !writeValue(m->second))
                return false;
        return close('}');
    }

    bool writeArray(const SdkJsonValue::Array& a) {
        if (!open('[', State::ArrayStart))
            return false;
        for (auto& v : a)
            if (!writeValue(v))
                return false;
        return close(']');
    }

    bool writeString(const std::string& text) {
        if (!begin(true))
            return false;
        m_out.push_back('"');
        size_t run = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            m_out.append(text, run, i - run);
            run = i + 1;
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case 8:
                m_out += "\\b";
                break;
            case 9:
                m_out += "\\t";
                break;
            case 10:
                m_out += "\\n";
                break;
            case 12:
                m_out += "\\f";
                break;
            case 13:
                m_out += "\\r";
                break;
            default: {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                m_out += buf;
            }
            }
        }
        m_out.append(text, run, std::string::npos);
        m_out.push_back('"');
        after();
        return true;
    }

    const std::string& error() const { return m_error; }

private:
    bool fail(std::string text) {
        m_error = std::move(text);
        return false;
    }

    bool writeNumber(const SdkJsonValue& v) {
        const auto& s = v.storage();
        char buf[128];
        if (auto u = std::get_if<uint64_t>(&s)) {
            std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(*u));
        } else if (auto i = std::get_if<int64_t>(&s)) {
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(*i));
        } else if (auto dec = std::get_if<SdkJsonDecimal>(&s)) {
            return writeToken(dec->text());
        } else {
            double d = std::get<double>(s);
            if (std::isnan(d))
                return fail("NaN is not a valid number in JSON");
            if (std::isinf(d))
                return fail(d > 0 ? "+Infinity is not a valid number in JSON"
                                  : "-Infinity is not a valid number in JSON");
            std::snprintf(buf, sizeof buf, "%.17g", d);
        }
        return writeToken(buf);
    }

    std::string indent() const { return "\n" + std::string(2 * m_stack.size(), ' '); }

    // Separator and whitespace before a token in the current state.
    bool begin(bool isString, bool opening = false) {
        if (m_state == State::Complete)
            return fail("Stream is closed");
        bool expectsKey = m_state == State::ObjectStart || m_state == State::ObjectKey;
        if (!isString && expectsKey)
            return fail("JSON object key must be string");
        if (m_state == State::ObjectKey || m_state == State::ArrayValue)
            m_out.push_back(',');
        else if (m_state == State::ObjectValue)
            m_out.push_back(':');
        if (m_humanReadable && !(opening && m_stack.empty())) {
            if (m_state == State::ObjectValue)
                m_out.push_back(' ');
            else
                m_out += indent();
        }
        return true;
    }

    void after() { m_state = next(m_state); }

    static State next(State s) {
        switch (s) {
        case State::Start:
            return State::Complete;
        case State::ObjectStart:
        case State::ObjectKey:
            return State::ObjectValue;
        case State::ObjectValue:
            return State::ObjectKey;
        case State::ArrayStart:
        case State::ArrayValue:
            return State::ArrayValue;
        default:
            return s;
        }
    }

    bool writeToken(const std::string& token) {
        if (!begin(false))
            return false;
        m_out += token;
        after();
        return true;
    }

    bool open(char bracket, State inside) {
        if (!begin(false, true))
            return false;
        m_stack.push_back(m_state);
        m_state = inside;
        if (m_maxDepth != 0 && m_stack.size() > m_maxDepth)
            return fail("Nested too deep");
        m_out.push_back(bracket);
        return true;
    }

    bool close(char bracket) {
        State inner = m_state;
        m_state = m_stack.back();
        m_stack.pop_back();
        if (m_humanReadable) {
            (void)inner;
            m_out += indent();
        }
        m_out.push_back(bracket);
        after();
        return true;
    }

    std::string& m_out;
    unsigned m_maxDepth;
    bool m_humanReadable;
    bool m_sortKeys;
    State m_state = State::Start;
    std::vector<State> m_stack;
    std::string m_error;
};

} // namespace

std::optional<std::string> SdkJsonWriter::stringWithObject(const SdkJsonValue& value) {
    m_error.clear();
    if (!value.dictionary() && !value.array()) {
        m_error = "Not valid type for JSON";
        return std::nullopt;
    }
    std::string out;
    out.reserve(8096);
    SdkJsonStreamWriter writer(out, maxDepth, humanReadable, sortKeys);
    if (!writer.writeValue(value)) {
        m_error = writer.error();
        return std::nullopt;
    }
    return out;
}

} // namespace pw

#include "loginsdk/json/SdkJsonStreamWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pw {

bool SdkJsonStreamWriter::fail(std::string text) {
    m_error = std::move(text);
    return false;
}

void SdkJsonStreamWriter::append(const std::string& bytes) {
    if (m_delegate && !bytes.empty())
        m_delegate->writerAppendBytes(*this, bytes.data(), bytes.size());
}

bool SdkJsonStreamWriter::writeValue(const SdkJsonValue& v) {
    const auto& s = v.storage();
    if (auto d = v.dictionary())
        return writeObject(*d);
    if (auto a = v.array())
        return writeArray(*a);
    if (auto str = std::get_if<std::string>(&s))
        return writeString(*str);
    if (std::holds_alternative<SdkJsonValue::Null>(s))
        return writeNull();
    if (auto b = std::get_if<bool>(&s))
        return writeBool(*b);
    return writeNumber(v);
}

bool SdkJsonStreamWriter::writeObject(const SdkJsonValue::Dictionary& d) {
    if (!writeObjectOpen())
        return false;
    std::vector<const std::pair<std::string, SdkJsonValue>*> members;
    members.reserve(d.size());
    for (auto& m : d)
        members.push_back(&m);
    if (sortKeys)
        std::stable_sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->first < b->first; });
    for (auto* m : members)
        if (!writeString(m->first) || !writeValue(m->second))
            return false;
    return writeObjectClose();
}

bool SdkJsonStreamWriter::writeArray(const SdkJsonValue::Array& a) {
    if (!writeArrayOpen())
        return false;
    for (auto& v : a)
        if (!writeValue(v))
            return false;
    return writeArrayClose();
}

bool SdkJsonStreamWriter::writeString(const std::string& text) {
    if (!begin(true))
        return false;
    std::string out;
    out.reserve(text.size() + text.size() / 10 + 2);
    out.push_back('"');
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text, run, i - run);
        run = i + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case 8:
            out += "\\b";
            break;
        case 9:
            out += "\\t";
            break;
        case 10:
            out += "\\n";
            break;
        case 12:
            out += "\\f";
            break;
        case 13:
            out += "\\r";
            break;
        default: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        }
        }
    }
    out.append(text, run, std::string::npos);
    out.push_back('"');
    append(out);
    after();
    return true;
}

bool SdkJsonStreamWriter::writeNumber(const SdkJsonValue& v) {
    const auto& s = v.storage();
    char buf[128];
    if (auto u = std::get_if<uint64_t>(&s)) {
        std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(*u));
    } else if (auto i = std::get_if<int64_t>(&s)) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(*i));
    } else if (auto dec = std::get_if<SdkJsonDecimal>(&s)) {
        return writeToken(dec->text());
    } else if (auto d = std::get_if<double>(&s)) {
        if (std::isnan(*d))
            return fail("NaN is not a valid number in JSON");
        if (std::isinf(*d))
            return fail(*d > 0 ? "+Infinity is not a valid number in JSON" : "-Infinity is not a valid number in JSON");
        std::snprintf(buf, sizeof buf, "%.17g", *d);
    } else {
        return writeValue(v); // not a number: written as what it is
    }
    return writeToken(buf);
}

bool SdkJsonStreamWriter::writeBool(bool value) {
    return writeToken(value ? "true" : "false");
}

bool SdkJsonStreamWriter::writeNull() {
    return writeToken("null");
}

bool SdkJsonStreamWriter::writeObjectOpen() {
    return open('{', State::ObjectStart);
}

bool SdkJsonStreamWriter::writeObjectClose() {
    return close('}');
}

bool SdkJsonStreamWriter::writeArrayOpen() {
    return open('[', State::ArrayStart);
}

bool SdkJsonStreamWriter::writeArrayClose() {
    return close(']');
}

std::string SdkJsonStreamWriter::indent() const {
    return "\n" + std::string(2 * m_stack.size(), ' ');
}

// Separator and whitespace before a token in the current state.
bool SdkJsonStreamWriter::begin(bool isString, bool opening) {
    if (m_state == State::Complete)
        return fail("Stream is closed");
    bool expectsKey = m_state == State::ObjectStart || m_state == State::ObjectKey;
    if (!isString && expectsKey)
        return fail("JSON object key must be string");
    std::string out;
    if (m_state == State::ObjectKey || m_state == State::ArrayValue)
        out.push_back(',');
    else if (m_state == State::ObjectValue)
        out.push_back(':');
    if (humanReadable && !(opening && m_stack.empty())) {
        if (m_state == State::ObjectValue)
            out.push_back(' ');
        else
            out += indent();
    }
    append(out);
    return true;
}

void SdkJsonStreamWriter::after() {
    m_state = next(m_state);
}

SdkJsonStreamWriter::State SdkJsonStreamWriter::next(State s) {
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

bool SdkJsonStreamWriter::writeToken(const std::string& token) {
    if (!begin(false))
        return false;
    append(token);
    after();
    return true;
}

bool SdkJsonStreamWriter::open(char bracket, State inside) {
    if (!begin(false, true))
        return false;
    m_stack.push_back(m_state);
    m_state = inside;
    if (maxDepth != 0 && m_stack.size() > maxDepth)
        return fail("Nested too deep");
    append(std::string(1, bracket));
    return true;
}

bool SdkJsonStreamWriter::close(char bracket) {
    // A close with nothing open (called out of turn) fails rather than
    // reading past the stack.
    if (m_stack.empty())
        return fail(m_state == State::Complete ? "Stream is closed" : "Nothing to close");
    m_state = m_stack.back();
    m_stack.pop_back();
    if (humanReadable)
        append(indent());
    append(std::string(1, bracket));
    after();
    return true;
}

} // namespace pw

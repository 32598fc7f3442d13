#pragma once
// The account kit's JSON reader: a streaming tokeniser and a state-checked
// parser. Its error texts are part of what the kit reports, so they are kept
// exactly; every failure is a text, never an exception.
#include "loginsdk/json/SdkJsonError.h"
#include "loginsdk/json/SdkJsonValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

enum class SdkJsonToken : int {
    Error = -1,
    Eof = 0,
    ArrayStart = 1,
    ArrayEnd = 2,
    ObjectStart = 3,
    ObjectEnd = 4,
    ValueSeparator = 5,
    KeySeparator = 6,
    Number = 7,
    String = 8,
    True = 9,
    False = 10,
    Null = 11,
};

// A byte buffer that drops what was read only when more input arrives.
class SdkJsonUTF8Stream {
public:
    void appendData(std::string_view bytes);
    std::string_view rest() const { return std::string_view(m_bytes).substr(m_index); }
    size_t index() const { return m_index; }
    void setIndex(size_t i) { m_index = i; }
    size_t size() const { return m_bytes.size(); }
    unsigned char at(size_t i) const { return static_cast<unsigned char>(m_bytes[i]); }
    std::string_view slice(size_t from, size_t to) const { return std::string_view(m_bytes).substr(from, to - from); }

private:
    std::string m_bytes;
    size_t m_index = 0;
};

class SdkJsonTokeniser {
public:
    void appendData(std::string_view bytes) { m_stream.appendData(bytes); }
    // The next token; its text (strings) or number value is left in `value`.
    SdkJsonToken getToken(SdkJsonValue& value);
    const std::string& error() const { return m_error; }

private:
    SdkJsonToken readString(SdkJsonValue& value);
    SdkJsonToken readNumber(SdkJsonValue& value);
    SdkJsonToken readKeyword(std::string_view word, SdkJsonToken kind);
    SdkJsonToken fail(std::string text);

    SdkJsonUTF8Stream m_stream;
    std::string m_error;
};

class SdkJsonStreamParserDelegate {
public:
    virtual ~SdkJsonStreamParserDelegate() = default;
    virtual void parserFoundObjectStart() = 0;
    virtual void parserFoundObjectKey(std::string key) = 0;
    virtual void parserFoundObjectEnd() = 0;
    virtual void parserFoundArrayStart() = 0;
    virtual void parserFoundArrayEnd() = 0;
    // Booleans, null, numbers and strings.
    virtual void parserFoundValue(SdkJsonValue value) = 0;
};

class SdkJsonStreamParser {
public:
    enum Status { Complete = 0, WaitingForData = 1, Error = 2 };
    enum class State {
        Start,
        Complete,
        Error,
        ObjectStart,
        ObjectGotKey,
        ObjectSeparator,
        ObjectGotValue,
        ObjectNeedKey,
        ArrayStart,
        ArrayGotValue,
        ArrayNeedValue,
    };

    explicit SdkJsonStreamParser(SdkJsonStreamParserDelegate* delegate) : m_delegate(delegate) {}

    // Appends the bytes and reads as far as they reach.
    Status parse(std::string_view bytes);

    unsigned maxDepth = 32;
    bool supportMultipleDocuments = false;
    const std::string& error() const { return m_error; }

private:
    void transition(SdkJsonToken token);
    void fail(std::string text);

    SdkJsonStreamParserDelegate* m_delegate = nullptr;
    State m_state = State::Start;
    std::vector<State> m_stack;
    SdkJsonTokeniser m_tokeniser;
    std::string m_error;
};

class SdkJsonParser {
public:
    // The top-level array or dictionary, or nullopt with error() set.
    std::optional<SdkJsonValue> objectWithString(const std::optional<std::string>& text);
    std::optional<SdkJsonValue> objectWithData(const std::optional<std::string>& bytes);
    // As objectWithString; on failure, when given, *error holds the parser's
    // error domain, code 0 and the failure's text.
    std::optional<SdkJsonValue> objectWithString(const std::optional<std::string>& text, SdkJsonError* error);

    unsigned maxDepth = 32;
    // The last failure's text; a success leaves it as it was.
    const std::string& error() const { return m_error; }

private:
    std::string m_error;
};

} // namespace pw

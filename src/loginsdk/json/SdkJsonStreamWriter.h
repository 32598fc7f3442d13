#pragma once
// The kit's JSON stream writer: writes values, or opens and closes containers
// token by token, checking the order of what is written as the parser checks
// what it reads; each write answers false with error() set when it fails.
// The bytes go to the delegate.
#include "loginsdk/json/SdkJsonStreamWriterDelegate.h"
#include "loginsdk/json/SdkJsonValue.h"

#include <string>
#include <vector>

namespace pw {

class SdkJsonStreamWriter {
public:
    enum class State { Start, Complete, ObjectStart, ObjectKey, ObjectValue, ArrayStart, ArrayValue };

    explicit SdkJsonStreamWriter(SdkJsonStreamWriterDelegate* delegate) : m_delegate(delegate) {}

    unsigned maxDepth = 32; // 0: no limit
    bool humanReadable = false;
    bool sortKeys = false;

    bool writeObject(const SdkJsonValue::Dictionary& d);
    bool writeArray(const SdkJsonValue::Array& a);
    bool writeValue(const SdkJsonValue& v);
    bool writeString(const std::string& text);
    bool writeNumber(const SdkJsonValue& v);
    bool writeBool(bool value);
    bool writeNull();
    bool writeObjectOpen();
    bool writeObjectClose();
    bool writeArrayOpen();
    bool writeArrayClose();

    State state() const { return m_state; }
    const std::string& error() const { return m_error; }

private:
    bool fail(std::string text);
    void append(const std::string& bytes);
    std::string indent() const;
    bool begin(bool isString, bool opening = false);
    void after();
    static State next(State s);
    bool writeToken(const std::string& token);
    bool open(char bracket, State inside);
    bool close(char bracket);

    SdkJsonStreamWriterDelegate* m_delegate;
    State m_state = State::Start;
    std::vector<State> m_stack;
    std::string m_error;
};

} // namespace pw

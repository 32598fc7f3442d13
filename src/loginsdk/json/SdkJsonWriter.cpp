#include "loginsdk/json/SdkJsonWriter.h"

#include "loginsdk/json/SdkJsonStreamWriter.h"


namespace pw {
namespace {

// Gathers the stream writer's bytes into one text.
class Accumulator : public SdkJsonStreamWriterDelegate {
public:
    void writerAppendBytes(SdkJsonStreamWriter&, const char* bytes, size_t length) override {
        data.append(bytes, length);
    }
    std::string data;
};

} // namespace

std::optional<std::string> SdkJsonWriter::stringWithObject(const SdkJsonValue& value) {
    m_error.clear();
    if (!value.dictionary() && !value.array()) {
        m_error = "Not valid type for JSON";
        return std::nullopt;
    }
    Accumulator accumulator;
    accumulator.data.reserve(8096);
    SdkJsonStreamWriter writer(&accumulator);
    writer.maxDepth = maxDepth;
    writer.humanReadable = humanReadable;
    writer.sortKeys = sortKeys;
    if (!writer.writeValue(value)) {
        m_error = writer.error();
        return std::nullopt;
    }
    return std::move(accumulator.data);
}

std::optional<std::string> SdkJsonWriter::stringWithObject(const SdkJsonValue& value, SdkJsonError* error) {
    auto text = stringWithObject(value);
    if (!text && error)
        *error = SdkJsonError{SdkJsonWriterErrorDomain, 0, m_error};
    return text;
}

} // namespace pw

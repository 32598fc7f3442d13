#pragma once
// Receives the bytes a stream writer produces, in order.
#include <cstddef>

namespace pw {

class SdkJsonStreamWriter;

class SdkJsonStreamWriterDelegate {
public:
    virtual ~SdkJsonStreamWriterDelegate() = default;
    virtual void writerAppendBytes(SdkJsonStreamWriter& writer, const char* bytes, size_t length) = 0;
};

} // namespace pw

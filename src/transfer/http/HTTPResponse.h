#pragma once
// What produces one reply's body for an HTTP connection. The connection calls
// these on its own queue; a response may tell the connection of new data or
// of its abort from any thread.
#include "platform/core/UniqueFd.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pw {

class HTTPResponse {
public:
    virtual ~HTTPResponse() = default;
    // Not asked of a chunked response.
    virtual uint64_t contentLength() = 0;
    virtual uint64_t offset() = 0;
    virtual void setOffset(uint64_t offset) = 0;
    // Up to `length` bytes from the current position; empty when nothing is
    // available yet (or the response gave up).
    virtual std::string readDataOfLength(uint32_t length) = 0;
    virtual bool isDone() = 0;

    // Optional: hold the head back until the response has data.
    virtual bool delayResponeHeaders() { return false; }
    // Status of a reply that is not a range reply.
    virtual int status() { return 200; }
    virtual std::vector<std::pair<std::string, std::string>> httpHeaders() { return {}; }
    virtual bool isChunked() { return false; }
    virtual void connectionDidClose() {}
    // Optional: the open file whose bytes (from offset 0, contentLength long)
    // are the body, so the connection can have them sent straight from the
    // file without reading them through this process. nullptr: the body
    // comes from readDataOfLength only.
    virtual std::shared_ptr<const core::UniqueFd> fileForSending() { return nullptr; }
};

} // namespace pw

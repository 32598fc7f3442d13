// Feeds arbitrary bytes to the web server's request head parser, split at a
// point the input chooses as a client might send them in two reads: parsing
// must end in a head or a refusal, never a crash or a bad memory access, and
// a complete head must survive being written out and read back. The bytes are
// also read as a Range field: accepted ranges lie inside the body, sorted and
// apart.

#include "transfer/http/HTTPConnection.h"
#include "transfer/http/HTTPMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t split = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);

    // The first byte doubles as a small body length, so ranges hit its ends.
    uint64_t contentLength = data[0];
    if (auto ranges = pw::HTTPConnection::parseRanges(std::string(bytes), contentLength)) {
        if (ranges->empty() || ranges->size() > pw::HTTPConnection::kMaxRanges)
            std::abort();
        uint64_t end = 0;
        for (const auto& r : *ranges) {
            if (r.length == 0 || r.location < end || r.location + r.length > contentLength)
                std::abort();
            end = r.location + r.length;
        }
    }

    auto request = pw::HTTPMessage::emptyRequest();
    if (!request.appendData(bytes.substr(0, split)))
        return 0;
    if (!request.isHeaderComplete() && !request.appendData(bytes.substr(split)))
        return 0;
    if (!request.isHeaderComplete())
        return 0;

    // Touch every accessor a connection reads.
    (void)request.method();
    (void)request.url();
    (void)request.version();
    (void)request.headerField("Range");
    (void)request.headerField("Content-Length");
    for (const auto& field : request.allHeaderFields())
        (void)field;

    auto again = pw::HTTPMessage::emptyRequest();
    if (!again.appendData(request.messageData()) || !again.isHeaderComplete())
        std::abort();
    return 0;
}

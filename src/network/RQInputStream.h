#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace pw {

class RQHTTPRequest;

// The stream a request's body is sent from, over bytes or a file. Each read
// is held to the engine's bandwidth limit while throttling is on and counted
// as bandwidth used.
class RQInputStream {
public:
    static std::shared_ptr<RQInputStream> inputStreamWithData(std::string data, RQHTTPRequest* request);
    static std::shared_ptr<RQInputStream> inputStreamWithFileAtPath(const std::string& path, RQHTTPRequest* request);
    ~RQInputStream();
    RQInputStream(const RQInputStream&) = delete;
    RQInputStream& operator=(const RQInputStream&) = delete;

    bool open();
    void close();
    // Bytes read, 0 at the end, negative on error.
    int64_t read(char* buffer, size_t maxLength);
    // The whole body's length, -1 when unknown.
    int64_t length() const;
    bool hasError() const { return m_error; }
    RQHTTPRequest* request() const { return m_request; }
    void setRequest(RQHTTPRequest* request) { m_request = request; }
    // What the last read asked of the underlying stream (tests).
    size_t lastRequestedLength() const { return m_lastRequested; }

private:
    RQInputStream() = default;
    int64_t readUnderlying(char* buffer, size_t length);

    std::string m_data;
    size_t m_offset = 0;
    std::string m_path;
    FILE* m_file = nullptr;
    bool m_isFile = false;
    bool m_error = false;
    RQHTTPRequest* m_request = nullptr;
    size_t m_lastRequested = 0;
};

} // namespace pw

#pragma once
// A reply body read from a file on a queue of its own: the connection asks,
// the read happens off its queue, and the response tells the connection when
// the data is ready.
#include "platform/core/DispatchQueue.h"
#include "platform/core/DispatchSource.h"
#include "transfer/http/HTTPResponse.h"

#include <memory>
#include <mutex>
#include <optional>

namespace pw {

class HTTPConnection;

class HTTPAsyncFileResponse : public HTTPResponse, public std::enable_shared_from_this<HTTPAsyncFileResponse> {
public:
    // nullptr when the file's attributes cannot be read (it is missing).
    static std::shared_ptr<HTTPAsyncFileResponse> create(const std::optional<std::string>& filePath,
                                                         std::weak_ptr<HTTPConnection> connection);
    ~HTTPAsyncFileResponse() override;

    uint64_t contentLength() override { return m_fileLength; }
    uint64_t offset() override;
    void setOffset(uint64_t offset) override;
    std::string readDataOfLength(uint32_t length) override;
    bool isDone() override;
    void connectionDidClose() override;
    bool isAsynchronous() const { return true; }
    const std::string& filePath() const { return m_filePath; }
    void abort();

protected:
    HTTPAsyncFileResponse(std::string filePath, uint64_t fileLength, std::weak_ptr<HTTPConnection> connection);
    // On the read queue, with m_mutex held: turn the buffered bytes into data
    // for the connection. Returns whether the connection should be told.
    virtual void processReadBuffer();
    bool openFileIfNeeded();
    // Opens the file and makes the read source on it, suspended.
    bool openFileAndSetupReadSource();
    // On the read queue: the source runs only between a request of the
    // connection and the delivery of its bytes.
    void pauseReadSource();
    void resumeReadSource();
    void cancelReadSource();
    void readOnQueue();
    // With m_mutex held: bytes read and not yet handed to the connection.
    bool hasDataWaiting() const;
    void tellConnection();

    // Guarded by m_mutex (read queue and connection queue both touch them).
    std::mutex m_mutex;
    std::weak_ptr<HTTPConnection> m_connection;
    std::string m_filePath;
    uint64_t m_fileLength = 0;
    uint64_t m_fileOffset = 0; // handed to the connection
    uint64_t m_readOffset = 0; // read from the file
    bool m_aborted = false;
    std::optional<std::string> m_data;
    int m_fileFD = -1;
    std::string m_readBuffer; // bytes read and not yet handed out
    uint32_t m_readRequestLength = 0;
    std::shared_ptr<core::DispatchQueue> m_readQueue = core::DispatchQueue::create("HTTPAsyncFileResponse");
    std::shared_ptr<core::DispatchSource> m_readSource;
    bool m_readSourceSuspended = false;
};

} // namespace pw

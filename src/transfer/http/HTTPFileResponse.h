#pragma once
// A reply body read from a file piece by piece, so a file of any size goes
// out in bounded memory; or, made by create(), handed to the connection as
// the open file itself, to be sent without passing through this process.
#include "transfer/http/HTTPResponse.h"

#include <memory>
#include <optional>

namespace pw {

class HTTPConnection;

class HTTPFileResponse : public HTTPResponse, public std::enable_shared_from_this<HTTPFileResponse> {
public:
    // nullptr when the file's attributes cannot be read (it is missing), or
    // when it is a folder.
    static std::shared_ptr<HTTPFileResponse> create(const std::optional<std::string>& filePath,
                                                    std::weak_ptr<HTTPConnection> connection);
    // For a regular file whose length the caller has just looked up.
    static std::shared_ptr<HTTPFileResponse> create(std::string filePath, uint64_t fileLength,
                                                    std::weak_ptr<HTTPConnection> connection);
    ~HTTPFileResponse() override;

    uint64_t contentLength() override { return m_fileLength; }
    uint64_t offset() override { return m_fileOffset; }
    void setOffset(uint64_t offset) override;
    std::string readDataOfLength(uint32_t length) override;
    bool isDone() override { return m_fileOffset == m_fileLength; }

    // The file itself, for responses made by create(); a subclass, which may
    // shape what readDataOfLength hands out, answers nullptr.
    std::shared_ptr<const core::UniqueFd> fileForSending() override;

    const std::string& filePath() const { return m_filePath; }
    void abort();

protected:
    HTTPFileResponse(std::string filePath, uint64_t fileLength, std::weak_ptr<HTTPConnection> connection);
    bool openFileIfNeeded();
    bool openFile();

private:
    std::weak_ptr<HTTPConnection> m_connection;
    std::string m_filePath;
    uint64_t m_fileLength = 0;
    uint64_t m_fileOffset = 0;
    bool m_aborted = false;
    bool m_sendsFromFile = false;
    std::shared_ptr<core::UniqueFd> m_file = std::make_shared<core::UniqueFd>();
};

} // namespace pw

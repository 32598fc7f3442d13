#pragma once
// A text file served with its placeholders (a name between two separators)
// replaced by values. The length changes, so the reply is chunked and byte
// ranges are not served.
#include "transfer/http/HTTPAsyncFileResponse.h"

#include <map>

namespace pw {

class HTTPDynamicFileResponse : public HTTPAsyncFileResponse {
public:
    static std::shared_ptr<HTTPDynamicFileResponse> create(const std::optional<std::string>& filePath,
                                                           std::weak_ptr<HTTPConnection> connection,
                                                           const std::string& separator,
                                                           std::map<std::string, std::string> replacements);

    bool isChunked() override { return true; }
    uint64_t contentLength() override { return 0; }
    void setOffset(uint64_t) override {}
    bool isDone() override;

protected:
    using HTTPAsyncFileResponse::HTTPAsyncFileResponse;
    void processReadBuffer() override;

private:
    std::string m_separator;
    std::map<std::string, std::string> m_replacementDict;
};

} // namespace pw

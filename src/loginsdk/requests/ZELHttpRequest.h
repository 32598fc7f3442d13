#pragma once
// The account kit's own minimal HTTP client: one GET of one URL, blocking or
// with its answer on the calling thread's run loop, with a time-out and the
// service's charset rule ("gb2312" answers are GB18030).
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {
namespace net {
class UrlConnection;
}

class ZELHttpRequest : public std::enable_shared_from_this<ZELHttpRequest> {
public:
    using Handler = std::function<void(ZELHttpRequest&)>;

    static std::shared_ptr<ZELHttpRequest> initWithURL(std::string url);
    explicit ZELHttpRequest(std::string url) : m_url(std::move(url)) {}

    void setTimeOutSeconds(unsigned seconds) { m_timeOutSeconds = seconds; }
    unsigned timeOutSeconds() const { return m_timeOutSeconds; }
    void setDidFinish(Handler h) { m_finish = std::move(h); }
    void setDidFail(Handler h) { m_fail = std::move(h); }

    // The answer is read as UTF-8, whatever the charset.
    void startSynchronous();
    // A time-out of 0 becomes 12 seconds. The request keeps itself alive
    // until its handler has run.
    void startAsynchronous();
    void cancel();
    // The platform's network activity indicator, on and off.
    static void showNetStatus();
    static void hiddenNetStatus();

    const std::string& url() const { return m_url; }
    const std::string& responseData() const { return m_responseData; }
    // nullopt when the bytes do not decode in the answer's encoding.
    const std::optional<std::string>& responseString() const { return m_responseString; }
    const std::string& responseEncoding() const { return m_responseEncoding; }
    // The transport failure's text and code; nullopt when an answer came.
    const std::optional<std::string>& error() const { return m_error; }
    int errorCode() const { return m_errorCode; }

private:
    std::string m_url;
    unsigned m_timeOutSeconds = 0;
    std::string m_responseData;
    std::optional<std::string> m_responseString;
    std::string m_responseEncoding = "UTF-8";
    std::optional<std::string> m_error;
    int m_errorCode = 0;
    Handler m_finish, m_fail;
    std::shared_ptr<net::UrlConnection> m_connection;
};

} // namespace pw

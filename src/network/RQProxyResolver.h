#pragma once
#include "platform/net/Url.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {

class RQHTTPRequest;

// Chooses the proxy a request goes through: the system settings, or the
// proxy auto-configuration script they (or the caller) name, fetched over
// HTTP or read from a local file and run with a time limit.
class RQProxyResolver {
public:
    struct Choice {
        std::string host;
        int port = 0;
        std::string type; // "HTTP", "HTTPS" or "SOCKS"
    };
    using Done = std::function<void(std::optional<Choice>)>;

    // The system settings' proxy for url; or, when they name a script,
    // nothing with pacUrl set to its address.
    static std::optional<Choice> fromSettings(const net::Url& url, std::string& pacUrl);
    // The script's first answer for url; nothing means going direct.
    static std::optional<Choice> fromScript(const std::string& script, const net::Url& url, double timeOutSeconds);

    // Runs the script at pacUrl for url and hands done the choice (nothing:
    // go direct). A local script or an unusable address answers before this
    // returns; one over HTTP answers on the network thread, unless cancelled.
    void resolve(const std::string& pacUrl, const net::Url& url, double timeOutSeconds, Done done);
    // Stops a fetch on its way; its answer never comes.
    void cancel();
    // The fetch has answered: forget it.
    void fetchAnswered() {
        m_request.reset();
        m_fileRead.reset();
    }

private:
    // A local script being read, a piece at a time, on the network thread.
    struct FileRead {
        int fd = -1;
        std::string data;
        uint64_t timer = 0;
        net::Url url;
        double timeOutSeconds = 0;
        Done done;
    };
    static void widenSharedQueue(int by);
    void fetchPACFile(const std::string& path, const net::Url& url, double timeOutSeconds, Done done);
    static void handleEvent(const std::shared_ptr<FileRead>& read);
    static void timeOutPACRead(const std::shared_ptr<FileRead>& read);
    static void finishPACRead(const std::shared_ptr<FileRead>& read, bool ended);

    std::shared_ptr<FileRead> m_fileRead;

    std::shared_ptr<RQHTTPRequest> m_request;
};

} // namespace pw

#pragma once
// Publishes one DNS service-discovery record (name, type, domain, port, TXT)
// through the Avahi daemon. Without a daemon publishing fails at once and
// says so; the caller carries on without it.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace pw::net {

class ServicePublisher {
public:
    using TxtRecord = std::vector<std::pair<std::string, std::string>>;
    // Called on the publishing thread: true once published, false with the reason.
    using ResultHandler = std::function<void(bool published, const std::string& error)>;

    ServicePublisher();
    ~ServicePublisher();
    ServicePublisher(const ServicePublisher&) = delete;
    ServicePublisher& operator=(const ServicePublisher&) = delete;

    // An empty name uses the host's name; a domain of "local." or "" the default.
    // false (with the reason) when publishing cannot start.
    bool publish(const std::string& name, const std::string& type, const std::string& domain, uint16_t port,
                 const TxtRecord& txt, ResultHandler handler, std::string* error);
    void setTxtRecord(const TxtRecord& txt);
    std::string publishedName() const;
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pw::net

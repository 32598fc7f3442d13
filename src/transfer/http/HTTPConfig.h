#pragma once
// What a connection learns of its server when it is made.
#include "platform/core/DispatchQueue.h"

#include <memory>
#include <string>

namespace pw {

class HTTPServer;

class HTTPConfig {
public:
    // The document root is standardized ("." and ".." resolved, trailing
    // separators removed).
    HTTPConfig(std::weak_ptr<HTTPServer> server, std::string documentRoot,
               std::shared_ptr<core::DispatchQueue> queue = nullptr);

    std::shared_ptr<HTTPServer> server() const { return m_server.lock(); }
    const std::string& documentRoot() const { return m_documentRoot; }
    // The root with symbolic links resolved (as given when it cannot be).
    const std::string& realDocumentRoot() const { return m_realDocumentRoot; }
    const std::shared_ptr<core::DispatchQueue>& queue() const { return m_queue; }

    static std::string standardizePath(const std::string& path);

private:
    std::weak_ptr<HTTPServer> m_server;
    std::string m_documentRoot;
    std::string m_realDocumentRoot;
    std::shared_ptr<core::DispatchQueue> m_queue;
};

} // namespace pw

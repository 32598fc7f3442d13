#include "fakesite/HttplibServer.h"

#include <httplib.h>

#include <chrono>
#include <strings.h>

namespace pw::fakesite {

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return v;
    return {};
}

HttplibServer::HttplibServer() : m_server(std::make_unique<httplib::Server>()) {
    m_server->set_keep_alive_max_count(100000);
    m_server->set_keep_alive_timeout(30);
    m_server->set_tcp_nodelay(true);
    m_server->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        RecordedRequest r;
        r.method = req.method;
        r.path = req.target;
        for (const auto& [n, v] : req.headers)
            r.headers.emplace_back(n, v);
        r.body = req.body;
        r.remotePort = req.remote_port;
        std::lock_guard lock(m_mutex);
        m_requests.push_back(std::move(r));
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

HttplibServer::~HttplibServer() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

void HttplibServer::start() {
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string HttplibServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<RecordedRequest> HttplibServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace pw::fakesite

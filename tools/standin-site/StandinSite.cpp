#include "StandinSite.h"

#include "Catalogue.h"
#include "endpoints/Endpoints.h"
#include "fakeaccount/FakeAccountService.h"

#include <httplib.h>

#include <chrono>
#include <fstream>

namespace pw::standin {
namespace {

constexpr Host kServedHosts[] = {Host::Interface,   Host::File,  Host::Image,
                                 Host::Interaction, Host::Store, Host::Statistics, Host::Mobile};

// Every group of endpoints; a new group adds its line here.
constexpr void (*kEndpointGroups[])(StandinSite&) = {
    registerLoginEndpoints,    registerBookEndpoints,        registerAccountEndpoints,  registerStoreEndpoints,
    registerPurchaseEndpoints, registerInteractionEndpoints, registerFeedbackEndpoints,
};

std::string escapeRegex(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (std::string_view(".^$|()[]{}*+?\\").find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

struct StandinSite::HostServer {
    httplib::Server server;
    std::thread thread;
    int port = 0;
};

std::string Recorded::param(const std::string& key) const {
    auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
}

Reply Reply::text(int status, std::string body, std::string contentType) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    r.contentType = std::move(contentType);
    return r;
}

Reply Reply::stall(double seconds, bool thenAnswer) {
    Reply r;
    r.stallSeconds = seconds;
    r.passThrough = thenAnswer;
    return r;
}

Reply Reply::drop(std::string body, long afterBytes) {
    Reply r;
    r.body = std::move(body);
    r.dropAfterBytes = afterBytes;
    return r;
}

std::string StandinSite::Call::param(const std::string& key) const {
    return request.get_param_value(key);
}
bool StandinSite::Call::hasParam(const std::string& key) const {
    return request.has_param(key);
}

StandinSite::StandinSite() : StandinSite(Options{}) {}

StandinSite::StandinSite(Options options) : m_options(std::move(options)) {
    if (m_options.poetry.empty())
        m_options.poetry = Catalogue::defaultPoetryFolder();
    if (m_options.covers.empty()) {
        if (const char* env = std::getenv("PW_STANDIN_COVERS"); env && *env)
            m_options.covers = env;
#ifdef PW_STANDIN_COVERS
        else
            m_options.covers = PW_STANDIN_COVERS;
#endif
    }
    m_catalogue = std::make_unique<Catalogue>(m_options.poetry);
    m_account = std::make_unique<test::FakeAccountService>();
    m_account->accounts[kReaderName] = kReaderPassword;
    m_account->log = m_options.log;
    // The account service's own session ids belong to the reader.
    for (const char* id : {"S-100", "S-200", "S-300"})
        m_sessionIds[id] = kReaderId;
    // Accounts registered on the account service become new readers of the site.
    m_account->onRegistered = [this](const std::string&, const std::string& sessionId) {
        std::lock_guard lock(m_mutex);
        const int64_t user = kReaderId + 1 + static_cast<int64_t>(m_sessionIds.size());
        m_sessionIds[sessionId] = user;
    };
    m_hosts.resize(SiteHosts::kServiceCount);
    for (Host h : kServedHosts)
        m_hosts[static_cast<size_t>(h)] = std::make_unique<HostServer>();
    for (auto group : kEndpointGroups)
        group(*this);
    start();
}

StandinSite::~StandinSite() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopCv.notify_all();
    for (auto& h : m_hosts)
        if (h)
            h->server.stop();
    for (auto& h : m_hosts)
        if (h && h->thread.joinable())
            h->thread.join();
}

void StandinSite::start() {
    for (Host host : kServedHosts) {
        auto& h = *m_hosts[static_cast<size_t>(host)];
        // Anything else is recorded and answered 404 (or scripted).
        auto notFound = [](const Call&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not found", "text/plain");
        };
        add(host, "GET", ".*", notFound);
        add(host, "POST", ".*", notFound);
        h.server.set_keep_alive_max_count(1000);
        // An idle kept-alive connection holds a worker; a short wait lets the
        // site stop promptly.
        h.server.set_keep_alive_timeout(1);
        // Head and body leave in separate writes: without this each answer
        // waits for the client's delayed acknowledgement.
        h.server.set_tcp_nodelay(true);
        h.port = h.server.bind_to_any_port("127.0.0.1");
        h.thread = std::thread([&h] { h.server.listen_after_bind(); });
    }
    for (Host host : kServedHosts)
        while (!m_hosts[static_cast<size_t>(host)]->server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string StandinSite::baseUrl(Host host) const {
    if (host == Host::Account)
        return m_account->baseUrl();
    return "http://127.0.0.1:" + std::to_string(m_hosts[static_cast<size_t>(host)]->port);
}

void StandinSite::pointApp() const {
    for (int i = 0; i < SiteHosts::kServiceCount; ++i)
        SiteHosts::set(static_cast<Host>(i), baseUrl(static_cast<Host>(i)));
}

std::string StandinSite::siteHostsPlist() const {
    // The marker tells scripts/run.sh this file is the stand-in's, not the user's.
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written by standin-site -->\n"
                      "<plist version=\"1.0\">\n<dict>\n";
    for (int i = 0; i < SiteHosts::kServiceCount; ++i) {
        const Host h = static_cast<Host>(i);
        out += "\t<key>" + std::string(SiteHosts::key(h)) + "</key>\n\t<string>" + baseUrl(h) + "</string>\n";
    }
    return out + "</dict>\n</plist>\n";
}

bool StandinSite::writeSiteHosts(const std::filesystem::path& file) const {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const auto tmp = file.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << siteHostsPlist();
        if (!out)
            return false;
    }
    std::filesystem::rename(tmp, file, ec);
    return !ec;
}

void StandinSite::get(Host host, const std::string& path, Handler handler) {
    add(host, "GET", escapeRegex(path), std::move(handler));
}

void StandinSite::post(Host host, const std::string& path, Handler handler) {
    add(host, "POST", escapeRegex(path), std::move(handler));
}

void StandinSite::getMatching(Host host, const std::string& pattern, Handler handler) {
    add(host, "GET", pattern, std::move(handler));
}

void StandinSite::add(Host host, const std::string& method, const std::string& pattern, Handler handler) {
    auto& slot = m_hosts.at(static_cast<size_t>(host));
    if (!slot)
        return; // the account service has endpoints of its own
    auto wrapped = [this, host, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
        serve(host, handler, req, res);
    };
    if (method == "GET")
        slot->server.Get(pattern, wrapped);
    else
        slot->server.Post(pattern, wrapped);
}

void StandinSite::serve(Host host, const Handler& handler, const httplib::Request& req, httplib::Response& res) {
    Recorded r;
    r.host = host;
    r.method = req.method;
    r.path = req.path;
    r.target = req.target;
    for (const auto& [k, v] : req.params)
        r.params.emplace(k, v);
    for (const auto& [k, v] : req.headers)
        r.headers[lower(k)] = v;
    r.body = req.body;
    size_t index;
    {
        std::lock_guard lock(m_mutex);
        index = m_requests.size();
        m_requests.push_back(r);
    }
    std::optional<Reply> scripted = takeScript(host, req.path);
    if (scripted && scripted->stallSeconds > 0)
        waitOrStop(scripted->stallSeconds);
    if (!scripted || scripted->passThrough) {
        handler(Call{req, userOf(req), *this}, res);
    } else {
        res.status = scripted->status;
        for (const auto& [k, v] : scripted->headers)
            res.set_header(k, v);
        if (scripted->dropAfterBytes >= 0) {
            auto body = std::make_shared<std::string>(scripted->body);
            const size_t cut = std::min(body->size(), static_cast<size_t>(scripted->dropAfterBytes));
            res.set_content_provider(body->size(), scripted->contentType,
                                     [body, cut](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset < cut)
                                             sink.write(body->data() + offset, cut - offset);
                                         return false; // the connection ends here
                                     });
        } else {
            res.set_content(scripted->body, scripted->contentType);
        }
    }
    const int status = res.status == -1 ? 200 : res.status; // httplib's "not set yet" is a 200
    {
        std::lock_guard lock(m_mutex);
        m_requests[index].status = status;
    }
    if (m_options.log)
        m_options.log(std::string(SiteHosts::key(host)) + " " + req.method + " " + req.target + " -> " +
                      std::to_string(status));
}

void StandinSite::script(Host host, const std::string& path, Reply reply, int times) {
    std::lock_guard lock(m_mutex);
    auto& queue = m_scripts[{host, path}];
    for (int i = 0; i < times; ++i)
        queue.push_back(reply);
}

void StandinSite::clearScripts() {
    std::lock_guard lock(m_mutex);
    m_scripts.clear();
}

std::optional<Reply> StandinSite::takeScript(Host host, const std::string& path) {
    std::lock_guard lock(m_mutex);
    auto it = m_scripts.find({host, path});
    if (it == m_scripts.end() || it->second.empty())
        return std::nullopt;
    Reply r = std::move(it->second.front());
    it->second.pop_front();
    return r;
}

std::vector<Recorded> StandinSite::requests(std::optional<Host> host, const std::string& path) const {
    std::lock_guard lock(m_mutex);
    std::vector<Recorded> out;
    for (const auto& r : m_requests)
        if ((!host || r.host == *host) && (path.empty() || r.path == path))
            out.push_back(r);
    return out;
}

void StandinSite::clearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void StandinSite::acceptSessionId(const std::string& sessionId, int64_t userId) {
    std::lock_guard lock(m_mutex);
    m_sessionIds[sessionId] = userId;
}

std::optional<int64_t> StandinSite::userForSessionId(const std::string& sessionId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_sessionIds.find(sessionId);
    return it == m_sessionIds.end() ? std::nullopt : std::optional<int64_t>(it->second);
}

std::string StandinSite::openSession(int64_t userId) {
    std::lock_guard lock(m_mutex);
    std::string token = "s" + std::to_string(m_nextSession++) + "x" + std::to_string(userId);
    m_sessions[token] = userId;
    return token;
}

std::optional<int64_t> StandinSite::userOf(const httplib::Request& request) const {
    const std::string cookies = request.get_header_value("Cookie");
    const std::string key = std::string(kSessionCookie) + "=";
    size_t at = 0;
    while ((at = cookies.find(key, at)) != std::string::npos) {
        if (at == 0 || cookies[at - 1] == ' ' || cookies[at - 1] == ';') {
            const size_t start = at + key.size();
            const size_t end = cookies.find(';', start);
            const std::string token = cookies.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::lock_guard lock(m_mutex);
            if (auto it = m_sessions.find(token); it != m_sessions.end())
                return it->second;
            return std::nullopt;
        }
        at += key.size();
    }
    return std::nullopt;
}

std::set<int64_t> StandinSite::purchases(int64_t userId, int64_t bookId) const {
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_purchases.find({userId, bookId}); it != m_purchases.end())
            return it->second;
    }
    // The reader starts out owning the first two paid chapters of every book.
    std::set<int64_t> bought;
    if (userId == kReaderId)
        if (const Book* book = m_catalogue->book(bookId))
            for (const auto& c : book->chapters)
                if (c.vip && c.price > 0 && bought.size() < 2)
                    bought.insert(c.id);
    return bought;
}

void StandinSite::setPurchases(int64_t userId, int64_t bookId, std::set<int64_t> chapterIds) {
    std::lock_guard lock(m_mutex);
    m_purchases[{userId, bookId}] = std::move(chapterIds);
}

void StandinSite::waitOrStop(double seconds) {
    std::unique_lock lock(m_stopMutex);
    m_stopCv.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_stopping; });
}

const std::filesystem::path& StandinSite::coversFolder() const {
    return m_options.covers;
}

} // namespace pw::standin

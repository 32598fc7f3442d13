#pragma once
// Our stand-in for the site: its interface, file, image, interaction, store
// and statistics hosts, each a cpp-httplib server on its own free port of
// 127.0.0.1, and the account service beside them. Tests start one in-process
// and point the app at it (pointApp); scripts/run.sh starts the standin-site
// program, which writes a SiteHosts.plist for the app's Library folder.
//
// It keeps a session per cookie (made by the login validation), serves the
// catalogue (Catalogue.h), answers from per-test scripts where a test needs an
// exact answer, and records every request with the status it got.
//
// Adding endpoints: write a file endpoints/<Group>Endpoints.cpp with one
// function `void register<Group>Endpoints(StandinSite& site)` that calls
// site.get(...) / site.post(...) for each path, declare it in Endpoints.h and
// add it to the list in StandinSite.cpp (kEndpointGroups). A handler gets the
// Call (the request, the session's user, the site) and fills the httplib
// response. State of a group's own lives in a struct of that file, reached
// through site.extension<T>() under site.lock(). Scripts and recording wrap
// every handler; nothing else is needed.
#include "foundation/hosts/SiteHosts.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <typeindex>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace pw::test {
class FakeAccountService;
}

namespace pw::standin {

class Catalogue;
using Host = SiteHosts::Service;

// One request as it reached a host.
struct Recorded {
    Host host = Host::Interface;
    std::string method;
    std::string path;   // without the query
    std::string target; // path and query exactly as sent
    std::multimap<std::string, std::string> params;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    int status = 0; // 0 while it is being answered
    std::string param(const std::string& key) const;
};

// An exact answer a test puts in place of the next one (or more) at a path.
struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers;
    double stallSeconds = 0;  // waits this long (or until the site stops) before answering
    long dropAfterBytes = -1; // >= 0: announces the whole body, sends this many bytes, closes
    bool passThrough = false; // after the stall, the ordinary handler answers

    static Reply text(int status, std::string body, std::string contentType = "text/plain; charset=utf-8");
    static Reply json(std::string body) { return text(200, std::move(body), "application/json; charset=utf-8"); }
    static Reply stall(double seconds, bool thenAnswer = true);
    static Reply drop(std::string body, long afterBytes);
};

class StandinSite {
public:
    struct Call {
        const httplib::Request& request;
        std::optional<int64_t> userId; // the session's user, nullopt when not logged in
        StandinSite& site;
        std::string param(const std::string& key) const;
        bool hasParam(const std::string& key) const;
    };
    using Handler = std::function<void(const Call&, httplib::Response&)>;

    struct Options {
        // The chinese-poetry package folder (holding dist/); empty: the build's default.
        std::filesystem::path poetry;
        // Covers drawn at build time, <id>.jpg; empty: the build's default.
        std::filesystem::path covers;
        // Requests logged as one line each ("host METHOD target -> status").
        std::function<void(const std::string&)> log;
    };

    StandinSite();
    explicit StandinSite(Options options);
    ~StandinSite();
    StandinSite(const StandinSite&) = delete;
    StandinSite& operator=(const StandinSite&) = delete;

    // "http://127.0.0.1:<port>" of each host.
    std::string baseUrl(Host host) const;
    // Points this process's SiteHosts at the stand-in.
    void pointApp() const;
    // The SiteHosts.plist text naming every host; writeSiteHosts writes it to a file.
    std::string siteHostsPlist() const;
    bool writeSiteHosts(const std::filesystem::path& file) const;

    // ---- endpoints (see the header comment)
    void get(Host host, const std::string& path, Handler handler);
    void post(Host host, const std::string& path, Handler handler);
    // A path pattern (ECMAScript regex over the whole path); the handler reads
    // the groups from Call::request.matches.
    void getMatching(Host host, const std::string& pattern, Handler handler);

    // ---- scripts: the next `times` requests at host+path get this reply
    void script(Host host, const std::string& path, Reply reply, int times = 1);
    void clearScripts();

    // ---- what came in
    std::vector<Recorded> requests(std::optional<Host> host = std::nullopt, const std::string& path = {}) const;
    size_t count(Host host, const std::string& path) const { return requests(host, path).size(); }
    void clearRequests();

    // ---- accounts and sessions
    static constexpr int64_t kReaderId = 1000001; // the account "reader"
    static constexpr const char* kReaderName = "reader";
    // The nickname the site shows for a user everywhere: the login's user
    // information and the store's profile.
    static std::string nickNameOf(int64_t userId) { return "读者" + std::to_string(userId); }
    static constexpr const char* kReaderPassword = "shijing305";
    static constexpr const char* kSessionCookie = "PWSESSION";
    // An account-service session id the login validation accepts for a user.
    void acceptSessionId(const std::string& sessionId, int64_t userId);
    std::optional<int64_t> userForSessionId(const std::string& sessionId) const;
    // A site session for the user; answers the cookie value.
    std::string openSession(int64_t userId);
    std::optional<int64_t> userOf(const httplib::Request& request) const;
    // Chapters the user has bought, per book.
    std::set<int64_t> purchases(int64_t userId, int64_t bookId) const;
    void setPurchases(int64_t userId, int64_t bookId, std::set<int64_t> chapterIds);

    const Catalogue& catalogue() const { return *m_catalogue; }
    // Covers drawn at build time (<book id>.jpg); may be empty.
    const std::filesystem::path& coversFolder() const;
    test::FakeAccountService& account() { return *m_account; }

    // A group's own state (made on first use); hold lock() while using it.
    template <typename T>
    T& extension() {
        auto& slot = m_extensions[std::type_index(typeid(T))];
        if (!slot)
            slot = std::shared_ptr<void>(new T(), [](void* p) { delete static_cast<T*>(p); });
        return *static_cast<T*>(slot.get());
    }
    std::recursive_mutex& lock() const { return m_mutex; }

    // Waits up to `seconds`, returning early when the site stops (stalled answers).
    void waitOrStop(double seconds);

private:
    struct HostServer;
    void add(Host host, const std::string& method, const std::string& path, Handler handler);
    void serve(Host host, const Handler& handler, const httplib::Request& req, httplib::Response& res);
    std::optional<Reply> takeScript(Host host, const std::string& path);
    void start();

    Options m_options;
    std::unique_ptr<Catalogue> m_catalogue;
    std::unique_ptr<test::FakeAccountService> m_account;
    std::vector<std::unique_ptr<HostServer>> m_hosts; // indexed by Host, Account left empty
    mutable std::recursive_mutex m_mutex;
    std::vector<Recorded> m_requests;
    std::map<std::pair<Host, std::string>, std::deque<Reply>> m_scripts;
    std::map<std::string, int64_t> m_sessionIds; // account-service session id -> user
    std::map<std::string, int64_t> m_sessions;   // cookie -> user
    std::map<std::pair<int64_t, int64_t>, std::set<int64_t>> m_purchases;
    std::map<std::type_index, std::shared_ptr<void>> m_extensions;
    std::mutex m_stopMutex;
    std::condition_variable m_stopCv;
    bool m_stopping = false;
    uint64_t m_nextSession = 1;
};

} // namespace pw::standin

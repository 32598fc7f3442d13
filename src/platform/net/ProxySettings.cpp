#include "platform/net/ProxySettings.h"

#include "platform/net/HeaderText.h"

#include <duktape.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

namespace pw::net {
namespace {

std::mutex g_settingsMutex;
std::optional<SystemProxySettings> g_override;

std::optional<ProxyEntry> entryFromEnv(const char* name, ProxyEntry::Type type) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        return std::nullopt;
    std::string text = v;
    if (text.find("://") == std::string::npos)
        text = "http://" + text;
    auto url = Url::parse(text);
    if (!url || url->host().empty())
        return std::nullopt;
    ProxyEntry e;
    e.type = url->scheme().rfind("socks", 0) == 0 ? ProxyEntry::Type::Socks : type;
    e.host = url->host();
    e.port = url->port().value_or(e.type == ProxyEntry::Type::Socks ? 1080 : 8080);
    return e;
}

SystemProxySettings fromEnvironment() {
    SystemProxySettings s;
    s.http = entryFromEnv("http_proxy", ProxyEntry::Type::Http);
    if (!s.http)
        s.http = entryFromEnv("HTTP_PROXY", ProxyEntry::Type::Http);
    s.https = entryFromEnv("https_proxy", ProxyEntry::Type::Https);
    if (!s.https)
        s.https = entryFromEnv("HTTPS_PROXY", ProxyEntry::Type::Https);
    s.socks = entryFromEnv("all_proxy", ProxyEntry::Type::Socks);
    const char* np = std::getenv("no_proxy");
    if (!np)
        np = std::getenv("NO_PROXY");
    if (np) {
        std::stringstream in(np);
        std::string item;
        while (std::getline(in, item, ','))
            if (!item.empty())
                s.exceptions.push_back(asciiLower(item));
    }
    return s;
}

bool isLoopback(const std::string& host) {
    if (host == "localhost" || host == "::1")
        return true;
    in_addr a{};
    return inet_pton(AF_INET, host.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

// ---- the script's side, run in the child process ----

// A bump allocator over one private mapping: after fork() in a threaded
// process the C library's allocator may be locked by another thread, so the
// child allocates only from memory of its own.
struct Arena {
    char* base = nullptr;
    size_t size = 0;
    size_t used = 0;
};

void* arenaAlloc(void* udata, duk_size_t size) {
    auto* a = static_cast<Arena*>(udata);
    size_t need = (size + 16 + 15) & ~size_t(15);
    if (a->used + need > a->size)
        return nullptr;
    char* p = a->base + a->used;
    a->used += need;
    std::memcpy(p, &size, sizeof(size_t));
    return p + 16;
}

void* arenaRealloc(void* udata, void* ptr, duk_size_t size) {
    if (!ptr)
        return arenaAlloc(udata, size);
    if (size == 0)
        return nullptr;
    size_t old = 0;
    std::memcpy(&old, static_cast<char*>(ptr) - 16, sizeof(size_t));
    if (size <= old)
        return ptr;
    void* n = arenaAlloc(udata, size);
    if (n)
        std::memcpy(n, ptr, old);
    return n;
}

void arenaFree(void*, void*) {}

void fatal(void*, const char*) {
    _exit(3);
}

// The usual PAC helpers. Name look-ups are not made: only literal addresses resolve.
const char* kPacHelpers = R"JS(
function isPlainHostName(h) { return h.indexOf('.') < 0; }
function dnsDomainIs(h, d) { return h.length >= d.length && h.substring(h.length - d.length) == d; }
function localHostOrDomainIs(h, hd) { return h == hd || (h.indexOf('.') < 0 && hd.indexOf(h + '.') == 0); }
function isResolvable(h) { return dnsResolve(h) !== null; }
function dnsDomainLevels(h) { return h.split('.').length - 1; }
function shExpMatch(s, p) {
  var r = '^' + p.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.') + '$';
  return new RegExp(r).test(s);
}
function __ip(a) { var p = a.split('.'); if (p.length != 4) return null;
  var n = 0; for (var i = 0; i < 4; i++) { var v = parseInt(p[i], 10); if (isNaN(v) || v < 0 || v > 255) return null; n = n * 256 + v; }
  return n; }
function isInNet(h, pat, mask) {
  var a = __ip(dnsResolve(h) || ''); var p = __ip(pat); var m = __ip(mask);
  if (a === null || p === null || m === null) return false;
  for (var i = 0; i < 4; i++) { var d = Math.pow(256, 3 - i);
    if ((Math.floor(a / d) % 256 & Math.floor(m / d) % 256) != (Math.floor(p / d) % 256 & Math.floor(m / d) % 256)) return false; }
  return true;
}
var __days = ['SUN','MON','TUE','WED','THU','FRI','SAT'];
function weekdayRange(a, b, gmt) {
  if (b === 'GMT') { gmt = b; b = undefined; }
  var d = new Date(); var t = gmt === 'GMT' ? d.getUTCDay() : d.getDay();
  var x = __days.indexOf(a); var y = b === undefined ? x : __days.indexOf(b);
  if (x < 0 || y < 0) return false;
  return x <= y ? (t >= x && t <= y) : (t >= x || t <= y);
}
function timeRange() {
  var args = Array.prototype.slice.call(arguments); var gmt = args[args.length - 1] === 'GMT';
  if (gmt) args.pop();
  var d = new Date(); var h = gmt ? d.getUTCHours() : d.getHours();
  if (args.length == 1) return h == args[0];
  if (args.length == 2) return args[0] <= args[1] ? (h >= args[0] && h < args[1]) : (h >= args[0] || h < args[1]);
  return false;
}
function dateRange() { return false; }
)JS";

duk_ret_t nativeDnsResolve(duk_context* ctx) {
    const char* host = duk_safe_to_string(ctx, 0);
    in_addr a{};
    if (std::strcmp(host, "localhost") == 0) {
        duk_push_string(ctx, "127.0.0.1");
        return 1;
    }
    if (inet_pton(AF_INET, host, &a) == 1) {
        duk_push_string(ctx, host);
        return 1;
    }
    duk_push_null(ctx);
    return 1;
}

duk_ret_t nativeMyIpAddress(duk_context* ctx) {
    duk_push_string(ctx, "127.0.0.1");
    return 1;
}

[[noreturn]] void runChild(int out, const std::string& script, const std::string& url, const std::string& host) {
    Arena arena;
    arena.size = 64u << 20;
    void* m = mmap(nullptr, arena.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED)
        _exit(2);
    arena.base = static_cast<char*>(m);
    duk_context* ctx = duk_create_heap(arenaAlloc, arenaRealloc, arenaFree, &arena, fatal);
    if (!ctx)
        _exit(2);
    duk_push_c_function(ctx, nativeDnsResolve, 1);
    duk_put_global_string(ctx, "dnsResolve");
    duk_push_c_function(ctx, nativeMyIpAddress, 0);
    duk_put_global_string(ctx, "myIpAddress");
    if (duk_peval_string(ctx, kPacHelpers) != 0)
        _exit(2);
    duk_pop(ctx);
    if (duk_peval_lstring(ctx, script.data(), script.size()) != 0)
        _exit(4);
    duk_pop(ctx);
    if (!duk_get_global_string(ctx, "FindProxyForURL") || !duk_is_function(ctx, -1))
        _exit(5);
    duk_push_lstring(ctx, url.data(), url.size());
    duk_push_lstring(ctx, host.data(), host.size());
    if (duk_pcall(ctx, 2) != 0 || !duk_is_string(ctx, -1))
        _exit(6);
    duk_size_t len = 0;
    const char* result = duk_get_lstring(ctx, -1, &len);
    size_t done = 0;
    while (done < len) {
        ssize_t n = write(out, result + done, len - done);
        if (n <= 0)
            _exit(7);
        done += static_cast<size_t>(n);
    }
    _exit(0);
}

} // namespace

SystemProxySettings ProxySettings::systemSettings() {
    std::lock_guard lock(g_settingsMutex);
    if (g_override)
        return *g_override;
    static const SystemProxySettings env = fromEnvironment();
    return env;
}

void ProxySettings::setSystemSettings(std::optional<SystemProxySettings> settings) {
    std::lock_guard lock(g_settingsMutex);
    g_override = std::move(settings);
}

std::vector<ProxyEntry> ProxySettings::proxiesForURL(const Url& url, const SystemProxySettings& settings) {
    std::string host = asciiLower(url.host());
    if (isLoopback(host))
        return {};
    for (const auto& ex : settings.exceptions) {
        if (ex == "*")
            return {};
        std::string suffix = ex[0] == '.' ? ex.substr(1) : ex;
        if (host == suffix ||
            (host.size() > suffix.size() && host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0 &&
             host[host.size() - suffix.size() - 1] == '.'))
            return {};
    }
    if (!settings.autoConfigurationUrl.empty()) {
        ProxyEntry e;
        e.type = ProxyEntry::Type::AutoConfigurationUrl;
        e.autoConfigurationUrl = settings.autoConfigurationUrl;
        return {e};
    }
    if (url.scheme() == "https" && settings.https)
        return {*settings.https};
    if (url.scheme() == "http" && settings.http)
        return {*settings.http};
    if (settings.socks)
        return {*settings.socks};
    return {};
}

std::vector<ProxyEntry> ProxySettings::parsePacResult(const std::string& result) {
    std::vector<ProxyEntry> out;
    std::stringstream in(result);
    std::string item;
    while (std::getline(in, item, ';')) {
        std::stringstream words(item);
        std::string kind, address;
        words >> kind >> address;
        kind = asciiLower(kind);
        if (kind.empty())
            continue;
        ProxyEntry e;
        if (kind == "direct") {
            out.push_back(e);
            continue;
        }
        if (kind == "proxy" || kind == "http")
            e.type = ProxyEntry::Type::Http;
        else if (kind == "https")
            e.type = ProxyEntry::Type::Https;
        else if (kind == "socks" || kind == "socks4" || kind == "socks5")
            e.type = ProxyEntry::Type::Socks;
        else
            continue;
        auto colon = address.rfind(':');
        if (colon == std::string::npos) {
            e.host = address;
            e.port = e.type == ProxyEntry::Type::Socks ? 1080 : 80;
        } else {
            e.host = address.substr(0, colon);
            e.port = std::atoi(address.c_str() + colon + 1);
        }
        if (e.host.empty() || e.port <= 0 || e.port > 65535)
            continue;
        out.push_back(e);
    }
    return out;
}

std::optional<std::string> ProxySettings::evaluatePacScript(const std::string& script, const Url& url,
                                                            double timeLimitSeconds) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    std::string urlText = url.absoluteString();
    std::string host = url.host();
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        runChild(fds[1], script, urlText, host);
    }
    close(fds[1]);
    std::string result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeLimitSeconds);
    bool timedOut = false;
    for (;;) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            timedOut = r == 0;
            break;
        }
        char buf[4096];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

std::optional<std::vector<ProxyEntry>> ProxySettings::proxiesForURLFromScript(const std::string& script, const Url& url,
                                                                              double timeLimitSeconds) {
    auto result = evaluatePacScript(script, url, timeLimitSeconds);
    if (!result)
        return std::nullopt;
    return parsePacResult(*result);
}

} // namespace pw::net

#pragma once
#include "platform/net/Url.h"

#include <optional>
#include <string>
#include <vector>

namespace pw::net {

struct ProxyEntry {
    enum class Type { None, Http, Https, Socks, AutoConfigurationUrl };
    Type type = Type::None;
    std::string host;
    int port = 0;
    std::string autoConfigurationUrl;
};

// The machine's proxy configuration: a PAC address, or fixed proxies with
// exceptions. By default it is read once from the usual environment variables
// (http_proxy, https_proxy, all_proxy, no_proxy); loopback addresses never go
// through a proxy.
struct SystemProxySettings {
    std::string autoConfigurationUrl;
    std::optional<ProxyEntry> http;
    std::optional<ProxyEntry> https;
    std::optional<ProxyEntry> socks;
    std::vector<std::string> exceptions; // host suffixes
};

class ProxySettings {
public:
    static SystemProxySettings systemSettings();
    static void setSystemSettings(std::optional<SystemProxySettings> settings); // nullopt: environment again

    // The proxies to try for url under settings, best first; an empty list means direct.
    static std::vector<ProxyEntry> proxiesForURL(const Url& url, const SystemProxySettings& settings);

    // Runs a proxy auto-configuration script's FindProxyForURL for url in a
    // separate process: the script can reach no file and no network, and it
    // is stopped after timeLimitSeconds. nullopt on a script error or time-out.
    static std::optional<std::string> evaluatePacScript(const std::string& script, const Url& url,
                                                        double timeLimitSeconds = 5.0);
    // "PROXY a:1; SOCKS b:2; DIRECT" as entries (DIRECT is Type::None).
    static std::vector<ProxyEntry> parsePacResult(const std::string& result);
    // Both together: the script's proxies for url; nullopt when the script fails.
    static std::optional<std::vector<ProxyEntry>> proxiesForURLFromScript(const std::string& script, const Url& url,
                                                                          double timeLimitSeconds = 5.0);
};

} // namespace pw::net

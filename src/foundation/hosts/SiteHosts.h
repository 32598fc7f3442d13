#pragma once
// The base addresses (scheme, host and port) of the services the reader talks
// to: the site's interface, file, image, interaction and store hosts, its
// statistics service, the account service and the site's mobile host (the
// pages opened in the browser, such as the recharge page). They come from the bundle's
// SiteHosts.plist; a SiteHosts.plist in the Library folder, when present,
// overrides it entry by entry, so a deployment can point elsewhere without a
// new build.
#include <string>
#include <string_view>

namespace pw {

class SiteHosts {
public:
    enum class Service { Interface, File, Image, Interaction, Store, Statistics, Account, Mobile };
    static constexpr int kServiceCount = 8;

    // "http://host" or "https://host:port", without a trailing slash.
    static std::string baseUrl(Service service);
    // The key of a service in the property list ("interface", "account", ...).
    static std::string_view key(Service service);

    // Replaces one address for the rest of the process (tests point services
    // at a fake server on the loopback interface).
    static void set(Service service, std::string baseUrl);
    // Forgets what was set and read; the next call reads the files again.
    static void reset();
};

} // namespace pw

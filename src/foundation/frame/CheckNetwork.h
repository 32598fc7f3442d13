#pragma once
// A background check that the site's interface host can be reached; when it
// cannot, the user is told so in an alert.
#include <string>

namespace pw {

class CheckNetwork {
public:
    static bool isExistenceNetwork();
    // Starts the check on its own thread and returns at once.
    static void checkNetWork();
    static void doCheckNetWork();
    static void checkNetWorkResult();
    // The host the check asks about: the site's interface host.
    static std::string hostName();
};

} // namespace pw

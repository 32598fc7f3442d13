#pragma once
// The device's IPv4 addresses, for the address the Wi-Fi screen shows.
#include <string>
#include <utility>
#include <vector>

namespace pw {

class IPHelper {
public:
    // Interface name -> dotted IPv4 address, in the system's interface order;
    // a later address of the same interface replaces the earlier one. The
    // loopback interface is included; empty when nothing can be listed.
    using AddressList = std::vector<std::pair<std::string, std::string>>;
    static AddressList listIPAddress();
};

} // namespace pw

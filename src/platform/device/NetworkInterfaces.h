#pragma once
// Addresses of the machine's network interfaces, for the facts the account
// service asks about the device (its hardware address and Wi-Fi address).
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw::device {

class NetworkInterfaces {
public:
    // Twelve upper-case hexadecimal digits of an interface's link-level
    // address: the named one, or (empty name) the first non-loopback interface
    // in name order that has a non-zero address. nullopt when there is none.
    static std::optional<std::string> hardwareAddress(const std::string& name = {});
    // Dotted IPv4 address of the named interface, or of the first non-loopback
    // interface with one; nullopt when there is none.
    static std::optional<std::string> ipv4Address(const std::string& name = {});

    // Every IPv4 address of every interface, loopback included, as (interface
    // name, dotted address) in the system's order; nullopt when the system
    // cannot list its interfaces.
    using AddressList = std::vector<std::pair<std::string, std::string>>;
    static std::optional<AddressList> ipv4Addresses();
    // Stands in for the system's list (tests of screens without a network);
    // an empty function restores it.
    static void setIPv4AddressesProvider(std::function<std::optional<AddressList>()> provider);
};

} // namespace pw::device

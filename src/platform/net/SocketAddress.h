#pragma once
// Socket addresses as byte strings (the system's sockaddr_in / sockaddr_in6
// layout: 16 and 28 bytes), their text forms and the interface look-up used
// when listening.
#include <cstdint>
#include <optional>
#include <string>

struct sockaddr_in;
struct sockaddr_in6;

namespace pw::net {

class SocketAddress {
public:
    static std::string hostFromSockaddr4(const sockaddr_in& addr);
    static std::string hostFromSockaddr6(const sockaddr_in6& addr);
    static uint16_t portFromSockaddr4(const sockaddr_in& addr);
    static uint16_t portFromSockaddr6(const sockaddr_in6& addr);
    // false for a record that is neither a whole IPv4 nor a whole IPv6 address.
    static bool getHostPort(const std::string& address, std::string* host, uint16_t* port);

    static std::string any4(uint16_t port);
    static std::string any6(uint16_t port);
    static std::string loopback4(uint16_t port);
    static std::string loopback6(uint16_t port);

    // Resolves "en0", "192.168.1.5", "localhost", "" (any) and the forms with
    // ":port" (used only when `port` is 0) into an IPv4 and an IPv6 address.
    static void interfaceAddresses(const std::string& description, uint16_t port, std::optional<std::string>* addr4,
                                   std::optional<std::string>* addr6);

    // The local and peer addresses of a descriptor; nullopt when the query fails.
    static std::optional<std::string> localAddress(int fd);
    static std::optional<std::string> peerAddress(int fd);
};

} // namespace pw::net

#pragma once
// The error values every failure of the asynchronous socket carries.
#include <string>

namespace pw {

struct SocketError {
    static constexpr const char* kDomain = "AsyncTcpSocketErrorDomain";
    static constexpr const char* kPosixDomain = "NSPOSIXErrorDomain";
    enum Code {
        NoError = 0,
        BadConfigError = 1,
        BadParamError = 2,
        ConnectTimeoutError = 3,
        ReadTimeoutError = 4,
        WriteTimeoutError = 5,
        ReadMaxedOutError = 6,
        ClosedError = 7,
        OtherError = 8,
    };

    std::string domain;
    int code = 0;
    std::string description;
    std::string failureReason;

    static SocketError badConfigError(std::string text);
    static SocketError badParamError(std::string text);
    static SocketError connectTimeoutError();
    static SocketError readTimeoutError();
    static SocketError writeTimeoutError();
    static SocketError readMaxedOutError();
    static SocketError connectionClosedError();
    static SocketError otherError(std::string text);
    // From the current errno.
    static SocketError errnoErrorWithReason(std::string reason);
    static SocketError errnoError();
    static SocketError gaiError(int code);
    static SocketError sslError(int code);

    bool isSocketDomain(int c) const { return domain == kDomain && code == c; }
};

} // namespace pw

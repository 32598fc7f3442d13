#include "transfer/socket/SocketError.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace pw {

namespace {
SocketError make(int code, std::string text) {
    return SocketError{SocketError::kDomain, code, std::move(text), {}};
}
} // namespace

SocketError SocketError::badConfigError(std::string text) {
    return make(BadConfigError, std::move(text));
}
SocketError SocketError::badParamError(std::string text) {
    return make(BadParamError, std::move(text));
}
SocketError SocketError::connectTimeoutError() {
    return make(ConnectTimeoutError, "Attempt to connect to host timed out");
}
SocketError SocketError::readTimeoutError() {
    return make(ReadTimeoutError, "Read operation timed out");
}
SocketError SocketError::writeTimeoutError() {
    return make(WriteTimeoutError, "Write operation timed out");
}
SocketError SocketError::readMaxedOutError() {
    return make(ReadMaxedOutError, "Read operation reached set maximum length");
}
SocketError SocketError::connectionClosedError() {
    return make(ClosedError, "Socket closed by remote peer");
}
SocketError SocketError::otherError(std::string text) {
    return make(OtherError, std::move(text));
}

SocketError SocketError::errnoErrorWithReason(std::string reason) {
    int e = errno;
    return SocketError{kPosixDomain, e, std::strerror(e), std::move(reason)};
}

SocketError SocketError::errnoError() {
    int e = errno;
    return SocketError{kPosixDomain, e, std::strerror(e), {}};
}

SocketError SocketError::gaiError(int code) {
    return SocketError{"kCFStreamErrorDomainNetDB", code, ::gai_strerror(code), {}};
}

SocketError SocketError::sslError(int code) {
    return SocketError{"kCFStreamErrorDomainSSL", code, "TLS failure", {}};
}

} // namespace pw

#pragma once
#include <memory>
#include <string>

namespace pw {

inline constexpr const char* NetworkRequestErrorDomain = "RQHTTPRequestErrorDomain";

enum RQNetworkErrorType {
    RQConnectionFailureErrorType = 1,
    RQRequestTimedOutErrorType = 2,
    RQAuthenticationErrorType = 3,
    RQRequestCancelledErrorType = 4,
    RQUnableToCreateRequestErrorType = 5,
    RQInternalErrorWhileBuildingRequestType = 6,
    RQInternalErrorWhileApplyingCredentialsType = 7,
    RQFileManagementError = 8,
    RQTooMuchRedirectionErrorType = 9,
    RQUnhandledExceptionError = 10,
    RQCompressionError = 11,
};

// A failure of the HTTP engine: domain, code and message, and what caused it.
struct RQError {
    std::string domain = NetworkRequestErrorDomain;
    int code = 0;
    std::string localizedDescription;
    std::string failureReason;
    std::shared_ptr<RQError> underlyingError;

    static std::shared_ptr<RQError> make(int code, std::string description,
                                         std::shared_ptr<RQError> underlying = nullptr) {
        auto e = std::make_shared<RQError>();
        e->code = code;
        e->localizedDescription = std::move(description);
        e->underlyingError = std::move(underlying);
        return e;
    }
    // An error of another domain (the file system's, the stream's) to carry as the cause.
    static std::shared_ptr<RQError> foreign(std::string domain, int code, std::string description) {
        auto e = make(code, std::move(description));
        e->domain = std::move(domain);
        return e;
    }
};

using RQErrorPtr = std::shared_ptr<RQError>;

} // namespace pw

#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

namespace pw {

// Sends a session identifier to the account service's demonstration servlet
// and hands its raw answer to the application.
class ZelValidateRequest : public ZelRequestBody {
public:
    ZelValidateRequest();
    void startRequest() override;
    std::string sessionId;
};

} // namespace pw

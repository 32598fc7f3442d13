#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

namespace pw {

// Takes the code the user typed into the session identifier; the account
// service checks it when that identifier next reaches it.
class ZelCheckVerifiRequest : public ZelRequestBody {
public:
    ZelCheckVerifiRequest();
    void startRequest() override;
    std::string smsCode;
};

} // namespace pw

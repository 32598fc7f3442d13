#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

namespace pw {

// Asks the account service to send a login code to a phone number, and opens
// the window within which the code may be used.
class ZelRecSmsLoginRequest : public ZelRequestBody {
public:
    ZelRecSmsLoginRequest();
    void startRequest() override;
    std::string phone;

private:
    void finish(int code, const std::string& text);
};

} // namespace pw

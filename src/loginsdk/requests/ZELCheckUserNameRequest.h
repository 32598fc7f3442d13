#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

namespace pw {

// Asks whether an account name is free.
class ZELCheckUserNameRequest : public ZelRequestBody {
public:
    ZELCheckUserNameRequest();
    void startRequest() override;
    std::string userName;
};

} // namespace pw

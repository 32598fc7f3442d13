#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

namespace pw {

// Registers an account name with a password, after a fresh guid and key.
class ZELUserNameRegisterRequest : public ZelRequestBody {
public:
    ZELUserNameRegisterRequest();
    void startRequest() override { getGuid(); }
    void getGuidFinish() override;
    std::string userName;
    std::string pwd;
};

} // namespace pw

#pragma once
#include "loginsdk/requests/ZELPtRequest.h"

namespace pw {

// Logs in again with the passport session key stored by an earlier login.
class ZelPtAutoLogin : public ZELPtRequest {
public:
    ZelPtAutoLogin();
    void startRequest() override;
    void getGuidFinish() override;

private:
    void answerSecondStep(const std::optional<std::string>& answer);
    void closeFirstStep(bool failed);
};

} // namespace pw

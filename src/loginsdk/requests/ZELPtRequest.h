#pragma once
#include "loginsdk/requests/ZelRequestBody.h"

#include <map>

namespace pw {

// Logs in with an account name and password in two steps: a fresh exchange
// id and one-time KeyWord first, then the encrypted credentials.
class ZELPtRequest : public ZelRequestBody {
public:
    ZELPtRequest();
    void startRequest() override;
    void getGuidFinish() override;
    std::string userName;
    std::string pwd;

    // Shared by the passport automatic login: the first step's answer.
    // Answers true when it gave a GUID and KeyWord (stored in guid and key).
    bool readFirstStep(const std::optional<std::string>& answer, int& failCode, std::optional<std::string>& failText);

private:
    void closeFirstStepStatistics(bool failed);
    void answerSecondStep(const std::optional<std::string>& answer);
};

} // namespace pw

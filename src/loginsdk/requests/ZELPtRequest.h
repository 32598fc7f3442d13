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

    // Shared with the engine's blocking variant of the login.
    using Reply = std::map<std::string, std::string>;
    static void closeFirstStepStatistics(bool failed);
    // The second step's answer (present: no network failure): its code and
    // text, the status the statistics record, and the passport fields.
    static int readSecondStep(const std::optional<std::string>& answer, Reply& reply, std::optional<std::string>& text,
                             int& status);
    // A login the service accepted: stores what its AuthenState asks for and
    // answers the success record, or nullopt for an AuthenState it does not
    // know; `recorded` is the self-check code.
    static std::optional<core::Value> storeLogin(const std::string& account, Reply& reply, int& recorded);
    static void closeSecondStepStatistics(int status, Reply& reply);

private:
    void answerSecondStep(const std::optional<std::string>& answer);
};

} // namespace pw

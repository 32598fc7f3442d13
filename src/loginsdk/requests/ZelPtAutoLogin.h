#pragma once
#include "loginsdk/requests/ZELPtRequest.h"

namespace pw {

// Logs in again with the passport session key stored by an earlier login.
class ZelPtAutoLogin : public ZELPtRequest {
public:
    ZelPtAutoLogin();
    void startRequest() override;
    void getGuidFinish() override;

    // Shared with the engine's blocking variant: the second step's answer,
    // its code, text and the text the self-check records; a success stores
    // the new session.
    static int readSecondStep(const std::optional<std::string>& answer, Reply& reply, std::optional<std::string>& text,
                              std::string& recorded);
    static void storeSession(Reply& reply);
    static void closeFirstStep(bool failed);
    static void closeSecondStep(int code);

private:
    void answerSecondStep(const std::optional<std::string>& answer);
};

} // namespace pw

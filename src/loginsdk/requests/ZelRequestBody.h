#pragma once
// The base of the account kit's request classes: the request session
// identifier, the result records and the guid fetch some requests run first.
#include "loginsdk/zelDelegate.h"

#include <memory>
#include <optional>
#include <string>

namespace pw {

class ZELHttpRequest;

class ZelRequestBody : public std::enable_shared_from_this<ZelRequestBody> {
public:
    virtual ~ZelRequestBody() = default;

    virtual void startRequest() {}
    std::string buildSessionId() const;
    // Fetches a guid and key, then getGuidFinish(); a failure is reported
    // under optCmd and ends the request.
    void getGuid();
    virtual void getGuidFinish() {}
    virtual void getGuidFail() {}

    int type = 0;
    std::optional<std::string> verfiCode;
    std::string url;
    std::weak_ptr<zelCallBackDelegate> delegate{}; // the facade, which may go first
    std::string guid;
    std::string key;
    unsigned optCmd = 0;

protected:
    std::shared_ptr<zelDelegate> appDelegate() const;
    // The application's ids, 0 once the facade is gone.
    uint32_t delegateAppId() const;
    uint32_t delegateAreaId() const;
    // onFail/onSuccess under optCmd when the application listens for it.
    void reportFail(const core::Value& result) const;
    void reportSuccess(const core::Value& result) const;
    // Sends a GET; the handler gets the answer text (nullopt for a network
    // failure, whose text is then in error) on this thread's run loop, with
    // the request kept alive until it returns.
    using AnswerHandler =
        std::function<void(ZelRequestBody& self, const std::optional<std::string>& answer, const std::string& error)>;
    void send(const std::string& address, AnswerHandler handler);
    // Tells the engine the request is over.
    void postDestroy();
    // Runs fn on this thread's run loop half a second later.
    static void later(std::function<void()> fn);

private:
    std::shared_ptr<ZELHttpRequest> m_http;
};

} // namespace pw

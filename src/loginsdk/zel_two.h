#pragma once
// The account kit's worker: initialisation, the login flows, the blocking
// fetch the background flows use, the answer parsers and result dispatch.
// Public operations are entered on the main thread; every delegate call is
// made there.
#include "loginsdk/json/SdkJsonValue.h"
#include "loginsdk/zelDelegate.h"
#include "platform/core/ObserverToken.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace pw {

class ZelRequestBody;

class zel_two {
public:
    static zel_two& shareZelTwo();
    static void resetShared();

    void ininConfig();
    bool mobileSendSMSLogin(bool haveViewController);
    void mobileReceiveSMSLogin(const std::string& phoneNumber);
    bool checkVerificationCode(const std::string& code);
    void loginByPT(const std::string& account, const std::string& password);
    void loginWithKey(const std::string& answer, int type);
    bool autoLogin();
    void callBack(int type, const std::string& token);
    bool validate(const std::string& sessionId);
    void userNameExists(const std::string& account);
    void userNameRegister(const std::string& account, const std::string& password);

    // The blocking fetch with retries: the first answer without a transport
    // error, or "error(%d):%@" of the last failure.
    std::optional<std::string> RQHTTPRequestWithURLString(const std::optional<std::string>& url);
    // A dictionary, or nullopt for anything else.
    std::optional<SdkJsonValue> SdkJsonParserWithString(const std::optional<std::string>& text);
    // key=value pairs joined by "^$^"; nullopt for a missing or empty text.
    static std::optional<std::map<std::string, std::string>>
    ptStringParserWithString(const std::optional<std::string>& text);
    // The passport cipher framed for a query: 0 and the URL-encoded text in
    // result, or 1 with result untouched.
    static int vornEncryptSource(const std::string& source, const std::string& key, std::optional<std::string>& result);
    void updateData();

    // The kit's facade; weak, so a request finishing after the kit was reset
    // finds no one to report to instead of a freed object.
    std::weak_ptr<zelCallBackDelegate> delegate{};
    uint32_t appId() const { return m_appId; }
    uint32_t areaId() const { return m_areaId; }
    std::string resultMsg() const;
    int resultCode() const { return m_resultCode; }
    int requestErrorCode() const { return m_requestErrorCode; }
    bool busy() const;

    // The poll's pause between attempts (tests pass a function that returns
    // at once and records the wait).
    void setSleeper(std::function<void(double)> sleeper);

private:
    zel_two();
    std::shared_ptr<zelDelegate> appDelegate() const;
    void startRequest(std::shared_ptr<ZelRequestBody> request);
    void saveGuid();
    void doMobileSendSMSLoginGetGUID();
    void messageComposeViewControllerDidFinish(int result);
    void checkMobileSendSMSLoginInBackground();
    void doMobileSendSMSLoginResult(const core::Value& result);
    void loginWithKeyInBackground(const std::string& answer, int type);
    void doLoginWithKeyResult(const core::Value& result);
    void setResult(int code, std::string msg);

    mutable std::mutex m_mutex;
    std::shared_ptr<ZelRequestBody> m_currentRequest;
    core::ObserverToken m_destroyObserver;
    std::atomic<uint32_t> m_appId{0}, m_areaId{0};
    std::string m_resultMsg;
    std::atomic<int> m_resultCode{0};
    std::atomic<int> m_requestErrorCode{0};
    bool m_haveSmsViewController = false;
    std::atomic<bool> m_configFetching{false};
    std::atomic<bool> m_polling{false};
    std::function<void(double)> m_sleeper;
};

} // namespace pw

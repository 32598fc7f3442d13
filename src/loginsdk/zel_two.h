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

    // Older variants of the flows, which no flow calls. Each "InBackground"
    // operation runs on the calling thread (never the main thread) with the
    // blocking fetch and hands its outcome to the main thread, waiting until
    // it is delivered.
    // Downstream SMS built by the engine: the outcome through
    // mobileReceiveSMSLoginResult.
    void mobileReceiveSMSLoginInBackground(const std::string& phoneNumber);
    // The code typed by the user, checked through the verification address:
    // the outcome through checkVerificationCodeResult.
    void checkVerificationCodeInBackground(const std::string& code);
    // Automatic login by the stored phone number and token, and the passport
    // automatic login (request code 205) by the stored session key: the
    // outcome as operation 102.
    void autoLoginInBackground();
    void autoPtLoginInBackground();
    // A guid fetch, then the upstream SMS compose.
    void mobileSendSMSLoginGetGUIDInBackground();
    // The two-step passport login: the outcome as operation 103.
    void loginByPTInBackground(const std::string& account, const std::string& password);
    // Guid fetches for a device identity (and a carrier's SMS provider): true
    // when the service gave a guid, which is stored with its key and SMS
    // numbers; the parsed answer is kept in guid() either way.
    bool getGuid(const std::string& imsi);
    bool getGuidWith(const std::string& imsi, const std::string& smsp);
    // Keeps the digits and "#", "*", "+", "-".
    static std::string filterNumberChar(const std::string& text);
    // Main-thread ends of the variants, each given the result record.
    void doMobileReceiveSMSLoginResult(const core::Value& result);
    void doCheckVerificationCodeResult(const core::Value& result);
    void doAutoLoginResult(const core::Value& result);
    void loginByPTResult(const core::Value& result);
    std::optional<SdkJsonValue> guid() const;
    std::optional<SdkJsonValue> verify() const;
    std::string phoneNumber() const;
    // Opens the window of the downstream SMS code: remainExLogin counts the
    // seconds of timoutExLogin down on the calling thread's run loop.
    static void openExLoginWindow();

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
    std::string deviceIdentity() const;
    // onSuccess or onFail of the operation by the record's errorCode.
    void answerOperation(int operation, const core::Value& result);

    mutable std::mutex m_mutex;
    std::shared_ptr<ZelRequestBody> m_currentRequest;
    core::ObserverToken m_destroyObserver;
    std::atomic<uint32_t> m_appId{0}, m_areaId{0};
    std::string m_resultMsg;
    std::atomic<int> m_resultCode{0};
    std::atomic<int> m_requestErrorCode{0};
    bool m_haveSmsViewController = false;
    std::function<void(double)> m_sleeper;
    std::optional<SdkJsonValue> m_guid;
    std::optional<SdkJsonValue> m_verify;
    std::string m_phoneNumber;
};

} // namespace pw

#pragma once
// The one entry point of the account kit. Screens set the application's ids,
// register their delegate, initialise the kit and start logins through it;
// results come back to whichever delegate is registered at that moment.
#include "loginsdk/zelDelegate.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace pw {

class zelOpenAPI : public zelCallBackDelegate, public std::enable_shared_from_this<zelOpenAPI> {
public:
    static zelOpenAPI& shareZelOpenAPI();
    // Forgets the whole kit's process state (tests; a new home).
    static void resetKit();

    uint32_t appId() const { return m_appId; }
    void setAppId(uint32_t v) { m_appId = v; }
    uint32_t areaId() const { return m_areaId; }
    void setAreaId(uint32_t v) { m_areaId = v; }
    std::shared_ptr<zelDelegate> delegate() const;
    void setDelegate(std::shared_ptr<zelDelegate> d);
    bool isInit() const { return m_isInit; }
    void setIsInit(bool v) { m_isInit = v; }
    bool isTestSet() const { return false; }
    std::string getPhoneNumber() const;
    void setPhoneNumber(const std::string& v);
    std::string ptAccount() const;
    void setPtAccount(const std::string& v);

    bool zelInit();
    bool autoLogin();
    void loginByPT(const std::string& account, const std::string& password);
    void loginWithKey(const std::string& answer, int type);
    // haveViewController: the screen that would present the SMS composer.
    bool mobileSendSMSLogin(bool haveViewController);
    void mobileReceiveSMSLogin(const std::string& phoneNumber);
    bool checkVerificationCode(const std::string& code);
    bool validate(const std::string& sessionId);
    void userNameExists(const std::string& account);
    void userNameRegister(const std::string& account, const std::string& password);
    std::string getSessionId() const;
    // info: "type" and "token" texts.
    void callBack(int code, const core::Value& info);
    void cancel() { setDelegate(nullptr); }
    void exLogin();
    void exAutoLogin();
    int canExLogin() const;
    std::string getCountListStr() const;
    std::string getResultMsg() const;
    int getResultCode() const;
    std::string getPtAccount() const;
    std::string getSSN() const;
    void setLocationServiceEnable(bool enable);
    void loginOff();

    // zelCallBackDelegate
    std::shared_ptr<zelDelegate> getZelDelegate() const override { return delegate(); }
    uint32_t getAppId() const override { return m_appId; }
    uint32_t getAreaId() const override { return m_areaId; }

private:
    zelOpenAPI();
    void bookkeeping(const std::string& method, core::Value args);
    void forwardTo();
    static core::Value notInitialised();

    mutable std::mutex m_mutex;
    std::atomic<uint32_t> m_appId{0}, m_areaId{0};
    std::weak_ptr<zelDelegate> m_delegate;
    std::atomic<bool> m_isInit{false};
    std::string m_phoneNumber;
    std::string m_ptAccount;
};

} // namespace pw

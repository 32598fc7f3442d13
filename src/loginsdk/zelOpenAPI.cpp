#include "loginsdk/zelOpenAPI.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zel_two.h"
#include "platform/core/Clock.h"
#include "platform/core/UserDefaults.h"

namespace pw {
namespace {

std::recursive_mutex& openAPIMutex() {
    static std::recursive_mutex m;
    return m;
}

std::shared_ptr<zelOpenAPI>& sharedOpenAPI() {
    static std::shared_ptr<zelOpenAPI> p;
    return p;
}

std::string firstItem(const std::string& list) {
    auto comma = list.find(',');
    return comma == std::string::npos ? list : list.substr(0, comma);
}

} // namespace

zelOpenAPI& zelOpenAPI::shareZelOpenAPI() {
    std::lock_guard lock(openAPIMutex());
    if (!sharedOpenAPI()) {
        sharedOpenAPI().reset(new zelOpenAPI());
        sharedOpenAPI()->forwardTo();
        // The start-up line of the kit's statistics.
        LogUtil::sharedInstance().initHeader();
        double now = core::Clock::shared().now();
        LogUtil::sharedInstance().log(LogUtil::buildLogContent(10, now, now), 0);
    }
    return *sharedOpenAPI();
}

void zelOpenAPI::resetKit() {
    std::lock_guard lock(openAPIMutex());
    zel_two::resetShared();
    LogUtil::resetShared();
    GlobalConstants::resetShared();
    PersistentUtil::resetShared();
    zelConfig::resetShared();
    sharedOpenAPI().reset();
}

zelOpenAPI::zelOpenAPI() {
    m_ptAccount = zelConfig::shareZelConfig().getPtAccount();
    setLocationServiceEnable(true);
}

std::shared_ptr<zelDelegate> zelOpenAPI::delegate() const {
    std::lock_guard lock(m_mutex);
    return m_delegate.lock();
}

void zelOpenAPI::setDelegate(std::shared_ptr<zelDelegate> d) {
    std::lock_guard lock(m_mutex);
    m_delegate = d;
}

std::string zelOpenAPI::getPhoneNumber() const {
    return zelConfig::shareZelConfig().getPhoneNumber();
}

void zelOpenAPI::setPhoneNumber(const std::string& v) {
    std::lock_guard lock(m_mutex);
    m_phoneNumber = v;
}

std::string zelOpenAPI::ptAccount() const {
    std::lock_guard lock(m_mutex);
    return m_ptAccount;
}

void zelOpenAPI::setPtAccount(const std::string& v) {
    std::lock_guard lock(m_mutex);
    m_ptAccount = v;
}

core::Value zelOpenAPI::notInitialised() {
    return zel::buildResDicWithErrorCode(zel::NotInitialised, zel::errorText(zel::NotInitialised));
}

void zelOpenAPI::bookkeeping(const std::string& method, core::Value args) {
    GlobalConstants& run = GlobalConstants::sharedInstance();
    run.update([&](GlobalValues& v) { v.methodName = method; });
    run.generateInvokeId();
    AutoCheckContent(method, std::move(args)).recordContent();
}

void zelOpenAPI::forwardTo() {
    zel_two::shareZelTwo().delegate = weak_from_this();
}

bool zelOpenAPI::zelInit() {
    if (m_isInit)
        return false;
    forwardTo();
    zel_two::shareZelTwo().ininConfig();
    PersistentUtil::sharedInstance().initData();
    return true;
}

bool zelOpenAPI::autoLogin() {
    bookkeeping("autoLogin", core::Value::map());
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpAutoLogin, notInitialised());
        return true;
    }
    forwardTo();
    return zel_two::shareZelTwo().autoLogin();
}

void zelOpenAPI::loginByPT(const std::string& account, const std::string& password) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpPassportLogin, notInitialised());
        return;
    }
    setPhoneNumber("");
    zelConfig::shareZelConfig().setPhoneNumber("");
    // The record names the arguments; the password itself is never kept.
    bookkeeping("pwdLogin", core::Value(core::Value::Map{{"name", account}, {"password", "******"}}));
    forwardTo();
    zel_two::shareZelTwo().loginByPT(account, password);
}

void zelOpenAPI::loginWithKey(const std::string& answer, int type) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpPassportLogin, notInitialised());
        return;
    }
    bookkeeping(type == 203 ? "eCardLogin" : "eKeyLogin", core::Value(core::Value::Map{{"key", answer}}));
    forwardTo();
    zel_two::shareZelTwo().loginWithKey(answer, type);
}

bool zelOpenAPI::mobileSendSMSLogin(bool haveViewController) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->mobileSendSMSLoginResult)
            d->mobileSendSMSLoginResult(zel::NotInitialised, *zel::errorText(zel::NotInitialised));
        return true;
    }
    bookkeeping("mobileLogin",
                core::Value(core::Value::Map{{"viewCtrl", haveViewController ? "view controller" : ""}}));
    if (!haveViewController)
        return false;
    forwardTo();
    return zel_two::shareZelTwo().mobileSendSMSLogin(true);
}

void zelOpenAPI::mobileReceiveSMSLogin(const std::string& phoneNumber) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->mobileReceiveSMSLoginResult)
            d->mobileReceiveSMSLoginResult(zel::NotInitialised, *zel::errorText(zel::NotInitialised));
        return;
    }
    bookkeeping("customMobileLogin", core::Value(core::Value::Map{{"phoneNumber", phoneNumber}}));
    forwardTo();
    zel_two::shareZelTwo().mobileReceiveSMSLogin(phoneNumber);
}

bool zelOpenAPI::checkVerificationCode(const std::string& code) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->checkVerificationCodeResult)
            d->checkVerificationCodeResult(zel::NotInitialised, *zel::errorText(zel::NotInitialised));
        return false;
    }
    bookkeeping("validateCodeLogin", core::Value(core::Value::Map{{"code", code}}));
    forwardTo();
    return zel_two::shareZelTwo().checkVerificationCode(code);
}

bool zelOpenAPI::validate(const std::string& sessionId) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpAutoLogin, notInitialised());
        return true;
    }
    forwardTo();
    return zel_two::shareZelTwo().validate(sessionId);
}

void zelOpenAPI::userNameExists(const std::string& account) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpUserNameCheck, notInitialised());
        return;
    }
    forwardTo();
    zel_two::shareZelTwo().userNameExists(account);
}

void zelOpenAPI::userNameRegister(const std::string& account, const std::string& password) {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpRegister, notInitialised());
        return;
    }
    forwardTo();
    zel_two::shareZelTwo().userNameRegister(account, password);
}

std::string zelOpenAPI::getSessionId() const {
    return m_isInit ? GlobalConstants::sharedInstance().values().currentSessionId : std::string();
}

void zelOpenAPI::callBack(int code, const core::Value& info) {
    if (code != 0) {
        AutoCheckContent::feedBackWith(false, "feedback error", code);
        GlobalConstants::sharedInstance().stopProcess();
        return;
    }
    std::string failure;
    if (!info.contains("type")) {
        failure = "argument type not exist ";
    } else if (!info.contains("token")) {
        failure = "argument token not exist ";
    } else {
        int kind =
            static_cast<int>(info["type"].asInt().value_or(std::atoi(info["type"].asString().value_or("0").c_str())));
        forwardTo();
        zel_two::shareZelTwo().callBack(kind, info["token"].asString().value_or(""));
        LogUtil& stats = LogUtil::sharedInstance();
        uint32_t event = GlobalConstants::sharedInstance().values().zelEventSignCode;
        stats.startCollectWithEventId(static_cast<int>(event));
        stats.withRecord(static_cast<int>(event), [event](DataCollectionRecord& r) {
            r.eventCode = event;
            r.actionId = 140;
            r.statusCode = 0;
        });
        stats.endCollectionWithEventId(static_cast<int>(event));
        stats.flush();
        return;
    }
    if (auto d = delegate(); d && d->onFail)
        d->onFail(ZelOpCallBack, zel::buildResDicWithErrorCode(zel::UnknownError, failure));
}

void zelOpenAPI::exLogin() {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpExLogin, notInitialised());
        return;
    }
    std::string session = StringUtil::buildSessionIdWithType(3);
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    if (auto d = delegate(); d && d->onSuccess)
        d->onSuccess(ZelOpExLogin, zel::buildResDicWithErrorCode(0, "成功"));
}

void zelOpenAPI::exAutoLogin() {
    if (!m_isInit) {
        if (auto d = delegate(); d && d->onFail)
            d->onFail(ZelOpExAutoLogin, notInitialised());
        return;
    }
    std::string session = StringUtil::buildSessionIdWithType(4);
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    if (auto d = delegate(); d && d->onSuccess)
        d->onSuccess(ZelOpExAutoLogin, zel::buildResDicWithErrorCode(0, "成功"));
}

int zelOpenAPI::canExLogin() const {
    return m_isInit ? GlobalConstants::sharedInstance().values().remainExLogin : -1;
}

std::string zelOpenAPI::getCountListStr() const {
    return m_isInit ? core::UserDefaults::standard().getString("countrys").value_or("") : std::string();
}

std::string zelOpenAPI::getResultMsg() const {
    return zel_two::shareZelTwo().resultMsg();
}
int zelOpenAPI::getResultCode() const {
    return zel_two::shareZelTwo().resultCode();
}
std::string zelOpenAPI::getPtAccount() const {
    return zelConfig::shareZelConfig().getPtAccount();
}

std::string zelOpenAPI::getSSN() const {
    GlobalConstants& run = GlobalConstants::sharedInstance();
    std::string ssn = firstItem(run.values().ssnList);
    if (!ssn.empty())
        return ssn;
    std::string stored = PersistentUtil::sharedInstance().stringForKey("ssnlist");
    run.update([&](GlobalValues& v) { v.ssnList = stored; });
    return firstItem(stored);
}

void zelOpenAPI::setLocationServiceEnable(bool enable) {
    PersistentUtil::sharedInstance().setValue(core::Value(enable), "locationServiceEnable");
}

void zelOpenAPI::loginOff() {
    zelConfig& config = zelConfig::shareZelConfig();
    config.setSessionId("");
    config.setPhoneNumber("");
    config.setToken("");
    config.setPhoneNo("");
    config.loadFromFile();
    config.setPtAccount("");
    GlobalConstants::sharedInstance().update([](GlobalValues& v) { v.currentSessionId.clear(); });
    PersistentUtil::sharedInstance().setValue(std::nullopt, "SESSIONKEY");
    setPhoneNumber("");
}

} // namespace pw

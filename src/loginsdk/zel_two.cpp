#include "loginsdk/zel_two.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/cipher/MelkEncrypt.h"
#include "loginsdk/cipher/OADes.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/requests/ZELCheckUserNameRequest.h"
#include "loginsdk/requests/ZELHttpRequest.h"
#include "loginsdk/requests/ZELPtRequest.h"
#include "loginsdk/requests/ZELUserNameRegisterRequest.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/requests/ZelCheckVerifiRequest.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/requests/ZelPtAutoLogin.h"
#include "loginsdk/requests/ZelRecSmsLoginRequest.h"
#include "loginsdk/requests/ZelValidateRequest.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "platform/core/UserDefaults.h"
#include "platform/device/Providers.h"

#include <cstdio>

namespace pw {
namespace {

std::mutex& zelTwoMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<zel_two>& sharedZelTwo() {
    static std::unique_ptr<zel_two> p;
    return p;
}

// The plain decimal writing of an integer: what "%d" of its value gives back.
bool isPlainInteger(const std::string& s) {
    if (s.empty())
        return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size() || (s[i] == '0' && s.size() > i + 1))
        return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9')
            return false;
    return s.size() - i <= 10;
}

} // namespace

zel_two& zel_two::shareZelTwo() {
    std::lock_guard lock(zelTwoMutex());
    if (!sharedZelTwo())
        sharedZelTwo().reset(new zel_two());
    return *sharedZelTwo();
}

void zel_two::resetShared() {
    std::lock_guard lock(zelTwoMutex());
    sharedZelTwo().reset();
}

zel_two::zel_two() {
    m_sleeper = [](double seconds) { core::Thread::sleepFor(seconds); };
    m_destroyObserver =
        core::NotificationCenter::defaultCenter().addObserver("destroy", [this](const core::Notification& n) {
            std::lock_guard lock(m_mutex);
            // Only the request in flight frees the slot; a late post of an older
            // one must not free it for a newer one.
            if (m_currentRequest && n.sender == m_currentRequest.get())
                m_currentRequest.reset();
        });
}

void zel_two::setSleeper(std::function<void(double)> sleeper) {
    m_sleeper = std::move(sleeper);
}

std::shared_ptr<zelDelegate> zel_two::appDelegate() const {
    auto facade = delegate.lock();
    return facade ? facade->getZelDelegate() : nullptr;
}

std::string zel_two::resultMsg() const {
    std::lock_guard lock(m_mutex);
    return m_resultMsg;
}

void zel_two::setResult(int code, std::string msg) {
    std::lock_guard lock(m_mutex);
    m_resultMsg = std::move(msg);
    m_resultCode = code;
}

bool zel_two::busy() const {
    std::lock_guard lock(m_mutex);
    return m_currentRequest != nullptr;
}

void zel_two::startRequest(std::shared_ptr<ZelRequestBody> request) {
    request->delegate = delegate;
    {
        std::lock_guard lock(m_mutex);
        m_currentRequest = request;
    }
    request->startRequest();
}

void zel_two::updateData() {
    if (auto facade = delegate.lock()) {
        m_appId = facade->getAppId();
        m_areaId = facade->getAreaId();
    }
}

std::optional<std::string> zel_two::RQHTTPRequestWithURLString(const std::optional<std::string>& url) {
    if (!url)
        return std::nullopt;
    m_requestErrorCode = 0;
    zelConfig& config = zelConfig::shareZelConfig();
    std::string result;
    for (unsigned attempt = 0; attempt < std::max(1u, config.maxRetryCount); ++attempt) {
        ZELHttpRequest request(*url);
        request.setTimeOutSeconds(config.timeOutSeconds);
        request.startSynchronous();
        if (request.error()) {
            m_requestErrorCode = request.errorCode();
            char text[64];
            std::snprintf(text, sizeof text, "error(%d):", request.errorCode());
            result = text + *request.error();
            continue;
        }
        return request.responseString().value_or("");
    }
    return result;
}

std::optional<SdkJsonValue> zel_two::SdkJsonParserWithString(const std::optional<std::string>& text) {
    std::lock_guard lock(m_mutex);
    return zel::parseAnswerObject(text);
}

std::optional<std::map<std::string, std::string>>
zel_two::ptStringParserWithString(const std::optional<std::string>& text) {
    if (!text || text->empty())
        return std::nullopt;
    std::map<std::string, std::string> out;
    const std::string separator = "^$^";
    size_t start = 0;
    while (start <= text->size()) {
        size_t end = text->find(separator, start);
        std::string piece = text->substr(start, end == std::string::npos ? std::string::npos : end - start);
        auto eq = piece.find('=');
        if (eq != std::string::npos && piece.find('=', eq + 1) == std::string::npos)
            out[piece.substr(0, eq)] = piece.substr(eq + 1);
        if (end == std::string::npos)
            break;
        start = end + separator.size();
    }
    return out;
}

int zel_two::vornEncryptSource(const std::string& source, const std::string& key, std::optional<std::string>& result) {
    auto plain = core::text::encodeFromUtf8(source, "GB18030");
    auto keyWord = core::text::encodeFromUtf8(key, "GB18030");
    if (!plain || !keyWord)
        return 1;
    std::string sealed;
    if (melk::melk_encrypt(std::string_view(*plain), std::string_view(*keyWord), sealed) != melk::MelkOk)
        return 1;
    result = LogUtil::urlEncodeValue(sealed);
    return 0;
}

// Initialisation: the configuration fetch, then the guid fetch.
void zel_two::ininConfig() {
    // The facade asks only while the kit is not initialised; a second ask
    // during a first fetch starts a second fetch.
    updateData();
    auto request = ZELHttpRequest::initWithURL(zelConfig::shareZelConfig().obtainUrl +
                                               "?configVersion=2.3.0&appId=" + std::to_string(m_appId));
    request->setDidFail([this](ZELHttpRequest&) {
        if (auto d = appDelegate(); d && d->onFail)
            d->onFail(ZelOpInit, zel::getResDicWithErrorCode(zel::ServiceError));
    });
    request->setDidFinish([this](ZELHttpRequest& r) {
        // An answer that does not parse, or has no "Result", reads as
        // "Result" 0 with every other key missing: the kit starts on its
        // defaults rather than not at all.
        auto json = SdkJsonParserWithString(r.responseString()).value_or(SdkJsonValue(SdkJsonValue::Dictionary{}));
        auto result = zel::intField(json, "Result").value_or(0);
        if (result != 0) {
            if (auto d = appDelegate(); d && d->onFail)
                d->onFail(ZelOpInit,
                          zel::buildResDicWithErrorCode(static_cast<int>(result), zel::textField(json, "resultMsg")));
            return;
        }
        if (auto countries = zel::textField(json, "countryCode"))
            core::UserDefaults::standard().set("countrys", core::Value(*countries));
        auto boolean = [&](const char* key, bool fallback) {
            const SdkJsonValue* v = json.get(key);
            if (!v)
                return fallback;
            if (auto b = v->boolean())
                return *b;
            return v->intValue().value_or(0) != 0;
        };
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) {
            v.currentGuid = zel::textField(json, "guid").value_or("");
            v.currentKey = zel::textField(json, "key").value_or("");
            v.checkSmsTimeOut = static_cast<int>(zel::intField(json, "intevalNextTry").value_or(0));
            v.checkSmsInterval = static_cast<int>(zel::intField(json, "intevalReadSMS").value_or(0));
            v.checkTotalTime = static_cast<int>(zel::intField(json, "timeoutTryLogin").value_or(0));
            v.isFastCallBack = boolean("fastCallBack", false);
            auto expiry = zel::intField(json, "timeoutToExp");
            v.timoutExLogin = expiry ? static_cast<uint32_t>(*expiry / 1000) : 60;
            v.remainExLogin = -1;
            v.isStrongLogin = boolean("strongLogin", true);
        });
        zelOpenAPI::shareZelOpenAPI().setIsInit(true);
        if (auto d = appDelegate(); d && d->onSuccess)
            core::Thread::detach([] { zel_two::shareZelTwo().saveGuid(); }, "zel-guid");
    });
    request->startAsynchronous();
}

std::string zel_two::deviceIdentity() const {
    zelConfig& config = zelConfig::shareZelConfig();
    std::string mac = config.uuid().value_or("");
    int carrier = config.carrierType();
    return carrier != 0 && carrier != 50000 ? std::to_string(carrier) + "_" + mac : mac;
}

void zel_two::saveGuid() {
    zelConfig& config = zelConfig::shareZelConfig();
    auto answer = RQHTTPRequestWithURLString(config.guidUrl + "?imsi=" + deviceIdentity() +
                                             "&smsp=&appId=" + std::to_string(m_appId));
    auto json = SdkJsonParserWithString(answer);
    core::Value result;
    // A missing "Result" reads as 0, as in the configuration answer.
    auto code = json ? zel::intField(*json, "Result").value_or(0) : 0;
    if (!json) {
        result = zel::buildResDicWithErrorCode(zel::ServerFailed, answer);
    } else if (code != 0) {
        result = zel::buildResDicWithErrorCode(zel::UnknownError, answer);
    } else {
        PersistentUtil& store = PersistentUtil::sharedInstance();
        store.setValue(zel::textField(*json, "guid").value_or(""), "guid");
        store.setValue(zel::textField(*json, "key").value_or(""), "key");
        std::string ssn = zel::textField(*json, "ssnlist").value_or("");
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.ssnList = ssn; });
        result = zel::getResDicWithErrorCode(0);
    }
    core::RunLoop::runOnMain(
        [this, result] {
            auto d = appDelegate();
            if (!d)
                return;
            if (result["errorCode"].asInt().value_or(-1) != 0) {
                if (d->onFail)
                    d->onFail(ZelOpInit, result);
            } else if (d->onSuccess) {
                d->onSuccess(ZelOpInit, result);
            }
        },
        true);
}

// Upstream SMS login.
bool zel_two::mobileSendSMSLogin(bool haveViewController) {
    m_haveSmsViewController = false;
    if (!haveViewController || !device::SmsComposer::current()->canSendText())
        return false;
    m_haveSmsViewController = true;
    updateData();
    doMobileSendSMSLoginGetGUID();
    return true;
}

void zel_two::doMobileSendSMSLoginGetGUID() {
    std::string recipient, id;
    {
        std::lock_guard lock(m_mutex);
        recipient = zelOpenAPI::shareZelOpenAPI().getSSN();
        id = StringUtil::generateUUID();
    }
    PersistentUtil::sharedInstance().setValue(id, "uuid");
    auto composer = device::SmsComposer::current();
    if (!id.empty() && !recipient.empty() && m_haveSmsViewController && composer->canSendText()) {
        if (auto d = appDelegate(); d && d->mobileSendSMSLoginBefore)
            d->mobileSendSMSLoginBefore();
        std::string body = std::string(zelOpenAPI::shareZelOpenAPI().isTestSet() ? "TESTZESL" : "ZESL") + id + "-0-" +
                           std::to_string(m_appId) + "-" + std::to_string(m_areaId);
        composer->compose({recipient}, body, [](device::SmsComposer::Result result) {
            core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().messageComposeViewControllerDidFinish(result); },
                                     false);
        });
    } else {
        const std::string text = "获取短信数据不正确！";
        setResult(zel::SmsSendFailed, text);
        doMobileSendSMSLoginResult(
            core::Value(core::Value::Map{{"kParamCode", static_cast<int>(zel::SmsSendFailed)}, {"kParamMsg", text}}));
    }
    LogUtil::sharedInstance().flush();
}

void zel_two::messageComposeViewControllerDidFinish(int result) {
    m_haveSmsViewController = false;
    if (result != device::SmsComposer::Sent) {
        std::string text = result == device::SmsComposer::Cancelled ? "用户取消发送认证短信！" : "无法正确发送短信！";
        setResult(zel::SmsCancelled, text);
        AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(zel::SmsCancelled, text));
        doMobileSendSMSLoginResult(
            core::Value(core::Value::Map{{"kParamCode", static_cast<int>(zel::SmsCancelled)}, {"kParamMsg", text}}));
        return;
    }
    GlobalValues run = GlobalConstants::sharedInstance().values();
    if (!run.isStrongLogin)
        GlobalConstants::sharedInstance().update([](GlobalValues& v) { v.remainExLogin = 0; });
    if (!run.isFastCallBack) {
        // A second sent SMS while a poll runs starts a second poll.
        core::Thread::detach([] { zel_two::shareZelTwo().checkMobileSendSMSLoginInBackground(); }, "zel-poll");
        return;
    }
    std::string session = StringUtil::buildSessionIdWithType(0);
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    if (auto d = appDelegate(); d && d->mobileSendSMSLoginResult) {
        d->mobileSendSMSLoginResult(0, "成功");
        AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(0, "成功"));
    }
}

void zel_two::checkMobileSendSMSLoginInBackground() {
    std::string id, guid;
    {
        std::lock_guard lock(m_mutex);
        id = PersistentUtil::sharedInstance().stringForKey("uuid");
        guid = PersistentUtil::sharedInstance().stringForKey("guid");
    }
    zelConfig& config = zelConfig::shareZelConfig();
    int outcome = zel::UnknownError;
    std::optional<SdkJsonValue> last;
    if (!id.empty()) {
        std::string url = config.verifyClientUrl + "?guid=" + LogUtil::urlEncodeValue(guid) + "&uuid=" + id +
                          "&needVerifyCode=0&appId=" + std::to_string(m_appId) + "&areaId=" + std::to_string(m_areaId) +
                          "&clientVersion=2.3.0&endpointOS=ios";
        LogUtil& stats = LogUtil::sharedInstance();
        stats.startCollectWithEventId(30);
        stats.startCollectWithEventId(32);
        outcome = zel::LoginTimeout;
        for (int attempt = 0; attempt < 10; ++attempt) {
            m_sleeper(2.0);
            auto answer = RQHTTPRequestWithURLString(url);
            last = SdkJsonParserWithString(answer);
            auto code = last ? zel::intField(*last, "resultCode") : std::nullopt;
            if (code && *code == 0) {
                outcome = 0;
                break;
            }
            if (code && *code == -10256303) {
                outcome = zel::NeedVerificationCode;
                break;
            }
        }
        stats.setCollectAttr(
            core::Value(core::Value::Map{{"actionId", 120}, {"statusCode", outcome}, {"eventSign", 30}}), 32);
        stats.endCollectionWithEventId(32);
        stats.setCollectAttr(core::Value(core::Value::Map{{"actionId", 0}, {"statusCode", outcome}, {"eventSign", 30}}),
                             30);
        stats.endCollectionWithEventId(30);
    }
    if (outcome == 0) {
        std::string key = PersistentUtil::sharedInstance().stringForKey("key");
        auto plain = [&](const char* field) {
            return OADes::OADecrypt(key, zel::textField(*last, field)).value_or("");
        };
        config.setSessionId(plain("sessionId"));
        config.setPhoneNo(plain("phoneNo"));
        config.setToken(plain("token"));
        config.setPtAccount("");
        zelOpenAPI::shareZelOpenAPI().setPtAccount("");
        std::string session = StringUtil::buildSessionIdWithType(0);
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    } else {
        config.setSessionId("");
        config.setToken("");
        config.setPhoneNo("");
    }
    setResult(outcome, last ? zel::textField(*last, "resultMsg").value_or("") : "");
    core::Value result = zel::getResDicWithErrorCode(outcome);
    core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().doMobileSendSMSLoginResult(result); }, false);
}

void zel_two::doMobileSendSMSLoginResult(const core::Value& result) {
    LogUtil::sharedInstance().flush();
    if (auto d = appDelegate(); d && d->mobileSendSMSLoginResult)
        d->mobileSendSMSLoginResult(static_cast<int>(result["kParamCode"].asInt().value_or(zel::UnknownError)),
                                    result["kParamMsg"].asString().value_or(""));
}

// Downstream SMS login and code check.
void zel_two::mobileReceiveSMSLogin(const std::string& phoneNumber) {
    {
        std::lock_guard lock(m_mutex);
        m_phoneNumber = phoneNumber;
    }
    updateData();
    if (busy())
        return;
    auto request = std::make_shared<ZelRecSmsLoginRequest>();
    request->phone = phoneNumber;
    startRequest(request);
}

bool zel_two::checkVerificationCode(const std::string& code) {
    updateData();
    auto request = std::make_shared<ZelCheckVerifiRequest>();
    request->smsCode = code;
    startRequest(request);
    return true;
}

// Passport login, name check, registration, validation.
void zel_two::loginByPT(const std::string& account, const std::string& password) {
    updateData();
    if (busy())
        return;
    auto request = std::make_shared<ZELPtRequest>();
    request->userName = account;
    request->pwd = password;
    startRequest(request);
}

void zel_two::userNameExists(const std::string& account) {
    if (busy())
        return;
    auto request = std::make_shared<ZELCheckUserNameRequest>();
    request->userName = account;
    startRequest(request);
}

void zel_two::userNameRegister(const std::string& account, const std::string& password) {
    if (busy())
        return;
    auto request = std::make_shared<ZELUserNameRegisterRequest>();
    request->userName = account;
    request->pwd = password;
    startRequest(request);
}

bool zel_two::validate(const std::string& sessionId) {
    if (sessionId.empty())
        return false;
    if (busy())
        return true;
    updateData();
    auto request = std::make_shared<ZelValidateRequest>();
    request->sessionId = sessionId;
    startRequest(request);
    return true;
}

// Second factor.
void zel_two::loginWithKey(const std::string& answer, int type) {
    int failure = 0;
    if (type == 203) {
        int a = 0, b = 0, c = 0;
        if (std::sscanf(answer.c_str(), "%d|%d|%d", &a, &b, &c) != 3 || a > 99 || b > 99 || c > 99)
            failure = zel::InvalidCardPassword;
    } else if (type == 201 || type == 202) {
        size_t digits = answer.size();
        if (!isPlainInteger(answer) || digits != (type == 201 ? 4u : 8u))
            failure = zel::InvalidSecret;
    }
    if (failure) {
        if (auto d = appDelegate(); d && d->onFail) {
            d->onFail(ZelOpSecondFactor, zel::getResDicWithErrorCode(failure));
            AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(failure, "输入错误"));
        }
        return;
    }
    updateData();
    core::Thread::detach([answer, type] { zel_two::shareZelTwo().loginWithKeyInBackground(answer, type); }, "zel-key");
}

void zel_two::loginWithKeyInBackground(const std::string& answer, int type) {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    std::string ptguid = store.stringForKey("ptguid");
    std::string ptkey = store.stringForKey("ptkey");
    GlobalValues run = GlobalConstants::sharedInstance().values();
    core::Value result;
    int status = 0;
    std::optional<std::map<std::string, std::string>> reply;
    std::optional<std::string> account, secret;
    if (vornEncryptSource(run.ptAccount, ptkey, account) != 0 || vornEncryptSource(answer, ptkey, secret) != 0) {
        // No usable KeyWord from the passport exchange: nothing is sent.
        result = zel::getResDicWithErrorCode(zel::GuidFailed);
        status = zel::GuidFailed;
    } else {
        const char* field = type == 203 ? "ECardPwd" : "EKeyPwd";
        int requestCode = type == 201 || type == 202 ? 202 : type == 203 ? 203 : 201;
        LogUtil::sharedInstance().startCollectWithEventId(53);
        std::string url = zelConfig::shareZelConfig().redirectUrl + "?GUID=" + LogUtil::urlEncodeValue(ptguid) +
                          "&AppID=" + std::to_string(m_appId) + "&AreaID=" + std::to_string(m_areaId) +
                          "&clientVersion=2.3.0&SessionKey=" + LogUtil::urlEncodeValue(run.sessionKey) +
                          "&Account=" + *account + "&" + field + "=" + *secret +
                          "&EKeySN=&AutoLogin=1&SaveTime=30&RequestCode=" + std::to_string(requestCode);
        auto text = RQHTTPRequestWithURLString(url);
        auto json = text && !text->empty() ? SdkJsonParserWithString(text) : std::nullopt;
        reply = json ? ptStringParserWithString(zel::textField(*json, "resultMsg")) : std::nullopt;
        if (!text || text->empty() || (text->rfind("error(", 0) == 0 && m_requestErrorCode != 0)) {
            result = zel::getResDicWithErrorCode(zel::NetworkError);
            status = zel::NetworkError;
        } else if (!reply || !reply->count("RetValue")) {
            // An answer without its result is a failure, not a login.
            result = zel::getResDicWithErrorCode(zel::ServerFailed);
            status = zel::ServerFailed;
        } else if (int ret = std::atoi((*reply)["RetValue"].c_str()); ret != 0) {
            result = zel::buildResDicWithErrorCode(ret, (*reply)["DescMsg"]);
            status = ret;
        } else {
            zelConfig& config = zelConfig::shareZelConfig();
            config.setPtAccount(run.ptAccount);
            config.setSessionId(run.currentSessionId);
            zelOpenAPI::shareZelOpenAPI().setPtAccount(run.ptAccount);
            store.setValue(run.sessionKey, "SESSIONKEY");
            config.setToken("");
            if (reply->count("SessionID")) {
                std::string sessionId = (*reply)["SessionID"];
                config.setSessionId(sessionId);
                GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = sessionId; });
            }
            result = zel::getResDicWithErrorCode(0);
        }
        LogUtil& stats = LogUtil::sharedInstance();
        stats.withRecord(50, [status](DataCollectionRecord& r) {
            r.eventCode = 50;
            r.actionId = 0;
            r.statusCode = status;
        });
        std::string sessionId = reply && reply->count("sessionId") ? (*reply)["sessionId"] : "";
        stats.withRecord(53, [status, sessionId](DataCollectionRecord& r) {
            r.eventCode = 50;
            r.actionId = 130;
            r.statusCode = status;
            r.sessionId = sessionId;
        });
        stats.endCollectionWithEventId(53);
        stats.endCollectionWithEventId(50);
    }
    core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().doLoginWithKeyResult(result); }, true);
}

void zel_two::doLoginWithKeyResult(const core::Value& result) {
    LogUtil::sharedInstance().flush();
    if (result.isNull() || delegate.expired())
        return;
    int code = static_cast<int>(result["errorCode"].asInt().value_or(zel::UnknownError));
    auto d = appDelegate();
    if (code != 0) {
        AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(code, result["errorMsg"].asString()));
        if (d && d->onFail)
            d->onFail(ZelOpSecondFactor, result);
        return;
    }
    AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(0, "调用成功"));
    core::RunLoop::current().postAfter(0.5, [] {
        AutoCheckContent::feedBackWith(false, PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), 0);
    });
    if (d && d->onSuccess)
        d->onSuccess(ZelOpSecondFactor, result);
}

// Automatic login and the site's token.
bool zel_two::autoLogin() {
    zelConfig& config = zelConfig::shareZelConfig();
    if (!config.getPhoneNo().empty() && !config.getToken().empty()) {
        updateData();
        std::string session = StringUtil::buildSessionIdWithType(1);
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
        auto d = appDelegate();
        if (!d || !d->onSuccess)
            return true;
        core::RunLoop::current().postAfter(
            0.5, [] { AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(0, "调用成功")); });
        core::Value result = zel::getResDicWithErrorCode(0);
        result.set("needValidate", true);
        d->onSuccess(ZelOpAutoLogin, result);
        return true;
    }
    if (!PersistentUtil::sharedInstance().stringForKey("SESSIONKEY").empty()) {
        startRequest(std::make_shared<ZelPtAutoLogin>());
        return true;
    }
    AutoCheckContent::callBackMethodWith(
        zel::buildCallBackDicWith(zel::AutoLoginExpired, zel::errorText(zel::AutoLoginExpired)));
    return false;
}

void zel_two::callBack(int, const std::string& token) {
    AutoCheckContent::feedBackWith(false, token, 0);
    std::string sealed = token.substr(0, token.find('|'));
    auto plain = OADes::OADecrypt(PersistentUtil::sharedInstance().stringForKey("key"), sealed);
    // A token we cannot read leaves what is stored as it was.
    if (!plain || plain->size() < 4)
        return;
    std::string rest = plain->substr(4);
    auto bar = rest.find('|');
    if (bar == std::string::npos)
        return;
    // Split at every "|": the second part ends at the next one.
    std::string first = rest.substr(0, bar);
    std::string second = rest.substr(bar + 1, rest.find('|', bar + 1) - (bar + 1));
    zelConfig& config = zelConfig::shareZelConfig();
    if (!second.empty() && second[0] == 's') {
        PersistentUtil::sharedInstance().setValue(second, "tarvId");
        config.setToken(first);
    } else {
        config.setToken(first);
        config.setPhoneNo(second);
    }
}

} // namespace pw

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

// The engine's older variants: blocking exchanges on the calling thread, outcomes
// handed to the main thread. No flow of the app calls them today; callers of the
// kit may still.

namespace {

// The record an SMS result callback reads.
core::Value paramResult(int code, const std::string& text) {
    return core::Value(core::Value::Map{{"kParamCode", code}, {"kParamMsg", text}});
}

void closeEvents(int first, int second, uint32_t action, int status, uint32_t sign) {
    LogUtil& stats = LogUtil::sharedInstance();
    stats.setCollectAttr(
        core::Value(core::Value::Map{{"actionId", action}, {"statusCode", status}, {"eventSign", sign}}), second);
    stats.endCollectionWithEventId(second);
    stats.setCollectAttr(core::Value(core::Value::Map{{"actionId", 0}, {"statusCode", status}, {"eventSign", sign}}),
                         first);
    stats.endCollectionWithEventId(first);
}

} // namespace

void zel_two::openExLoginWindow() {
    GlobalConstants& run = GlobalConstants::sharedInstance();
    int window = static_cast<int>(run.values().timoutExLogin);
    run.update([&](GlobalValues& v) { v.remainExLogin = window; });
    run.startProcessWithInterval(window, [](int left) {
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.remainExLogin = left; });
    });
}

std::string zel_two::filterNumberChar(const std::string& text) {
    std::string out;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == '#' || c == '*' || c == '+' || c == '-')
            out += c;
    return out;
}

std::optional<SdkJsonValue> zel_two::guid() const {
    std::lock_guard lock(m_mutex);
    return m_guid;
}

std::optional<SdkJsonValue> zel_two::verify() const {
    std::lock_guard lock(m_mutex);
    return m_verify;
}

std::string zel_two::phoneNumber() const {
    std::lock_guard lock(m_mutex);
    return m_phoneNumber;
}

bool zel_two::getGuid(const std::string& imsi) {
    return getGuidWith(imsi, "");
}

bool zel_two::getGuidWith(const std::string& imsi, const std::string& smsp) {
    auto answer = RQHTTPRequestWithURLString(zelConfig::shareZelConfig().guidUrl + "?imsi=" + imsi + "&smsp=" + smsp +
                                             "&appId=" + std::to_string(m_appId));
    auto json = SdkJsonParserWithString(answer);
    {
        std::lock_guard lock(m_mutex);
        m_guid = json;
    }
    std::string guid = json ? zel::textField(*json, "guid").value_or("") : "";
    if (!json || zel::intField(*json, "Result").value_or(0) != 0 || guid.empty())
        return false;
    PersistentUtil& store = PersistentUtil::sharedInstance();
    store.setValue(guid, "guid");
    store.setValue(zel::textField(*json, "key").value_or(""), "key");
    if (auto ssn = zel::textField(*json, "ssnlist"))
        GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.ssnList = *ssn; });
    return true;
}

void zel_two::mobileSendSMSLoginGetGUIDInBackground() {
    if (getGuid(deviceIdentity())) {
        core::RunLoop::runOnMain([] { zel_two::shareZelTwo().doMobileSendSMSLoginGetGUID(); }, true);
        return;
    }
    const std::string text = zel::errorText(zel::GuidFailed).value_or("");
    setResult(zel::GuidFailed, text);
    core::RunLoop::runOnMain(
        [text] { zel_two::shareZelTwo().doMobileSendSMSLoginResult(paramResult(zel::GuidFailed, text)); }, true);
}

void zel_two::mobileReceiveSMSLoginInBackground(const std::string& phoneNumber) {
    const std::string number = filterNumberChar(phoneNumber);
    {
        std::lock_guard lock(m_mutex);
        m_phoneNumber = number;
    }
    int code = zel::NeedPhoneNumber;
    std::string text = zel::errorText(code).value_or("");
    if (!number.empty()) {
        LogUtil::sharedInstance().startCollectWithEventId(20);
        LogUtil::sharedInstance().startCollectWithEventId(21);
        std::string id = StringUtil::generateUUID();
        PersistentUtil::sharedInstance().setValue(id, "uuid");
        std::string message = "ZESL" + id + "-1-" + std::to_string(m_appId) + "-" + std::to_string(m_areaId);
        auto answer = RQHTTPRequestWithURLString(zelConfig::shareZelConfig().recVeriSmsUrl + "?phone=" + number +
                                                 "&msg=" + message + "&clientVersion=2.3.0&endpointOS=ios");
        auto json = m_requestErrorCode != 0 ? std::nullopt : SdkJsonParserWithString(answer);
        auto resultCode = json ? zel::intField(*json, "resultCode") : std::nullopt;
        if (m_requestErrorCode != 0) {
            code = zel::NetworkError;
            text = zel::errorText(code).value_or("");
        } else if (!json || zel::intField(*json, "Result").value_or(-1) != 0 || !resultCode) {
            code = zel::UnknownError;
            text.clear();
        } else {
            code = static_cast<int>(*resultCode);
            text = zel::textField(*json, "resultMsg").value_or("");
        }
        closeEvents(20, 21, 120, code, 20);
    }
    std::string session = StringUtil::buildRequestSessionId(std::nullopt);
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    core::RunLoop::runOnMain(
        [code, text] {
            // The code's window counts down on the main run loop.
            if (code == 0)
                openExLoginWindow();
            AutoCheckContent::callBackMethodWith(
                zel::buildCallBackDicWith(code == 0 ? zel::NeedVerificationCode : code, text));
            zel_two::shareZelTwo().doMobileReceiveSMSLoginResult(paramResult(code, text));
        },
        true);
}

void zel_two::doMobileReceiveSMSLoginResult(const core::Value& result) {
    LogUtil::sharedInstance().flush();
    if (auto d = appDelegate(); d && d->mobileReceiveSMSLoginResult)
        d->mobileReceiveSMSLoginResult(static_cast<int>(result["kParamCode"].asInt().value_or(zel::UnknownError)),
                                       result["kParamMsg"].asString().value_or(""));
}

void zel_two::checkVerificationCodeInBackground(const std::string& code) {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    std::string id, guid, key;
    {
        std::lock_guard lock(m_mutex);
        id = store.stringForKey("uuid");
        guid = store.stringForKey("guid");
        key = store.stringForKey("key");
    }
    LogUtil::sharedInstance().startCollectWithEventId(20);
    LogUtil::sharedInstance().startCollectWithEventId(22);
    zelConfig& config = zelConfig::shareZelConfig();
    auto answer =
        RQHTTPRequestWithURLString(config.verifyClientUrl + "?guid=" + LogUtil::urlEncodeValue(guid) + "&uuid=" + id +
                                   "&needVerifyCode=1&verifyCode=" + code + "&appId=" + std::to_string(m_appId) +
                                   "&areaId=" + std::to_string(m_areaId) + "&clientVersion=2.3.0&endpointOS=ios");
    auto json = m_requestErrorCode != 0 ? std::nullopt : SdkJsonParserWithString(answer);
    {
        std::lock_guard lock(m_mutex);
        m_verify = json;
    }
    int outcome;
    std::string text;
    if (m_requestErrorCode != 0) {
        outcome = zel::NetworkError;
        text = zel::errorText(outcome).value_or("");
    } else if (!json) {
        outcome = zel::UnknownError;
        text = zel::errorText(outcome).value_or("");
    } else {
        outcome = static_cast<int>(zel::intField(*json, "resultCode").value_or(zel::UnknownError));
        text = zel::textField(*json, "resultMsg").value_or("");
    }
    if (outcome == 0) {
        // The token and the phone number carry four characters ahead of them.
        auto plain = [&](const char* field, size_t skip) {
            std::string value = OADes::OADecrypt(key, zel::textField(*json, field)).value_or("");
            return value.size() >= skip ? value.substr(skip) : std::string();
        };
        config.setSessionId(plain("sessionId", 0));
        config.setToken(plain("token", 4));
        config.setPhoneNo(plain("phoneNo", 4));
        if (auto newGuid = zel::textField(*json, "guid"))
            store.setValue(*newGuid, "guid");
        if (auto newKey = zel::textField(*json, "key"))
            store.setValue(*newKey, "key");
    } else if (outcome != zel::NetworkError) {
        config.setSessionId("");
        config.setToken("");
        config.setPhoneNo("");
    }
    std::string session = StringUtil::buildRequestSessionId(code);
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    closeEvents(20, 22, 130, outcome, 20);
    core::RunLoop::runOnMain(
        [outcome, text] { zel_two::shareZelTwo().doCheckVerificationCodeResult(paramResult(outcome, text)); }, true);
}

void zel_two::doCheckVerificationCodeResult(const core::Value& result) {
    LogUtil::sharedInstance().flush();
    if (auto d = appDelegate(); d && d->checkVerificationCodeResult)
        d->checkVerificationCodeResult(static_cast<int>(result["kParamCode"].asInt().value_or(zel::UnknownError)),
                                       result["kParamMsg"].asString().value_or(""));
}

void zel_two::autoLoginInBackground() {
    zelConfig& config = zelConfig::shareZelConfig();
    const std::string phone = config.getPhoneNo();
    const std::string token = config.getToken();
    core::Value result;
    if (phone.empty() || token.empty()) {
        result = zel::getResDicWithErrorCode(zel::NoAutoLoginMark);
    } else {
        PersistentUtil& store = PersistentUtil::sharedInstance();
        auto answer = RQHTTPRequestWithURLString(
            config.autoLoginUrl + "?phoneNo=" + phone + "&token=" + token +
            "&guid=" + LogUtil::urlEncodeValue(store.stringForKey("guid")) + "&appId=" + std::to_string(m_appId) +
            "&areaId=" + std::to_string(m_areaId) + "&clientVersion=2.3.0&endpointOS=ios");
        auto json = m_requestErrorCode != 0 ? std::nullopt : SdkJsonParserWithString(answer);
        auto code = json ? zel::intField(*json, "resultCode") : std::nullopt;
        if (m_requestErrorCode != 0) {
            result = zel::getResDicWithErrorCode(zel::NetworkError);
        } else if (!json) {
            result = zel::getResDicWithErrorCode(zel::ServerFailed);
        } else if (zel::intField(*json, "Result").value_or(0) != 0 || !code) {
            result = zel::getResDicWithErrorCode(zel::UnknownError);
        } else if (*code != 0) {
            result = zel::buildResDicWithErrorCode(static_cast<int>(*code), zel::textField(*json, "resultMsg"));
        } else {
            if (auto sealed = zel::textField(*json, "sessionId"))
                config.setSessionId(OADes::OADecrypt(store.stringForKey("key"), sealed).value_or(""));
            std::string session = StringUtil::buildSessionIdWithType(1);
            GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
            result = zel::getResDicWithErrorCode(0);
            result.set("needValidate", true);
        }
    }
    core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().doAutoLoginResult(result); }, true);
}

void zel_two::autoPtLoginInBackground() {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    const std::string sessionKey = store.stringForKey("SESSIONKEY");
    core::Value result;
    if (sessionKey.empty()) {
        result = zel::getResDicWithErrorCode(zel::AutoLoginExpired);
    } else {
        LogUtil::sharedInstance().startCollectWithEventId(40);
        LogUtil::sharedInstance().startCollectWithEventId(41);
        // The request classes read the answers; nothing is sent through them.
        ZelPtAutoLogin exchange;
        auto first = RQHTTPRequestWithURLString(exchange.url + "?requestcode=204");
        int failCode = 0;
        std::optional<std::string> failText;
        const bool gotKey = exchange.readFirstStep(m_requestErrorCode ? std::nullopt : first, failCode, failText);
        ZelPtAutoLogin::closeFirstStep(!gotKey);
        if (!gotKey) {
            result = zel::buildResDicWithErrorCode(failCode, failText);
        } else {
            store.setValue(exchange.guid, "ptguid");
            store.setValue(exchange.key, "ptkey");
            LogUtil::sharedInstance().startCollectWithEventId(52);
            LogUtil::sharedInstance().startCollectWithEventId(42);
            auto second =
                RQHTTPRequestWithURLString(exchange.url + "?guid=" + LogUtil::urlEncodeValue(exchange.guid) +
                                           "&AppID=" + std::to_string(m_appId) + "&AreaID=" + std::to_string(m_areaId) +
                                           "&clientVersion=2.3.0&SessionKey=" + LogUtil::urlEncodeValue(sessionKey) +
                                           "&AutoLogin=1&SaveTime=30&RequestCode=205");
            ZELPtRequest::Reply reply;
            std::optional<std::string> text;
            std::string recorded;
            const int code =
                ZelPtAutoLogin::readSecondStep(m_requestErrorCode ? std::nullopt : second, reply, text, recorded);
            if (code == 0)
                ZelPtAutoLogin::storeSession(reply);
            result = zel::buildResDicWithErrorCode(code, text);
            AutoCheckContent::callBackMethodWith(AutoCheckContent::buildCallBackDicWith(code, recorded));
            ZelPtAutoLogin::closeSecondStep(code);
        }
    }
    core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().doAutoLoginResult(result); }, true);
}

void zel_two::doAutoLoginResult(const core::Value& result) {
    answerOperation(ZelOpAutoLogin, result);
}

void zel_two::answerOperation(int operation, const core::Value& result) {
    LogUtil::sharedInstance().flush();
    auto d = appDelegate();
    // No record (an AuthenState the kit does not know) gives no answer.
    if (result.isNull() || !d)
        return;
    // A success record of the passport login carries its login type alone.
    const auto code = result["errorCode"].asInt();
    if (!code || *code == 0) {
        if (d->onSuccess)
            d->onSuccess(operation, result);
    } else if (d->onFail) {
        d->onFail(operation, result);
    }
}

void zel_two::loginByPTInBackground(const std::string& account, const std::string& password) {
    LogUtil& stats = LogUtil::sharedInstance();
    stats.startCollectWithEventId(50);
    stats.startCollectWithEventId(51);
    ZELPtRequest exchange;
    auto first = RQHTTPRequestWithURLString(exchange.url + "?requestcode=204");
    int failCode = 0;
    std::optional<std::string> failText;
    core::Value result;
    if (!exchange.readFirstStep(m_requestErrorCode ? std::nullopt : first, failCode, failText)) {
        ZELPtRequest::closeFirstStepStatistics(true);
        result = zel::buildResDicWithErrorCode(failCode, failText);
    } else {
        ZELPtRequest::closeFirstStepStatistics(false);
        PersistentUtil& store = PersistentUtil::sharedInstance();
        store.setValue(exchange.guid, "ptguid");
        store.setValue(exchange.key, "ptkey");
        std::optional<std::string> sealedAccount, sealedPassword;
        if (vornEncryptSource(account, exchange.key, sealedAccount) != 0 ||
            vornEncryptSource(password, exchange.key, sealedPassword) != 0) {
            // A KeyWord the cipher cannot use: no credentials go out empty.
            stats.endCollectionWithEventId(50);
            result = zel::getPlainResDicWithErrorCode(zel::GuidFailed);
        } else {
            stats.startCollectWithEventId(52);
            auto second = RQHTTPRequestWithURLString(
                exchange.url + "?GUID=" + LogUtil::urlEncodeValue(exchange.guid) + "&AppID=" + std::to_string(m_appId) +
                "&AreaID=" + std::to_string(m_areaId) + "&clientVersion=2.3.0&Account=" + *sealedAccount +
                "&Pwd=" + *sealedPassword + "&AutoLogin=1&SaveTime=30&RequestCode=201");
            ZELPtRequest::Reply reply;
            std::optional<std::string> text;
            int status = 0;
            const int code =
                m_requestErrorCode != 0 ? zel::NetworkError : ZELPtRequest::readSecondStep(second, reply, text, status);
            if (m_requestErrorCode != 0) {
                text = zel::errorText(code);
                status = code;
            }
            if (code != 0) {
                result = zel::buildResDicWithErrorCode(code, text);
                AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(code, text));
            } else {
                int recorded = 0;
                // The login is stored here, off the main thread, as the
                // service answered; the delegate hears it on the main thread.
                auto login = ZELPtRequest::storeLogin(account, reply, recorded);
                result = login ? *login : core::Value();
                if (login)
                    AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(recorded, text));
            }
            ZELPtRequest::closeSecondStepStatistics(status, reply);
        }
    }
    core::RunLoop::runOnMain([result] { zel_two::shareZelTwo().loginByPTResult(result); }, true);
}

void zel_two::loginByPTResult(const core::Value& result) {
    answerOperation(ZelOpPassportLogin, result);
}

} // namespace pw

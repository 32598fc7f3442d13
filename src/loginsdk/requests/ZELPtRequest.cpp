#include "loginsdk/requests/ZELPtRequest.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "loginsdk/zel_two.h"

namespace pw {

ZELPtRequest::ZELPtRequest() {
    url = zelConfig::shareZelConfig().redirectUrl;
    optCmd = ZelOpPassportLogin;
}

bool ZELPtRequest::readFirstStep(const std::optional<std::string>& answer, int& failCode,
                                 std::optional<std::string>& failText) {
    if (!answer) {
        failCode = zel::GuidFailed;
        failText = zel::errorText(zel::GuidFailed);
        return false;
    }
    auto json = zel::parseAnswerObject(answer);
    if (!json) {
        failCode = zel::NetworkError;
        failText = zel::errorText(zel::NetworkError);
        return false;
    }
    // Missing "Result" and "resultCode" read as 0.
    if (zel::intField(*json, "Result").value_or(0) != 0) {
        failCode = zel::GuidFailed;
        failText = zel::errorText(zel::GuidFailed);
        return false;
    }
    auto code = zel::intField(*json, "resultCode").value_or(0);
    auto message = zel::textField(*json, "resultMsg");
    if (code != 0) {
        failCode = static_cast<int>(code);
        failText = message;
        return false;
    }
    auto fields = zel_two::ptStringParserWithString(message);
    if (!fields || !fields->count("GUID") || !fields->count("KeyWord")) {
        failCode = zel::GuidFailed;
        failText = zel::errorText(zel::GuidFailed);
        return false;
    }
    guid = (*fields)["GUID"];
    key = (*fields)["KeyWord"];
    return true;
}

void ZELPtRequest::startRequest() {
    LogUtil::sharedInstance().startCollectWithEventId(50);
    LogUtil::sharedInstance().startCollectWithEventId(51);
    send(url + "?requestcode=204",
         [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
             auto& self = static_cast<ZELPtRequest&>(base);
             int code = 0;
             std::optional<std::string> text;
             if (self.readFirstStep(answer, code, text)) {
                 self.closeFirstStepStatistics(false);
                 self.getGuidFinish();
                 return;
             }
             self.reportFail(zel::buildResDicWithErrorCode(code, text));
             self.closeFirstStepStatistics(true);
             self.postDestroy();
         });
}

void ZELPtRequest::closeFirstStepStatistics(bool failed) {
    LogUtil& stats = LogUtil::sharedInstance();
    if (failed)
        stats.withRecord(50, [](DataCollectionRecord& r) {
            r.eventCode = 50;
            r.actionId = 0;
            r.statusCode = zel::GuidFailed;
        });
    stats.withRecord(51, [](DataCollectionRecord& r) {
        r.eventCode = 50;
        r.actionId = 110;
        r.statusCode = zel::GuidFailed;
    });
    stats.endCollectionWithEventId(50);
    stats.endCollectionWithEventId(51);
    stats.flush();
}

void ZELPtRequest::getGuidFinish() {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    store.setValue(guid, "ptguid");
    store.setValue(key, "ptkey");
    // A value the cipher cannot encrypt (a KeyWord of another length) goes
    // out empty, and the service answers.
    std::optional<std::string> account, password;
    zel_two::vornEncryptSource(userName, key, account);
    zel_two::vornEncryptSource(pwd, key, password);
    LogUtil::sharedInstance().startCollectWithEventId(52);
    std::string query = url + "?GUID=" + LogUtil::urlEncodeValue(guid) + "&AppID=" + std::to_string(delegateAppId()) +
                        "&AreaID=" + std::to_string(delegateAreaId()) +
                        "&clientVersion=2.3.0&Account=" + account.value_or("") + "&Pwd=" + password.value_or("") +
                        "&AutoLogin=1&SaveTime=30&RequestCode=201";
    send(query, [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
        static_cast<ZELPtRequest&>(base).answerSecondStep(answer);
    });
}

int ZELPtRequest::readSecondStep(const std::optional<std::string>& answer, Reply& reply,
                                 std::optional<std::string>& text, int& status) {
    auto json = zel::parseAnswerObject(answer);
    auto fields = json ? zel_two::ptStringParserWithString(zel::textField(*json, "resultMsg")) : std::nullopt;
    reply = fields.value_or(Reply{});
    int code;
    if (!json) {
        code = zel::NetworkError;
        text = zel::errorText(code);
        status = zel::UnknownError;
    } else if (zel::intField(*json, "Result").value_or(0) != 0) {
        code = zel::UnknownError;
        text = zel::errorText(code);
        status = code;
    } else if (!reply.count("RetValue")) {
        // A reply without its result field is no login.
        code = zel::ServerFailed;
        text = zel::errorText(code);
        status = code;
    } else {
        code = std::atoi(reply["RetValue"].c_str());
        // A missing text stays missing: the answer reads "未知错误信息".
        if (auto it = reply.find("DescMsg"); it != reply.end())
            text = it->second;
        status = code;
    }
    return code;
}

std::optional<core::Value> ZELPtRequest::storeLogin(const std::string& account, Reply& reply, int& recorded) {
    int state = reply.count("AuthenState") ? std::atoi(reply["AuthenState"].c_str()) : 0;
    std::string sessionId = reply["SessionID"];
    std::string sessionKey = reply["SESSIONKEY"];
    zelConfig& config = zelConfig::shareZelConfig();
    GlobalConstants& run = GlobalConstants::sharedInstance();
    if (state == 0) {
        PersistentUtil::sharedInstance().setValue(sessionKey, "SESSIONKEY");
        config.setPtAccount(account);
        config.setSessionId(sessionId);
        config.setPhoneNo("");
        config.setPhoneNumber("");
        config.setToken("");
        zelOpenAPI::shareZelOpenAPI().setPtAccount(account);
        zelOpenAPI::shareZelOpenAPI().setPhoneNumber("");
        run.update([&](GlobalValues& v) { v.currentSessionId = sessionId; });
        recorded = 0;
        return core::Value(core::Value::Map{{"loginType", 200}});
    }
    if (state < 1 || state > 3)
        return std::nullopt;
    run.update([&](GlobalValues& v) {
        v.ptAccount = account;
        v.currentSessionId = sessionId;
        v.sessionKey = sessionKey;
    });
    config.setPhoneNo("");
    config.setToken("");
    static const int recordedCodes[] = {zel::NeedLockCheck, zel::NeedK7Check, zel::NeedSecurityCard};
    static const char* promptKey[] = {"RandomNum", "Challenge", "ECardPos"};
    static const char* resultKey[] = {"randomNum", "Challenge", "ECardPos"};
    recorded = recordedCodes[state - 1];
    return core::Value(
        core::Value::Map{{"loginType", 200 + state}, {resultKey[state - 1], reply[promptKey[state - 1]]}});
}

void ZELPtRequest::closeSecondStepStatistics(int status, Reply& reply) {
    LogUtil& stats = LogUtil::sharedInstance();
    auto fill = [&](uint32_t action) {
        return [&, action](DataCollectionRecord& r) {
            r.eventCode = 50;
            r.actionId = action;
            r.statusCode = status;
            if (reply.count("SessionID"))
                r.sessionId = reply["SessionID"];
            if (reply.count("TarvID"))
                r.tarvId = reply["TarvID"];
        };
    };
    stats.withRecord(52, fill(120));
    stats.withRecord(50, fill(0));
    stats.endCollectionWithEventId(52);
    stats.endCollectionWithEventId(50);
    stats.flush();
}

void ZELPtRequest::answerSecondStep(const std::optional<std::string>& answer) {
    if (!answer) {
        // A network failure is answered like any other failure.
        reportFail(zel::getPlainResDicWithErrorCode(zel::NetworkError));
        LogUtil::sharedInstance().endCollectionWithEventId(52);
        LogUtil::sharedInstance().endCollectionWithEventId(50);
        postDestroy();
        return;
    }
    Reply reply;
    std::optional<std::string> text;
    int status = 0;
    const int code = readSecondStep(answer, reply, text, status);
    if (code != 0) {
        AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(code, text));
        reportFail(zel::buildResDicWithErrorCode(code, text));
    } else if (auto d = appDelegate(); d && d->onSuccess) {
        int recorded = 0;
        if (auto result = storeLogin(userName, reply, recorded)) {
            AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(recorded, text));
            reportSuccess(*result);
            if (recorded == 0)
                later([] { AutoCheckContent::feedBackWith(false, "there is no token!!", 0); });
        }
    }
    closeSecondStepStatistics(status, reply);
    postDestroy();
}

} // namespace pw

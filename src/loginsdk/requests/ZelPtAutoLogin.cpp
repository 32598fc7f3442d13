#include "loginsdk/requests/ZelPtAutoLogin.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zel_two.h"

namespace pw {

ZelPtAutoLogin::ZelPtAutoLogin() {
    optCmd = ZelOpAutoLogin;
}

void ZelPtAutoLogin::closeFirstStep(bool failed) {
    LogUtil& stats = LogUtil::sharedInstance();
    if (failed)
        stats.withRecord(40, [](DataCollectionRecord& r) {
            r.eventCode = 40;
            r.actionId = 0;
            r.statusCode = zel::GuidFailed;
        });
    stats.withRecord(41, [](DataCollectionRecord& r) {
        r.eventCode = 40;
        r.actionId = 110;
        r.statusCode = zel::GuidFailed;
    });
    stats.endCollectionWithEventId(40);
    stats.endCollectionWithEventId(41);
    stats.flush();
}

void ZelPtAutoLogin::startRequest() {
    LogUtil::sharedInstance().startCollectWithEventId(40);
    LogUtil::sharedInstance().startCollectWithEventId(41);
    send(url + "?requestcode=204",
         [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
             auto& self = static_cast<ZelPtAutoLogin&>(base);
             int code = 0;
             std::optional<std::string> text;
             if (self.readFirstStep(answer, code, text)) {
                 self.closeFirstStep(false);
                 self.getGuidFinish();
                 return;
             }
             self.getGuidFail();
             self.reportFail(zel::buildResDicWithErrorCode(code, text));
             self.closeFirstStep(true);
             self.postDestroy();
         });
}

void ZelPtAutoLogin::getGuidFinish() {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    store.setValue(guid, "ptguid");
    store.setValue(key, "ptkey");
    LogUtil::sharedInstance().startCollectWithEventId(52);
    LogUtil::sharedInstance().startCollectWithEventId(42);
    std::string query = url + "?guid=" + LogUtil::urlEncodeValue(guid) + "&AppID=" + std::to_string(delegateAppId()) +
                        "&AreaID=" + std::to_string(delegateAreaId()) +
                        "&clientVersion=2.3.0&SessionKey=" + LogUtil::urlEncodeValue(store.stringForKey("SESSIONKEY")) +
                        "&AutoLogin=1&SaveTime=30&RequestCode=205";
    send(query, [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
        static_cast<ZelPtAutoLogin&>(base).answerSecondStep(answer);
    });
}

int ZelPtAutoLogin::readSecondStep(const std::optional<std::string>& answer, Reply& reply,
                                   std::optional<std::string>& text, std::string& recorded) {
    auto json = zel::parseAnswerObject(answer);
    auto fields = json ? zel_two::ptStringParserWithString(zel::textField(*json, "resultMsg")) : std::nullopt;
    reply = fields.value_or(Reply{});
    int code;
    if (!answer) {
        code = zel::NetworkError;
        text = zel::errorText(code);
    } else if (!json) {
        code = zel::ServerFailed;
        text = zel::errorText(code);
    } else if (zel::intField(*json, "Result").value_or(0) != 0) { // missing reads as 0
        code = zel::UnknownError;
        text = zel::errorText(code);
        recorded = text.value_or("");
    } else if (!reply.count("RetValue")) {
        code = zel::ServerFailed;
        text = zel::errorText(code);
        recorded = text.value_or("");
    } else {
        code = std::atoi(reply["RetValue"].c_str());
        // A missing text stays missing: the answer reads "未知错误信息".
        if (auto it = reply.find("DescMsg"); it != reply.end())
            text = it->second;
        recorded = text.value_or("");
    }
    return code;
}

void ZelPtAutoLogin::storeSession(Reply& reply) {
    std::string sessionId = reply["SessionID"];
    if (reply.count("SessionID"))
        zelConfig::shareZelConfig().setSessionId(sessionId);
    PersistentUtil::sharedInstance().setValue(reply["SESSIONKEY"], "SESSIONKEY");
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = sessionId; });
}

void ZelPtAutoLogin::closeSecondStep(int code) {
    LogUtil& stats = LogUtil::sharedInstance();
    stats.withRecord(52, [code](DataCollectionRecord& r) {
        r.eventCode = 40;
        r.actionId = 120;
        r.statusCode = code;
    });
    stats.withRecord(50, [code](DataCollectionRecord& r) {
        r.eventCode = 40;
        r.actionId = 0;
        r.statusCode = code;
    });
    stats.endCollectionWithEventId(52);
    stats.endCollectionWithEventId(42);
    stats.flush();
}

void ZelPtAutoLogin::answerSecondStep(const std::optional<std::string>& answer) {
    Reply reply;
    std::optional<std::string> text;
    std::string recorded;
    const int code = readSecondStep(answer, reply, text, recorded);
    if (code != 0) {
        reportFail(zel::buildResDicWithErrorCode(code, text));
    } else {
        storeSession(reply);
        reportSuccess(zel::buildResDicWithErrorCode(0, text));
    }
    AutoCheckContent::callBackMethodWith(AutoCheckContent::buildCallBackDicWith(code, recorded));
    if (code == 0) {
        std::string sessionKey = PersistentUtil::sharedInstance().stringForKey("SESSIONKEY");
        later([sessionKey] { AutoCheckContent::feedBackWith(false, sessionKey, 0); });
    }
    closeSecondStep(code);
    postDestroy();
}

} // namespace pw

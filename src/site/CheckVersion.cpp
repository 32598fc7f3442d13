#include "site/CheckVersion.h"

#include "foundation/codec/JSONCodec.h"
#include "foundation/hosts/SiteHosts.h"
#include "platform/core/NotificationCenter.h"
#include "site/RZHTTPRequest.h"

namespace pw {

void CheckVersion::checkVersion() {
    auto request = newRequest(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/PagewelliOSUpdate.txt", 30);
    request->startAsynchronous();
}

void CheckVersion::requestFinished(RQHTTPRequest& request) {
    auto& nc = core::NotificationCenter::defaultCenter();
    // An error page from the host is no descriptor: the check failed.
    if (request.responseStatusCode() != 200) {
        nc.post("NSNotificationCenter_VersionCheckFailed");
        return;
    }
    std::optional<core::Value> reply;
    if (auto bytes = request.responseData())
        reply = mutableObjectFromJSONStringWithParseOptions(*bytes, 4);
    const core::Value& code = reply ? (*reply)["versionCode"] : core::Value::null();
    int64_t versionCode = code.asInt().value_or(0);
    if (auto s = code.asString())
        versionCode = std::strtoll(s->c_str(), nullptr, 10);
    if (reply && reply->isMap() && versionCode > kVersionCode) {
        core::Value note = core::Value::map();
        for (const char* key : {"versionName", "url", "description"})
            note.set(key, (*reply)[key].asString().value_or(""));
        nc.post("NSNotificationCenter_NewVersionAvailable", std::move(note));
        return;
    }
    nc.post("NSNotificationCenter_NoNewVersion");
}

void CheckVersion::requestFailed(RQHTTPRequest&) {
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_VersionCheckFailed");
}

} // namespace pw

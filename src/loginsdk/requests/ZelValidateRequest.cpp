#include "loginsdk/requests/ZelValidateRequest.h"

#include "foundation/hosts/SiteHosts.h"
#include "loginsdk/stats/LogUtil.h"

namespace pw {

ZelValidateRequest::ZelValidateRequest() {
    // The servlet listens on port 8081 of the account service's host, over plain HTTP.
    std::string base = SiteHosts::baseUrl(SiteHosts::Service::Account);
    std::string host = base.substr(base.find("://") == std::string::npos ? 0 : base.find("://") + 3);
    if (auto colon = host.find(':'); colon != std::string::npos)
        host.resize(colon);
    url = "http://" + host + ":8081/appdemo/appDemoServlet";
}

void ZelValidateRequest::startRequest() {
    send(url + "?sessionId=" + LogUtil::urlEncodeValue(sessionId),
         [](ZelRequestBody& self, const std::optional<std::string>& answer, const std::string& error) {
             if (auto d = static_cast<ZelValidateRequest&>(self).appDelegate(); d && d->validateResponse)
                 d->validateResponse(answer ? *answer : error);
             static_cast<ZelValidateRequest&>(self).postDestroy();
         });
}

} // namespace pw

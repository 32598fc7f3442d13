#include "StandinSite.h"
#include "endpoints/Endpoints.h"

#include <httplib.h>

namespace pw::standin {

void registerLoginEndpoints(StandinSite& site) {
    // The login check: a script-like text the client matches for userId:'<digits>'.
    site.get(
        Host::Interface, "/api/CheckLoginWithInfo.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
            const std::string id = call.userId ? std::to_string(*call.userId) : "0";
            res.set_content("var loginInfo = {userId:'" + id + "',isLogin:" + (call.userId ? "true" : "false") + "};",
                            "text/javascript; charset=utf-8");
        });

    // The login validation: turns an account-service session id into a site
    // session (a cookie) and the user's profile.
    site.get(Host::Interface, "/api/ZELLoginValidate.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto user = call.site.userForSessionId(call.param("sessionid"));
        if (!user) {
            res.set_content(R"({"vemoToken":"","zelResultCode":-1})", "application/json; charset=utf-8");
            return;
        }
        const std::string token = call.site.openSession(*user);
        res.set_header("Set-Cookie", std::string(StandinSite::kSessionCookie) + "=" + token + "; Path=/");
        const std::string id = std::to_string(*user);
        // Ten fields: 5 is the nickname, 8 the avatar's image code.
        const std::string info = id + "|" + StandinSite::kReaderName + "|0|0|0|" + StandinSite::nickNameOf(*user) + "|0|0|head" + id + "|0";
        res.set_content(R"({"vemoToken":"vt-)" + id + R"(","UserInfo":")" + info + R"(","zelToken":"zt-)" + id +
                            R"(","zelResultCode":0})",
                        "application/json; charset=utf-8");
    });

    // The avatar: its address on the image host.
    site.get(Host::Interface, "/api/GetHeadImage.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        res.set_content(call.site.baseUrl(Host::Image) + "/heads/" + call.param("imageid") + ".jpg",
                        "text/plain; charset=utf-8");
    });
}

} // namespace pw::standin

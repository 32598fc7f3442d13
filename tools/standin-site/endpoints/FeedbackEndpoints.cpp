#include "StandinSite.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include <httplib.h>

namespace pw::standin {

void registerFeedbackEndpoints(StandinSite& site) {
    // A remark from a logged-in reader: the site keeps it (the recorded
    // request) and thanks the user; without the session it asks for a login.
    site.post(Host::Interface, "/api/AddFeedback.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId)
            return json(res, R"({"Result":-1,"msg":"请先登录"})");
        if (call.param("cnt").empty())
            return json(res, R"({"Result":-2,"msg":"留言内容不能为空"})");
        json(res, R"({"Result":1,"msg":"感谢您的反馈，我们会尽快处理！"})");
    });
}

} // namespace pw::standin

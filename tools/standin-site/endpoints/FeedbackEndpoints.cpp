#include "StandinSite.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include <httplib.h>

namespace pw::standin {

void registerFeedbackEndpoints(StandinSite& site) {
    // A reader's feedback: kept with the sender's id only for a session.
    site.post(Host::Interface, "/api/AddFeedback.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId)
            return json(res, R"({"msg":"请先登录"})");
        if (call.param("cnt").empty())
            return json(res, R"({"msg":"反馈内容不能为空"})");
        json(res, R"({"msg":"感谢您的反馈，我们会尽快处理"})");
    });
}

} // namespace pw::standin

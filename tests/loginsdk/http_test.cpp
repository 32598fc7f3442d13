#include "loginsdk/requests/ZELHttpRequest.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

namespace pw {
namespace {

class CharsetServer {
public:
    CharsetServer() {
        std::string gb = *core::text::encodeFromUtf8("中文", "GB18030");
        m_server.Get("/gb", [gb](const httplib::Request&, httplib::Response& res) {
            res.set_content(gb, "text/plain; charset=gb2312");
        });
        m_server.Get("/GB", [gb](const httplib::Request&, httplib::Response& res) {
            res.set_content(gb, "text/plain; charset=GB2312");
        });
        m_server.Get("/none",
                     [gb](const httplib::Request&, httplib::Response& res) { res.set_content(gb, "text/plain"); });
        m_server.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("中文", "text/plain; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~CharsetServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

TEST(ZELHttpRequest, OnlyAnExactGb2312AnswerIsReadAsGb18030) {
    CharsetServer server;
    core::RunLoop::setMain(core::RunLoop::currentShared());
    struct Case {
        const char* path;
        std::optional<std::string> async;
    };
    const Case cases[] = {
        {"/gb", std::string("中文")},
        {"/GB", std::nullopt}, // read as UTF-8, which these bytes are not
        {"/none", std::nullopt},
        {"/utf8", std::string("中文")},
    };
    for (const auto& c : cases) {
        auto request = ZELHttpRequest::initWithURL(server.url(c.path));
        bool done = false;
        request->setDidFinish([&](ZELHttpRequest&) { done = true; });
        request->setDidFail([&](ZELHttpRequest&) { done = true; });
        request->startAsynchronous();
        ASSERT_TRUE(core::RunLoop::current().runUntil([&] { return done; }, 10));
        EXPECT_EQ(request->responseString(), c.async) << c.path;

        ZELHttpRequest blocking(server.url(c.path));
        blocking.setTimeOutSeconds(5);
        blocking.startSynchronous();
        std::optional<std::string> utf8 =
            std::string(c.path) == "/utf8" ? std::optional<std::string>("中文") : std::nullopt;
        EXPECT_EQ(blocking.responseString(), utf8) << c.path;
    }
    core::RunLoop::setMain(nullptr);
}

TEST(ZELHttpRequest, TransportFailureIsReported) {
    ZELHttpRequest blocking("http://127.0.0.1:1/nothing");
    blocking.setTimeOutSeconds(5);
    blocking.startSynchronous();
    EXPECT_TRUE(blocking.error());
    EXPECT_FALSE(blocking.responseString());
}

} // namespace
} // namespace pw

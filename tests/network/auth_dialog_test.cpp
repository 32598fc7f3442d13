#include "NetTest.h"

#include "network/RQAuthenticationDialog.h"
#include "platform/core/Paths.h"
#include "platform/device/Device.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {
fakesite::RawReply proxyChallenge() {
    return fakesite::RawReply::bytes(fakesite::httpResponse(407, "Proxy Authentication Required",
                                                            {{"Proxy-Authenticate", "Basic realm=\"gate\""}}, ""));
}
} // namespace

class AuthDialogTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        core::Paths::setHome(m_dir);
        device::Device::current().reset();
        device::Device::current().setScreen({320, 480, 1});
        ui::Application::shared().reset();
        m_window = ui::View::create<ui::Window>(gfx::Rect(0, 0, 320, 480));
        m_window->makeKeyAndVisible();
    }
    void TearDown() override {
        runFor(0.05);
        m_window.reset();
        ui::Application::shared().reset();
        core::Paths::setHome({});
        device::Device::current().reset();
        NetTest::TearDown();
    }
    std::shared_ptr<RQHTTPRequest> viaProxy(const RawServer& proxy, const std::string& url, int* done) {
        auto r = RQHTTPRequest::requestWithURL(url);
        r->setProxyHost("127.0.0.1");
        r->setProxyPort(proxy.port());
        r->setCompletionBlock([done] { ++*done; });
        r->setFailedBlock([done] { ++*done; });
        r->startAsynchronous();
        return r;
    }
    std::shared_ptr<ui::Window> m_window;
};

TEST_F(AuthDialogTest, OneLoginServesEveryRequestWaitingForTheSameProxy) {
    const std::string expected = net::HttpAuthentication::basicValue("pu", "pp");
    RawServer proxy([&](const RawRequest& req) {
        if (req.header("Proxy-Authorization") == expected)
            return ok(req.target);
        return proxyChallenge();
    });
    int done = 0;
    auto a = viaProxy(proxy, "http://books.example/1", &done);
    auto b = viaProxy(proxy, "http://books.example/2", &done);
    ASSERT_TRUE(waitFor(
        [] { return RQAuthenticationDialog::currentDialog() && RQAuthenticationDialog::waitingRequestCount() == 1; }));
    auto dialog = RQAuthenticationDialog::currentDialog();
    EXPECT_EQ(dialog->type(), RQAuthenticationDialog::ProxyAuthentication);
    EXPECT_EQ(dialog->titleText(), "127.0.0.1");
    EXPECT_EQ(dialog->promptText(), "Login to this secure proxy server.");
    EXPECT_EQ(dialog->promptText(false), "");
    EXPECT_EQ(dialog->numberOfSections(), 1);
    EXPECT_FALSE(dialog->domainField());
    EXPECT_EQ(dialog->usernameField()->placeholder(), "User");
    EXPECT_EQ(dialog->requestsRequiringTheseCredentials().size(), 2u);

    dialog->usernameField()->setText("pu");
    dialog->passwordField()->setText("pp");
    dialog->loginWithCredentialsFromDialog();
    ASSERT_TRUE(waitFor([&] { return done == 2; }));
    EXPECT_FALSE(a->error());
    EXPECT_FALSE(b->error());
    EXPECT_EQ(a->responseString(), "http://books.example/1");
    EXPECT_EQ(b->responseString(), "http://books.example/2");
    EXPECT_FALSE(RQAuthenticationDialog::currentDialog());
    EXPECT_EQ(RQAuthenticationDialog::waitingRequestCount(), 0u);
}

TEST_F(AuthDialogTest, CancelFailsTheRequestAndTheNextOneGetsItsOwnDialog) {
    RawServer proxy([](const RawRequest&) { return proxyChallenge(); });
    RawServer other([](const RawRequest&) { return proxyChallenge(); });
    int done = 0;
    auto a = viaProxy(proxy, "http://one.example/", &done);
    ASSERT_TRUE(waitFor([] { return RQAuthenticationDialog::currentDialog() != nullptr; }));
    auto b = viaProxy(other, "http://two.example/", &done);
    ASSERT_TRUE(waitFor([] { return RQAuthenticationDialog::waitingRequestCount() == 1; }));
    auto first = RQAuthenticationDialog::currentDialog();
    EXPECT_EQ(first->requestsRequiringTheseCredentials().size(), 1u); // another host waits
    first->cancelAuthenticationFromDialog();
    ASSERT_TRUE(waitFor([&] { return done == 1; }));
    EXPECT_EQ(a->error()->code, RQAuthenticationErrorType);
    ASSERT_TRUE(waitFor(
        [&] { return RQAuthenticationDialog::currentDialog() && RQAuthenticationDialog::currentDialog() != first; }));
    EXPECT_EQ(RQAuthenticationDialog::currentDialog()->request(), b);
    RQAuthenticationDialog::currentDialog()->cancelAuthenticationFromDialog();
    ASSERT_TRUE(waitFor([&] { return done == 2; }));
}

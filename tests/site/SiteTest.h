#pragma once
// Site client tests run against the stand-in site on 127.0.0.1, in a fresh
// home with its folders and main database, a manual clock (the login
// screen's delay is clock time), an empty cookie store, and the app's hosts
// pointed at the stand-in.
#include "Catalogue.h"
#include "StandinSite.h"
#include "foundation/db/MainDB.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/paths/AppPaths.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/RunLoop.h"
#include "platform/net/CookieStorage.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/UiTestSupport.h"
#include "site/RZHTTPRequest.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace pw::test {

class SiteTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        for (const auto& folder : AppPaths::startupFolders())
            std::filesystem::create_directories(m_home / folder);
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        net::CookieStorage::shared().removeAll();
        RQHTTPRequest::clearSession();
        m_site = std::make_unique<standin::StandinSite>();
        m_site->pointApp();
        if (!m_site->catalogue().available())
            GTEST_SKIP() << "the chinese-poetry package is not installed (scripts/setup.sh)";
    }

    void TearDown() override {
        closeAlerts();
        // Closing the engine's idle connections frees the stand-in's workers at once.
        RQHTTPRequest::expirePersistentConnections();
        m_site.reset();
        SiteHosts::reset();
        net::CookieStorage::shared().removeAll();
        UiTest::TearDown();
    }

    // Alerts still up at the end are closed, as a user would, so they let go of their window.
    void closeAlerts() {
        std::vector<std::shared_ptr<ui::AlertView>> open;
        std::function<void(ui::View&)> find = [&](ui::View& v) {
            for (const auto& sub : v.subviews()) {
                if (auto alert = std::dynamic_pointer_cast<ui::AlertView>(sub))
                    open.push_back(alert);
                else
                    find(*sub);
            }
        };
        for (const auto& w : ui::Application::shared().windows())
            find(*w);
        for (auto& alert : open)
            alert->dismissWithClickedButtonIndex(0, false);
        settle();
    }

    // Serves the main run loop until pred holds; network answers arrive in
    // real time, so the limit is wall-clock time.
    bool waitFor(const std::function<bool()>& pred, double seconds = 30) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        auto& loop = core::RunLoop::current();
        while (true) {
            loop.runPending();
            if (pred())
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Moves the clock on as far as real time went since the last call (at
    // most 50 ms a turn) and serves the loop: delayed steps come due, while a
    // slow answer under load cannot time out on the test's clock first.
    void pace() {
        const auto now = std::chrono::steady_clock::now();
        advance(std::min(std::chrono::duration<double>(now - m_lastPace).count(), 0.05));
        m_lastPace = now;
    }
    // waitFor with the clock keeping pace with real time.
    bool waitPaced(const std::function<bool()>& pred, double seconds = 30) {
        m_lastPace = std::chrono::steady_clock::now();
        return waitFor(
            [&] {
                pace();
                return pred();
            },
            seconds);
    }

    // A plain GET through the engine, waited for.
    std::shared_ptr<RQHTTPRequest> fetch(const std::string& url) {
        auto request = RQHTTPRequest::requestWithURL(url);
        bool done = false;
        request->setCompletionBlock([&] { done = true; });
        request->setFailedBlock([&] { done = true; });
        request->startAsynchronous();
        EXPECT_TRUE(waitFor([&] { return done; })) << url;
        return request;
    }

    // Logs the stand-in's reader in: the site validation sets the session cookie.
    void logInAsReader() {
        auto request = fetch(m_site->baseUrl(standin::Host::Interface) +
                             "/api/ZELLoginValidate.ashx?version=230&areaId=33&sessionid=S-300");
        ASSERT_EQ(request->responseStatusCode(), 200);
    }

    const standin::Book& book(int64_t id) {
        const standin::Book* b = m_site->catalogue().book(id);
        EXPECT_NE(b, nullptr);
        return *b;
    }

    std::unique_ptr<standin::StandinSite> m_site;
    std::chrono::steady_clock::time_point m_lastPace = std::chrono::steady_clock::now();
};

// A receiver of the site callback convention that keeps every answer.
struct Answers {
    std::shared_ptr<int> receiver = std::make_shared<int>(0);
    std::vector<core::Value> values;
    SiteSelector selector() {
        return [this](const core::Value& v) { values.push_back(v); };
    }
};

} // namespace pw::test

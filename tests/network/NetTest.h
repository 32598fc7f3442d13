#pragma once
#include "fakesite/RawServer.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/ManualClock.h"
#include "platform/core/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <fstream>
#include <unistd.h>

namespace pw::test {

// Every network test runs with the test thread as the main thread, an empty
// cookie store and session, and a fresh temporary folder.
class NetTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunLoop::claimMain();
        net::CookieStorage::shared().removeAll();
        RQHTTPRequest::clearSession();
        RQHTTPRequest::clearSessionCredentials();
        RQHTTPRequest::setDefaultUserAgentString(std::string("PagewellTest/1.0"));
        m_dir =
            std::filesystem::temp_directory_path() / ("pw-net-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        if (m_clock) {
            // Delayed main-thread work made under the manual clock (hiding
            // the activity indicator) runs now, not early in the next test.
            m_clock->advance(1);
            core::RunLoop::current().runPending();
            core::Clock::setShared(nullptr);
        }
        std::filesystem::remove_all(m_dir);
    }

    // Time-outs and expiry then follow the clock the test advances. Waits
    // must use pollFor: a run loop on a manual clock never times out.
    std::shared_ptr<core::ManualClock> useManualClock() {
        m_clock = std::make_shared<core::ManualClock>();
        core::Clock::setShared(m_clock);
        return m_clock;
    }
    // Serves the main run loop until pred holds or `seconds` of real time
    // have passed (what the test waits for happens on other threads).
    static bool pollFor(const std::function<bool()>& pred, double seconds = 5) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            core::RunLoop::current().runPending();
            std::this_thread::yield();
        }
        return true;
    }

    // Turns the main run loop until pred holds (at most `seconds`).
    bool waitFor(const std::function<bool()>& pred, double seconds = 5) {
        return core::RunLoop::current().runUntil(pred, seconds);
    }
    // Turns the main run loop for a while (for what must not happen).
    static void runFor(double seconds) {
        core::RunLoop::current().runUntil([] { return false; }, seconds);
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
    std::shared_ptr<core::ManualClock> m_clock;
};

// A delegate that counts what it hears.
struct RecordingDelegate : RQHTTPRequestDelegate {
    int started = 0, headers = 0, finished = 0, failed = 0, redirected = 0;
    std::vector<std::string> willRedirect;
    bool askRedirect = false;
    void requestStarted(RQHTTPRequest&) override { ++started; }
    void requestDidReceiveResponseHeaders(RQHTTPRequest&, const RQHeaderMap&) override { ++headers; }
    void requestFinished(RQHTTPRequest&) override { ++finished; }
    void requestFailed(RQHTTPRequest&) override { ++failed; }
    void requestRedirected(RQHTTPRequest&) override { ++redirected; }
    bool handlesWillRedirect() const override { return askRedirect; }
    void requestWillRedirectToURL(RQHTTPRequest&, const std::string& url) override { willRedirect.push_back(url); }
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline fakesite::RawReply ok(const std::string& body, std::vector<std::pair<std::string, std::string>> headers = {}) {
    return fakesite::RawReply::bytes(fakesite::httpResponse(200, "OK", std::move(headers), body));
}

} // namespace pw::test

#pragma once
// A fresh account kit per test: its own home, a pinned hardware address, the
// test thread as the main thread, and the account service on loopback.
#include "fakeaccount/FakeAccountService.h"
#include "foundation/hosts/SiteHosts.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "support/TempDir.h"
#include "platform/core/UserDefaults.h"

#include <gtest/gtest.h>

namespace pw::test {

constexpr const char* kTestMac = "0A1B2C3D4E5F";

class KitFixture : public ::testing::Test {
protected:
    void SetUp() override {
        core::Log::setLevel(core::LogLevel::Silent);
        core::Paths::setHome(m_home.path());
        core::Paths::ensureHome();
        core::RunLoop::setMain(core::RunLoop::currentShared());
        SiteHosts::reset();
        SiteHosts::set(SiteHosts::Service::Account, m_service.baseUrl());
        zelConfig::overrideMacAddress(std::string(kTestMac));
        zelOpenAPI::resetKit();
    }
    void TearDown() override {
        zelOpenAPI::resetKit();
        zelConfig::clearMacOverride();
        SiteHosts::reset();
        core::RunLoop::setMain(nullptr);
        core::Paths::setHome({});
        core::Log::setLevel(core::LogLevel::Info);
    }
    // Serves the main loop until pred holds; false after the time-out.
    bool pump(const std::function<bool()>& pred, double seconds = 15) {
        return core::RunLoop::main().runUntil(pred, seconds);
    }

    TempDir m_home;
    FakeAccountService m_service;
};

} // namespace pw::test

// "充值" on the purchase and interaction screens opens the mobile site's
// recharge page in the browser.
#include "account/LocalBuyChapterController.h"
#include "account/LocalInteractiveViewController.h"
#include "foundation/hosts/SiteHosts.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

#include <functional>

namespace pw::test {
namespace {

TEST(RechargeTest, TheScreensOpenTheMobileSitesRechargePage) {
    SiteHosts::set(SiteHosts::Service::Interface, "http://interface.test");
    SiteHosts::set(SiteHosts::Service::Mobile, "http://m.test");
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    const std::function<void()> taps[] = {
        [] { LocalBuyChapterController::create()->rechargeAccount(); },
        [] { LocalInteractiveViewController::create()->rechargeAccount(); },
    };
    for (const auto& tap : taps)
        tap();
    ui::Application::shared().setURLOpener(nullptr);
    SiteHosts::reset();
    EXPECT_EQ(opened, std::vector<std::string>(2, "http://m.test/Profile/Charge.aspx"));
}

TEST(RechargeTest, TheBundledHostsNameTheMobileSite) {
    SiteHosts::reset();
    EXPECT_EQ(SiteHosts::key(SiteHosts::Service::Mobile), "mobile");
    EXPECT_FALSE(SiteHosts::baseUrl(SiteHosts::Service::Mobile).empty());
    SiteHosts::reset();
}

} // namespace
} // namespace pw::test

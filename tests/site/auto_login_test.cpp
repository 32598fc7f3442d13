#include "SiteTest.h"

#include "fakeaccount/FakeAccountService.h"
#include "foundation/db/SettingTB.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/Log.h"
#include "platform/gfx/Image.h"
#include "site/AutoLogin.h"
#include "site/CheckLoginWithInfo.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::StandinSite;

struct Outcome : AutoLoginDelegate {
    std::vector<bool> answers;
    void loginIsSuccess(bool success) override { answers.push_back(success); }
};

// The silent login through the real account kit, against the stand-in's
// account service and site.
class AutoLoginTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        core::Log::setLevel(core::LogLevel::Silent);
        zelConfig::overrideMacAddress(std::string("0A1B2C3D4E5F"));
        zelOpenAPI::resetKit();
        m_login->setDelegate(m_outcome);
    }
    void TearDown() override {
        m_login.reset();
        zelOpenAPI::resetKit();
        zelConfig::clearMacOverride();
        core::Log::setLevel(core::LogLevel::Info);
        SiteTest::TearDown();
    }
    // A login on the account service with the kit, as the login screen makes it.
    bool passportLogin(const std::string& name, const std::string& password) {
        auto& kit = zelOpenAPI::shareZelOpenAPI();
        auto heard = std::make_shared<zelDelegate>();
        std::optional<bool> ok;
        heard->onSuccess = [&](int op, const core::Value& r) {
            if (op == ZelOpInit)
                kit.loginByPT(name, password);
            else
                ok = r["loginType"].asInt() == 200;
        };
        heard->onFail = [&](int, const core::Value&) { ok = false; };
        kit.setAppId(10);
        kit.setAreaId(33);
        kit.setDelegate(heard);
        if (kit.isInit())
            kit.loginByPT(name, password);
        else
            kit.zelInit();
        EXPECT_TRUE(waitFor([&] { return ok.has_value(); }));
        kit.cancel();
        return ok.value_or(false);
    }

    std::shared_ptr<AutoLogin> m_login = AutoLogin::create();
    std::shared_ptr<Outcome> m_outcome = std::make_shared<Outcome>();
};

TEST_F(AutoLoginTest, NothingRememberedAnswersNo) {
    m_login->login();
    ASSERT_TRUE(waitFor([&] { return !m_outcome->answers.empty(); }));
    EXPECT_EQ(m_outcome->answers, std::vector<bool>{false});
    EXPECT_GE(m_site->account().count("/zel/config/obtain.shtm"), 1u);
    EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx"), 0u);
}

TEST_F(AutoLoginTest, TheReaderIsLoggedInAgainSilentlyAndValidatedWithTheSite) {
    EXPECT_FALSE(passportLogin(StandinSite::kReaderName, "wrong password"));
    ASSERT_TRUE(passportLogin(StandinSite::kReaderName, StandinSite::kReaderPassword));

    m_login->login();
    ASSERT_TRUE(waitFor([&] { return !m_outcome->answers.empty(); }));
    EXPECT_EQ(m_outcome->answers, std::vector<bool>{true});
    auto validations = m_site->requests(Host::Interface, "/api/ZELLoginValidate.ashx");
    ASSERT_EQ(validations.size(), 1u);
    EXPECT_EQ(validations[0].param("sessionid"), "S-300");
    EXPECT_EQ(validations[0].param("areaId"), "33");
    EXPECT_EQ(SettingTB::readSettingWithKey("vemoToken"), "vt-1000001");
    EXPECT_EQ(SettingTB::readSettingWithKey("user_nickName"), "读者1000001");
    EXPECT_EQ(SettingTB::readSettingWithKey("user_imageCode"), "head1000001");

    // The site now knows the reader.
    struct Recorder : CheckLoginWithInfoDelegate {
        std::vector<std::string> ids;
        void checkLoginWithInfoResult(bool, const std::string& id, const std::any&) override { ids.push_back(id); }
    };
    auto recorder = std::make_shared<Recorder>();
    auto check = CheckLoginWithInfo::create();
    check->setResultDelegate(recorder);
    check->checkIsLoginWithTarget({}, {});
    ASSERT_TRUE(waitFor([&] { return !recorder->ids.empty(); }));
    EXPECT_EQ(recorder->ids[0], "1000001");

    // The avatar's address, on the image host, serves a picture.
    auto address =
        fetch(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/GetHeadImage.ashx?imageid=head1000001")
            ->responseString()
            .value_or("");
    EXPECT_TRUE(address.starts_with(m_site->baseUrl(Host::Image))) << address;
    auto image = fetch(address)->responseData().value_or("");
    EXPECT_TRUE(
        gfx::Image::fromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(image.data()), image.size())));
}

} // namespace
} // namespace pw::test

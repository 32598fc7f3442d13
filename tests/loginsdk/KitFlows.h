#pragma once
// The kit fixture with a delegate that writes down everything it hears.
#include "KitFixture.h"

#include <string>
#include <vector>

namespace pw::test {

struct Heard {
    std::string what; // "success", "fail", "smsSend", "smsReceive", "code", "validate"
    int code = 0;
    core::Value result;
    std::string text;
};

class KitFlows : public KitFixture {
protected:
    void SetUp() override {
        KitFixture::SetUp();
        m_delegate = std::make_shared<zelDelegate>();
        m_delegate->onSuccess = [this](int op, const core::Value& r) { m_heard.push_back({"success", op, r, ""}); };
        m_delegate->onFail = [this](int op, const core::Value& r) { m_heard.push_back({"fail", op, r, ""}); };
        m_delegate->mobileSendSMSLoginResult = [this](int c, const std::string& m) {
            m_heard.push_back({"smsSend", c, {}, m});
        };
        m_delegate->mobileReceiveSMSLoginResult = [this](int c, const std::string& m) {
            m_heard.push_back({"smsReceive", c, {}, m});
        };
        m_delegate->checkVerificationCodeResult = [this](int c, const std::string& m) {
            m_heard.push_back({"code", c, {}, m});
        };
        m_delegate->validateResponse = [this](const std::string& m) { m_heard.push_back({"validate", 0, {}, m}); };
        api().setAppId(10);
        api().setAreaId(33);
        api().setDelegate(m_delegate);
    }

    zelOpenAPI& api() { return zelOpenAPI::shareZelOpenAPI(); }

    bool heardCount(size_t n) {
        return pump([&] { return m_heard.size() >= n; });
    }

    void initialise() {
        ASSERT_TRUE(api().zelInit());
        ASSERT_TRUE(heardCount(1));
        ASSERT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
        ASSERT_EQ(m_heard[0].code, ZelOpInit);
        m_heard.clear();
    }

    std::shared_ptr<zelDelegate> m_delegate;
    std::vector<Heard> m_heard;
};

} // namespace pw::test

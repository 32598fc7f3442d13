#pragma once
// The kit's self-check record: what it did, written down for the account
// service's self-check endpoint. Recording is switched off in this system:
// records are built and dropped, nothing is sent or stored.
#include "platform/core/Value.h"

#include <optional>
#include <string>

namespace pw {

class AutoCheckContent {
public:
    AutoCheckContent(std::string opName, core::Value args) : m_opName(std::move(opName)), m_args(std::move(args)) {}

    static void callBackMethodWith(const core::Value& dict);
    static core::Value buildCallBackDicWith(int code, const std::optional<std::string>& msg);
    static void feedBackWith(bool loginOk, const std::string& token, int resultCode);
    void recordContent() const {}

    const std::string& opName() const { return m_opName; }
    const core::Value& args() const { return m_args; }

private:
    std::string m_opName;
    core::Value m_args;
};

} // namespace pw

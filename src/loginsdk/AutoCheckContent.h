#pragma once
// The kit's self-check record: what it did, written down for the account
// service's self-check endpoint. Recording is switched off in this system:
// records are built and dropped, nothing is sent or stored.
#include "platform/core/Value.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {

class ZELHttpRequest;

class AutoCheckContent {
public:
    // The end operation of a target: called with nothing (an empty value).
    using EndOperation = std::function<void(const std::any&)>;

    AutoCheckContent(std::string opName, core::Value args);

    static void callBackMethodWith(const core::Value& dict);
    static core::Value buildCallBackDicWith(int code, const std::optional<std::string>& msg);
    static void feedBackWith(bool loginOk, const std::string& token, int resultCode);
    void recordContent() const {}

    const std::string& opName() const { return m_opName; }
    const core::Value& args() const { return m_args; }
    void setOpName(std::string opName) { m_opName = std::move(opName); }
    void setArgs(core::Value args) { m_args = std::move(args); }
    uint32_t reqId() const { return m_reqId; }
    void setReqId(uint32_t reqId) { m_reqId = reqId; }
    // The account service's self-check endpoint the record is addressed to.
    const std::string& selfCheckUrl() const { return m_selfCheckUrl; }

    // What a sent record would report back: the answer's text is logged and
    // the target's end operation called (when it has one and still lives);
    // a failure is logged. Nothing sends records in this system.
    void addTarget(std::weak_ptr<void> target, EndOperation end);
    void recordSuccess(const ZELHttpRequest& request);
    void recordFail(const ZELHttpRequest& request);

private:
    std::string m_opName;
    core::Value m_args;
    std::string m_selfCheckUrl;
    std::weak_ptr<void> m_target;
    EndOperation m_end;
    uint32_t m_reqId = 0;
};

} // namespace pw

#include "loginsdk/GlobalConstants.h"

#include "loginsdk/StringUtil.h"

#include <memory>

namespace pw {
namespace {

std::mutex& globalConstantsMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<GlobalConstants>& sharedGlobalConstants() {
    static std::unique_ptr<GlobalConstants> p;
    return p;
}

} // namespace

GlobalConstants& GlobalConstants::sharedInstance() {
    std::lock_guard lock(globalConstantsMutex());
    if (!sharedGlobalConstants())
        sharedGlobalConstants().reset(new GlobalConstants());
    return *sharedGlobalConstants();
}

void GlobalConstants::resetShared() {
    std::lock_guard lock(globalConstantsMutex());
    sharedGlobalConstants().reset();
}

void GlobalConstants::generateInvokeId() {
    std::string id = StringUtil::generateUUID();
    update([&](GlobalValues& v) {
        v.currentInvokeId = id;
        v.reqId = 1;
    });
}

bool GlobalConstants::startProcessWithInterval(int seconds, IntervalProcess::Block block) {
    if (!m_countdown)
        m_countdown = std::make_unique<IntervalProcess>();
    return m_countdown->startIntervalWith(seconds, std::move(block));
}

void GlobalConstants::stopProcess() {
    if (m_countdown && m_countdown->isRunning()) {
        update([](GlobalValues& v) { v.remainExLogin = 0; });
        m_countdown->stopProcess();
    }
}

} // namespace pw

#pragma once
// The account kit's run-time values for the current process. Background flows
// and the main thread both use them, so every read and write is whole.
#include "loginsdk/IntervalProcess.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace pw {

struct GlobalValues {
    std::string ssnList;
    bool isFastCallBack = false;
    std::string smsCode;
    int optype = 0;
    std::string currentSessionId;
    std::string ptAccount;
    std::string sessionKey;
    uint32_t zelEventSignCode = 0;
    std::string currentInvokeId;
    uint32_t timoutExLogin = 0;
    int remainExLogin = 0;
    bool isStrongLogin = false;
    std::string currentGuid, currentKey;
    int checkSmsTimeOut = 0, checkSmsInterval = 0, checkTotalTime = 0;
    std::string methodName;
    uint32_t reqId = 0;
};

class GlobalConstants {
public:
    static GlobalConstants& sharedInstance();
    static void resetShared();

    // A copy of every value, or one change made under the lock.
    GlobalValues values() const {
        std::lock_guard lock(m_mutex);
        return m_values;
    }
    template <typename F>
    void update(F&& change) {
        std::lock_guard lock(m_mutex);
        change(m_values);
    }

    void generateInvokeId();
    // The SMS login's countdown, on the calling thread's run loop.
    bool startProcessWithInterval(int seconds, IntervalProcess::Block block);
    void stopProcess();

private:
    GlobalConstants() = default;
    mutable std::mutex m_mutex;
    GlobalValues m_values;
    std::unique_ptr<IntervalProcess> m_countdown;
};

} // namespace pw

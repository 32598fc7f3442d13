#include "foundation/db/SQLBusyRetry.h"

#include "foundation/db/DBLog.h"
#include "foundation/db/SQLDatabase.h"
#include "platform/core/Clock.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace pw {

SQLBusyRetry::SQLBusyRetry(const SQLDatabase* database) : m_database(database) {}

bool SQLBusyRetry::waitAndRetry(const char* operation, int line, bool logGivingUp) {
    core::Clock& clock = core::Clock::shared();
    if (!m_start)
        m_start = clock.monotonic();
    std::this_thread::sleep_for(std::chrono::duration<double>(kBusySleepSeconds));
    m_slept += kBusySleepSeconds;

    int countLimit = m_database ? m_database->busyRetryTimeout() : 0;
    double timeLimit = m_database ? m_database->busyTimeLimit() : 10.0;
    const double waited = std::max(clock.monotonic() - *m_start, m_slept);
    bool giveUp = (countLimit > 0 && m_retries > countLimit) || waited >= timeLimit;
    if (giveUp) {
        if (logGivingUp) {
            std::string path = m_database && m_database->databasePath() ? *m_database->databasePath() : ":memory:";
            dbLog(std::string(operation) + ":" + std::to_string(line) + " Database busy (" + path + ")");
            dbLog("Database busy");
        }
        return false;
    }
    ++m_retries;
    return true;
}

} // namespace pw

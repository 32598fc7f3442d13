#pragma once

#include <optional>

namespace pw {

class SQLDatabase;

// The wait of one call on a busy file. SQLite answers "busy" while another
// connection holds the lock; the call sleeps a little and tries again, but only
// within the database's retry count and time limit, so a file held forever ends
// in a reported failure instead of a hung thread.
class SQLBusyRetry {
public:
    explicit SQLBusyRetry(const SQLDatabase* database);

    // Every wait sleeps this long, so a waiting call polls the lock often.
    static constexpr double kBusySleepSeconds = 20e-6;

    // Sleeps, then answers whether the call may try again. Logs when it gives
    // up, naming the operation and its source line (unless told not to).
    bool waitAndRetry(const char* operation, int line, bool logGivingUp = true);
    int retries() const { return m_retries; }
    // Time slept so far.
    double slept() const { return m_slept; }

private:
    const SQLDatabase* m_database{nullptr};
    int m_retries{0};
    // Taken at the first wait: a call that never waits never reads the clock.
    std::optional<double> m_start{};
    // Real time slept so far: bounds the wait even on a clock that a test
    // holds still.
    double m_slept{0};
};

} // namespace pw

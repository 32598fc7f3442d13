#include "transfer/log/WSLogFileFormatterDefault.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace pw {

std::string WSLogFileFormatterDefault::formatDate(double timestamp, const char* sep) {
    time_t secs = static_cast<time_t>(std::floor(timestamp));
    int ms = static_cast<int>((timestamp - std::floor(timestamp)) * 1000);
    tm t{};
    ::localtime_r(&secs, &t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%s%02d%s%02d %02d:%02d:%02d:%03d", t.tm_year + 1900, sep, t.tm_mon + 1, sep,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, ms);
    return buf;
}

std::optional<std::string> WSLogFileFormatterDefault::formatLogMessage(const WSLogMessage& message) {
    return formatDate(message.timestamp(), "/") + "  " + message.logMsg();
}

} // namespace pw

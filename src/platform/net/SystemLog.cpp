#include "platform/net/SystemLog.h"

#include <syslog.h>

namespace pw::net {

void SystemLog::send(Priority priority, const std::string& text) {
    ::syslog(static_cast<int>(priority) | LOG_USER, "%s", text.c_str());
}

} // namespace pw::net

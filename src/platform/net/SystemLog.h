#pragma once
// The system log (syslog).
#include <string>

namespace pw::net {

class SystemLog {
public:
    enum Priority { Critical = 2, Error = 3, Warning = 4, Notice = 5 };
    static void send(Priority priority, const std::string& text);
};

} // namespace pw::net

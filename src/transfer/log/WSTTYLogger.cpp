#include "transfer/log/WSTTYLogger.h"

#include "transfer/log/WSLogFileFormatterDefault.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pw {

WSTTYLogger::WSTTYLogger()
    : m_isaTTY(::isatty(2) == 1), m_app(program_invocation_short_name), m_pid(std::to_string(::getpid())) {}

std::shared_ptr<WSTTYLogger> WSTTYLogger::sharedInstance() {
    static std::shared_ptr<WSTTYLogger> instance(new WSTTYLogger);
    return instance;
}

void WSTTYLogger::setOutput(int fd, bool isATTY) {
    m_fd = fd;
    m_isaTTY = isATTY;
}

void WSTTYLogger::logMessage(const WSLogMessage& message) {
    if (!m_isaTTY)
        return;
    auto formatter = logFormatter();
    std::string text;
    bool plain = true;
    if (formatter) {
        auto t = formatter->formatLogMessage(message);
        if (!t)
            return;
        text = *t;
        plain = text == message.logMsg();
    } else {
        text = message.logMsg();
    }
    const char* nl = (!text.empty() && text.back() == '\n') ? "" : "\n";
    if (!plain) {
        iovec v[2] = {{text.data(), text.size()}, {const_cast<char*>(nl), std::strlen(nl)}};
        [[maybe_unused]] auto n = ::writev(m_fd, v, 2);
        return;
    }
    std::string ts = WSLogFileFormatterDefault::formatDate(message.timestamp(), "-");
    std::string tid = message.threadID().substr(0, 8);
    iovec v[10] = {
        {ts.data(), ts.size()},       {const_cast<char*>(" "), 1},
        {m_app.data(), m_app.size()}, {const_cast<char*>("["), 1},
        {m_pid.data(), m_pid.size()}, {const_cast<char*>(":"), 1},
        {tid.data(), tid.size()},     {const_cast<char*>("] "), 2},
        {text.data(), text.size()},   {const_cast<char*>(nl), std::strlen(nl)},
    };
    [[maybe_unused]] auto n = ::writev(m_fd, v, 10);
}

} // namespace pw

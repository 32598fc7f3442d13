#include "transfer/log/WSLogMessage.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace pw {

WSLogMessage::WSLogMessage(std::string logMsg, int level, int flag, int context, const char* file, const char* function,
                           int line)
    : m_logLevel(level), m_logFlag(flag), m_logContext(context), m_logMsg(std::move(logMsg)),
      m_timestamp(std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count()),
      m_file(file), m_function(function), m_lineNumber(line),
      m_machThreadID(static_cast<uint32_t>(::syscall(SYS_gettid))) {}

const std::string& WSLogMessage::threadID() const {
    if (!m_threadID) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%x", m_machThreadID);
        m_threadID = buf;
    }
    return *m_threadID;
}

std::string_view WSLogMessage::fileName() const {
    if (!m_fileName)
        m_fileName = ExtractFileNameWithoutExtension(m_file);
    return *m_fileName;
}

const std::optional<std::string>& WSLogMessage::methodName() const {
    if (!m_methodName)
        m_methodName = m_function ? std::optional<std::string>(m_function) : std::nullopt;
    return *m_methodName;
}

std::string_view ExtractFileNameWithoutExtension(const char* path) {
    if (!path)
        return {};
    std::string_view p(path);
    auto slash = p.rfind('/');
    std::string_view name = slash == std::string_view::npos ? p : p.substr(slash + 1);
    auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

} // namespace pw

#pragma once
// "yyyy/MM/dd HH:mm:ss:SSS", two blanks, the message.
#include "transfer/log/WSLogger.h"

namespace pw {

class WSLogFileFormatterDefault : public WSLogFormatter {
public:
    std::optional<std::string> formatLogMessage(const WSLogMessage& message) override;
    static std::string formatDate(double timestamp, const char* dateSeparator);
};

} // namespace pw

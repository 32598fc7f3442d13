#include "foundation/db/DBLog.h"

#include "platform/core/Log.h"

namespace pw {

void dbLog(std::string_view line) {
    core::Log::write(core::LogLevel::Warning, line);
}

} // namespace pw

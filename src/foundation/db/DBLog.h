#pragma once

#include <string_view>

namespace pw {

// The database layer's diagnostic lines go to the platform's console log.
void dbLog(std::string_view line);

} // namespace pw

#pragma once

#include "platform/core/Value.h"

#include <optional>

namespace pw::archived {

// Readers for the numbers of an archived settings record. A flag stored as a
// boolean counts as 0 or 1; a missing or unreadable field reads as zero.
std::optional<double> number(const core::Value& record, const char* key);
bool readBool(const core::Value& record, const char* key);
// Truncated toward zero and held to the range of int; NaN and infinities read as 0.
int readInt(const core::Value& record, const char* key);
float readFloat(const core::Value& record, const char* key);

} // namespace pw::archived

#pragma once
// Numbers out of the site's answers. The site sends counts, prices and result
// codes as JSON numbers, now and then as text; the screens show them the way
// the site wrote them and compare them as whole numbers.
#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw::ReplyValue {

// An integer as it is, a decimal cut to its whole part, text that reads as a
// whole number; nullopt for anything else (absent, empty, a word, a list).
std::optional<int64_t> integerOf(const core::Value& v);
// integerOf, 0 when there is none.
int64_t wholeNumber(const core::Value& v);
// Text as it is; a number in its shortest decimal form ("5", "2.5"); "" else.
std::string textOf(const core::Value& v);

} // namespace pw::ReplyValue

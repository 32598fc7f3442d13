#pragma once
// Cutting text to a length without splitting a character: in UTF-16 a
// surrogate pair at the cut goes whole or not at all.
#include <cstddef>
#include <string>
#include <string_view>

namespace pw::core::text {

// The longest prefix of at most maxUnits units that ends on a character boundary.
std::u16string cutToLength(std::u16string_view text, size_t maxUnits);
// Where a cut at maxUnits lands once moved back to a character boundary.
size_t cutPosition(std::u16string_view text, size_t maxUnits);

// The first `chars` characters (code points) of a UTF-8 text.
std::string utf8Prefix(std::string_view utf8, size_t chars);

} // namespace pw::core::text

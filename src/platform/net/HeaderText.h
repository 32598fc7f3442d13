#pragma once
#include <string>

namespace pw::net {

// Header names, schemes, hosts and attribute names compare without case.
std::string asciiLower(std::string s);

// Drops spaces and tabs at both ends, as around header and attribute values.
std::string trimBlanks(const std::string& s);

} // namespace pw::net

#pragma once
// One entry of a choice list: the text shown, and the value sent when chosen.
#include <string>
#include <utility>

namespace pw {

class RZKeyValuePair {
public:
    RZKeyValuePair(std::string key, std::string value) : key(std::move(key)), value(std::move(value)) {}

    std::string key;
    std::string value;

    // "key: <key>  value: <value>"
    std::string description() const { return "key: " + key + "  value: " + value; }
};

} // namespace pw

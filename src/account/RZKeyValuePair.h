#pragma once
// One entry of a choice list: the text shown, and the value sent when chosen.
#include <string>
#include <vector>

namespace pw {

class RZKeyValuePair {
public:
    RZKeyValuePair(std::string key, std::string value) : key(std::move(key)), value(std::move(value)) {}

    std::string key;
    std::string value;

    // "key: <key>  value: <value>"
    std::string description() const { return "key: " + key + "  value: " + value; }

    // A list from texts in the order value, key, value, key...; a list that
    // ends on a value without its key (or has none) is refused with
    // std::invalid_argument.
    static std::vector<RZKeyValuePair> genDataWithObjectsAndKeys(const std::vector<std::string>& valuesAndKeys);
};

} // namespace pw

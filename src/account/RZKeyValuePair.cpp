#include "account/RZKeyValuePair.h"

#include <stdexcept>

namespace pw {

std::vector<RZKeyValuePair> RZKeyValuePair::genDataWithObjectsAndKeys(const std::vector<std::string>& valuesAndKeys) {
    if (valuesAndKeys.size() < 2 || valuesAndKeys.size() % 2 != 0)
        throw std::invalid_argument("NSInvalidArgumentException");
    std::vector<RZKeyValuePair> out;
    out.reserve(valuesAndKeys.size() / 2);
    for (size_t i = 0; i + 1 < valuesAndKeys.size(); i += 2)
        out.emplace_back(valuesAndKeys[i + 1], valuesAndKeys[i]);
    return out;
}

} // namespace pw

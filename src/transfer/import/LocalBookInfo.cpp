#include "transfer/import/LocalBookInfo.h"

#include <cstdio>

namespace pw {

std::string LocalBookInfo::sizeText(uint64_t bytes) {
    float kilo = static_cast<float>(static_cast<double>(bytes) / 1000.0);
    if (kilo < 0.1f)
        kilo = 0.1f;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(kilo));
    return text;
}

} // namespace pw

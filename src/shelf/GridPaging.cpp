#include "shelf/GridPaging.h"

#include <cmath>

namespace pw {

int GridPaging::pageAtOffset(double x, double w) {
    if (!(w > 0) || !std::isfinite(x))
        return 0;
    return static_cast<int>(std::floor((x - w / 2) / w)) + 1;
}

std::optional<int> GridPaging::titleIndex(int page, int numPages) {
    if (page < 0 || page >= numPages)
        return std::nullopt;
    return page;
}

int GridPaging::clampPage(int page, int numPages) {
    if (numPages <= 0 || page < 0)
        return 0;
    return page >= numPages ? numPages - 1 : page;
}

std::vector<int> GridPaging::pagesToLoad(int page, int numPages) {
    std::vector<int> out;
    for (int p = page - 1; p <= page + 1; ++p)
        if (p >= 0 && p < numPages)
            out.push_back(p);
    return out;
}

double GridPaging::pageControlWidth(int numPages) {
    return numPages <= 0 ? 16.0 : 16.0 * (numPages - 1) + 16.0;
}

double GridPaging::pageControlX(double containerWidth, double controlWidth) {
    return (containerWidth - controlWidth) / 2;
}

} // namespace pw

#pragma once

#include <optional>
#include <vector>

namespace pw {

// The grid shelf's page arithmetic: page 0 is the search page, page 1 the
// synthetic first category, page r + 1 the category menu's row r.
class GridPaging {
public:
    // The page whose middle is nearest to the content offset x, for pages w
    // wide; may lie outside the pages while the view bounces. A view not laid
    // out yet (w <= 0) is on page 0.
    static int pageAtOffset(double x, double w);
    // The index into the category list whose name the title shows, or
    // nullopt when the page is outside it (the title then stays as it is).
    static std::optional<int> titleIndex(int page, int numPages);
    // The page control keeps its current page within its pages.
    static int clampPage(int page, int numPages);
    // The pages made around the current one: page - 1, page, page + 1, those that exist.
    static std::vector<int> pagesToLoad(int page, int numPages);
    static int pageForCategoryRow(int row) { return row + 1; }
    // The page control is 16 points per page, 16 high; centred in width.
    static double pageControlWidth(int numPages);
    static double pageControlX(double containerWidth, double controlWidth);
};

} // namespace pw

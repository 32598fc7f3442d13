#pragma once
// One book of a store list, its texts ready for the row's four labels.
#include <cstdint>
#include <string>

namespace pw {

class RZCellBookInfo {
public:
    RZCellBookInfo() = default;
    virtual ~RZCellBookInfo() = default;

    std::string bookName;
    std::string authorName;        // the whole line, "小说作者：" included
    std::string chapterName;       // the whole line, "最新章节：" included
    std::string chapterUpdateTime; // the whole line, "更新时间：" included
    long bookId = 0;
    // The site's ImageStatus (0: no cover of its own); -1 when the list does
    // not read it, so the row asks for the book's own cover.
    int imageStatus = -1;
};

} // namespace pw

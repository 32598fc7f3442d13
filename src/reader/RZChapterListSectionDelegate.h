#pragma once

#include <string>

namespace pw {

// A tap on a volume header of the chapter list.
class RZChapterListSectionDelegate {
public:
    virtual ~RZChapterListSectionDelegate() = default;
    virtual void chapterVolomeSelectedName(const std::string& vname, const std::string& vcode) = 0;
};

} // namespace pw

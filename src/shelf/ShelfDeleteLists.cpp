#include "shelf/ShelfDeleteLists.h"

#include "foundation/db/BookTB.h"

#include <algorithm>
#include <cctype>

namespace pw {

ShelfDeleteLists::FileKind ShelfDeleteLists::fileKind(std::string_view file) {
    const size_t dot = file.rfind('.');
    const size_t slash = file.find_last_of('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return FileKind::Other;
    std::string ext(file.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "umd")
        return FileKind::Umd;
    if (ext == "txt")
        return FileKind::Txt;
    if (ext == "rz")
        return FileKind::Rz;
    return FileKind::Other;
}

std::string ShelfDeleteLists::idList(const std::vector<int64_t>& ids) {
    std::string out;
    for (int64_t id : ids) {
        out += std::to_string(id);
        out += ',';
    }
    return out;
}

std::string ShelfDeleteLists::trimmedIdList(const std::vector<int64_t>& ids) {
    std::string out = idList(ids);
    if (!out.empty())
        out.pop_back();
    return out;
}

std::vector<std::string> ShelfDeleteLists::deleteStatements(const std::vector<int64_t>& bookIds) {
    if (bookIds.empty())
        return {};
    // The list holds only integers we formatted, so it is safe inside the text.
    const std::string list = trimmedIdList(bookIds);
    return {"delete from book where BookId in(" + list + ")", "delete from bookmark where BookId in(" + list + ")"};
}

std::vector<int64_t> ShelfDeleteLists::movableBookIds(const std::vector<Selected>& selection) {
    std::vector<int64_t> ids;
    for (const Selected& s : selection)
        if (s.rzid == BookTB::LocalBookSiteId)
            ids.push_back(s.bid);
    return ids;
}

} // namespace pw

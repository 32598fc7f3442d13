#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// The id lists and statements of the edit mode's delete and move actions.
class ShelfDeleteLists {
public:
    enum class FileKind { Umd, Txt, Rz, Other };

    struct Selected {
        int64_t bid{0};
        int64_t rzid{0};
        std::string file{};
        bool downloading{false};
    };

    // By the file name's extension, in any case.
    static FileKind fileKind(std::string_view file);
    // Every id followed by a comma: "3,5,".
    static std::string idList(const std::vector<int64_t>& ids);
    // The same without the final comma: "3,5".
    static std::string trimmedIdList(const std::vector<int64_t>& ids);
    // The book rows and their bookmarks, in that order; none for no ids.
    static std::vector<std::string> deleteStatements(const std::vector<int64_t>& bookIds);
    // The local books of a selection, which alone move between categories.
    static std::vector<int64_t> movableBookIds(const std::vector<Selected>& selection);
    // A negative target is the synthetic first category.
    static int64_t moveTarget(int64_t categoryId) { return categoryId < 0 ? -1 : categoryId; }
    // The rows a local delete removes: books not downloading now whose file
    // is a UMD or TXT book, or a site book whose own database removeRz
    // answered it removed (removeRz is asked only for those).
    template <typename RemoveRz>
    static std::vector<int64_t> rowsToDelete(const std::vector<Selected>& selection, RemoveRz&& removeRz) {
        std::vector<int64_t> ids;
        for (const Selected& s : selection) {
            if (s.downloading)
                continue;
            switch (fileKind(s.file)) {
            case FileKind::Umd:
            case FileKind::Txt:
                ids.push_back(s.bid);
                break;
            case FileKind::Rz:
                if (removeRz(s))
                    ids.push_back(s.bid);
                break;
            case FileKind::Other:
                break;
            }
        }
        return ids;
    }
};

} // namespace pw

#pragma once
// One book file of Documents as the import screen lists it.
#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class LocalBookInfo {
public:
    std::string fileName;                // the entry's name in Documents
    std::string filePath;                // Documents/<fileName>
    std::optional<std::string> fileSize; // "%.1f kB"; none when the size cannot be read
    std::string fileType;                // "TXT" or "UMD"
    std::optional<std::string> bookName; // a readable UMD file's title
    int64_t bookId = 0;                  // the shelf row, while isAdd
    bool isAdd = false;

    // The size text: decimal kilobytes, at least 0.1.
    static std::string sizeText(uint64_t bytes);
};

} // namespace pw

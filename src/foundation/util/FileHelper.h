#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace pw {

// Answers of loadRZBookTitleAndChapterContent.
enum ChapterLoadResult : int {
    ChapterLoadResultLoaded = 1,
    ChapterLoadResultNotStored = -2,  // no book file, no chapter row or no stored content
    ChapterLoadResultUnreadable = -3, // title or text missing, empty or not UTF-8
};

// File operations around the shelf. Stateless; every path is formed below
// the home folder (core::Paths::home()), whose folders the main screen
// creates at start.
class FileHelper {
public:
    // True when the file is there and decodes as a picture: a truncated or
    // damaged download counts as absent.
    static bool isBookCoverImageExistByRZBookId(std::int64_t rzBookId);
    static bool isCacheBookCoverImageExistByRZBookId(std::int64_t rzBookId);
    static bool isCacheImageExistByName(std::string_view fileName);

    // True when there is no cover, else whether the removal worked.
    static bool deleteBookCoverFileByRZBookId(std::int64_t rzBookId);

    // Reads a downloaded chapter's title and text from the book's own
    // database. The outs are set only when the answer is 1.
    static int loadRZBookTitleAndChapterContent(std::int64_t rzBookId, std::int64_t chapterId, bool isVip,
                                                const core::Value& userId, std::string& chapterTitle,
                                                std::string& chapterContent);

    // Removes the side files of an imported book: the UMD cover (format 2)
    // or the TXT chapter index (format 3). The book file stays. Always true.
    static bool deleteLocalBookByFilePath(std::string_view filePath, int bookFormat);

    // Copies the bundle resource "<name>.<extension>" to `toPath`. False when
    // the bundle has no such resource, else whether the copy worked (an
    // existing destination is not overwritten).
    static bool copyResource(std::string_view name, std::string_view extension, const std::filesystem::path& toPath);

    // True when there is no file, else whether the removal worked.
    static bool deleteFileAtPath(const std::filesystem::path& path);

    // Where the files above live.
    static std::filesystem::path bookCoverPath(std::int64_t rzBookId);
    static std::filesystem::path cacheBookCoverPath(std::int64_t rzBookId);
    static std::filesystem::path cacheImagePath(std::string_view fileName);
    static std::filesystem::path umdCoverPath(std::string_view bookFilePath);
    static std::filesystem::path txtIndexPath(std::string_view bookFilePath);
};

} // namespace pw

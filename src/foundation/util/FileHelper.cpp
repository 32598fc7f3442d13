#include "foundation/util/FileHelper.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/db/BookDB.h"
#include "foundation/util/Utils.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/gfx/Image.h"

#include <system_error>

namespace pw {

namespace fs = std::filesystem;

namespace {

bool isImageAt(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    return gfx::Image::fromFile(path.string()).has_value();
}

bool removeIfPresent(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return true;
    return fs::remove(path, ec) && !ec;
}

} // namespace

fs::path FileHelper::bookCoverPath(std::int64_t rzBookId) {
    return AppPaths::coverFile(rzBookId);
}

fs::path FileHelper::cacheBookCoverPath(std::int64_t rzBookId) {
    return AppPaths::storeCache() / (std::to_string(rzBookId) + ".jpg");
}

fs::path FileHelper::cacheImagePath(std::string_view fileName) {
    return AppPaths::storeCache() / std::string(fileName);
}

fs::path FileHelper::umdCoverPath(std::string_view bookFilePath) {
    return AppPaths::umdCoverFolder() / (getFileNameWithoutExtension(bookFilePath) + ".jpg");
}

fs::path FileHelper::txtIndexPath(std::string_view bookFilePath) {
    return fs::path(std::string(bookFilePath) + ".index");
}

bool FileHelper::isBookCoverImageExistByRZBookId(std::int64_t rzBookId) {
    return isImageAt(bookCoverPath(rzBookId));
}

bool FileHelper::isCacheBookCoverImageExistByRZBookId(std::int64_t rzBookId) {
    return isImageAt(cacheBookCoverPath(rzBookId));
}

bool FileHelper::isCacheImageExistByName(std::string_view fileName) {
    // A name is one file of the cache, never a way out of it.
    if (fileName.empty() || fileName.find('/') != std::string_view::npos || fileName == "." || fileName == "..")
        return false;
    return isImageAt(cacheImagePath(fileName));
}

bool FileHelper::deleteBookCoverFileByRZBookId(std::int64_t rzBookId) {
    return removeIfPresent(bookCoverPath(rzBookId));
}

int FileHelper::loadRZBookTitleAndChapterContent(std::int64_t rzBookId, std::int64_t chapterId, bool isVip,
                                                 const core::Value& userId, std::string& chapterTitle,
                                                 std::string& chapterContent) {
    std::optional<core::Value::Array> row = isVip
                                                ? BookDB::getVipChapterContentWithRZBookId(rzBookId, chapterId, userId)
                                                : BookDB::getChapterContentWithRZBookId(rzBookId, chapterId);
    if (!row || row->size() < 2)
        return ChapterLoadResultNotStored;

    std::optional<std::string> title = (*row)[0].asString();
    std::optional<std::string> text;
    const core::Value& stored = (*row)[1];
    if (const core::Bytes* bytes = stored.bytesPtr()) {
        std::string_view raw = core::asStringView(*bytes);
        if (core::text::isValidUtf8(raw))
            text = std::string(raw);
    } else {
        text = stored.asString();
    }
    if (!title || !text || text->empty())
        return ChapterLoadResultUnreadable;

    chapterTitle = std::move(*title);
    chapterContent = std::move(*text);
    return ChapterLoadResultLoaded;
}

bool FileHelper::deleteLocalBookByFilePath(std::string_view filePath, int bookFormat) {
    if (bookFormat == BookFormatUMD)
        removeIfPresent(umdCoverPath(filePath));
    else if (bookFormat == BookFormatTXT)
        removeIfPresent(txtIndexPath(filePath));
    return true;
}

bool FileHelper::copyResource(std::string_view name, std::string_view extension, const fs::path& toPath) {
    if (name.empty())
        return false;
    std::string file(name);
    if (!extension.empty())
        file += "." + std::string(extension);
    fs::path from = core::Paths::resource(file);
    std::error_code ec;
    if (!fs::is_regular_file(from, ec))
        return false;
    return fs::copy_file(from, toPath, fs::copy_options::none, ec) && !ec;
}

bool FileHelper::deleteFileAtPath(const fs::path& path) {
    return removeIfPresent(path);
}

} // namespace pw

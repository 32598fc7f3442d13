#pragma once

#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

class SQLDatabase;

// One database per site book, Documents/torvane/book/<site book id>.rz: the
// chapter list, the volumes and the texts downloaded so far (user version 200).
// Only createBookDBIfNotExists makes the file; every other call on a missing
// file answers its "missing" value, and on a file that cannot be opened its
// "unopened" value, as each operation lists.
class BookDB {
public:
    static constexpr int UserVersion = 200;

    static std::filesystem::path bookDBPath(int64_t rzBookId);

    // Files.
    static bool isBookDBExistsWithRZBookIdPath(int64_t rzBookId, std::string* path);
    static bool isBookDBExistsWithRZBookId(int64_t rzBookId);
    static bool createBookDBIfNotExists(int64_t rzBookId);
    // The book's database opened for a run of writes, in write-ahead mode with
    // flushes only at checkpoints (see BookChapterWriter, which turns it
    // back); created as above when asked and missing, else null when missing.
    static std::optional<SQLDatabase> openWriteAhead(int64_t rzBookId, bool createIfNotExists);
    static bool deleteBookDBFileByRZBookId(int64_t rzBookId);

    // Writing. Lists are the site's chapter entries (`c`, `n`, `v`, `p`, `t`,
    // `w`, `vc`) and volume entries (`VolumeCode`, `VolumeName`), stored in one
    // transaction; chapters and volumes already stored keep their rows.
    static bool addChapters(const core::Value::Array& chapters, int64_t rzBookId);
    static bool addVolumes(const core::Value::Array& volumes, int64_t rzBookId);
    static bool saveChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, std::string_view content);
    static bool saveVipChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, core::ByteView content,
                                           const core::Value& userId);
    // Several chapters (id, free text or paid bytes) in one transaction: all
    // stored or none. Paid ones are stored for the user.
    static bool saveChaptersWithRZBookId(int64_t rzBookId,
                                         const std::vector<std::pair<int64_t, std::string>>& chapters);
    static bool saveVipChaptersWithRZBookId(int64_t rzBookId,
                                            const std::vector<std::pair<int64_t, std::string>>& chapters,
                                            const core::Value& userId);
    // The same on a connection the caller holds open (see BookChapterWriter).
    static bool addChapters(SQLDatabase& db, const core::Value::Array& chapters);
    static bool addVolumes(SQLDatabase& db, const core::Value::Array& volumes);
    static bool saveChapters(SQLDatabase& db, const std::vector<std::pair<int64_t, std::string>>& chapters);
    static bool saveVipChapters(SQLDatabase& db, const std::vector<std::pair<int64_t, std::string>>& chapters,
                                const core::Value& userId);
    static bool deleteChapterByRZBookId(int64_t rzBookId, int64_t chapterId);
    static bool deleteVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId);

    // Single answers (missing / unopened codes as listed per operation).
    static int chapterHasDownloadByRZBookId(int64_t rzBookId, int64_t chapterId); // 1, 0; unopened -1; missing -2
    static int isVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId);       // 1, 0; unopened -1; missing -2
    static int64_t getAllChapterCountByRZBookId(int64_t rzBookId);                // count; unopened -1; missing -2
    static int64_t getVipChapterLocalUserIdByRZBookId(int64_t rzBookId,
                                                      int64_t chapterId);    // 0 none; missing -1; unopened -2
    static int64_t getLocalSecondMaxChapterIdWithRZBookId(int64_t rzBookId); // 0 when none, missing or unopened

    // Lists in reading order (volume code, then chapter id); nullopt when
    // the file is missing or cannot be read.
    static std::optional<core::Value::Array> getAllChaptersWithRZBookId(int64_t rzBookId);
    static std::optional<core::Value::Array> getAllVolumeWithRZBookId(int64_t rzBookId);
    static std::optional<std::vector<int64_t>> getAllChapterIdByRZBookId(int64_t rzBookId);
    static std::optional<std::vector<int64_t>> getAllNotDownloadedChapterIdsByRZBookId(int64_t rzBookId);
    static std::optional<std::vector<int64_t>> getAllDownloadedVipChapterIdsByRZBookId(int64_t rzBookId);
    static std::optional<std::vector<int64_t>> getAllPriceZeroVipChapterIdByRZBookId(int64_t rzBookId);
    // [chapter id, title, downloaded, vip]
    static std::optional<core::Value::Array> getFirstChapterInfoByRZBookId(int64_t rzBookId);
    // [title, vip, downloaded]
    static std::optional<core::Value::Array> getChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId);
    // [chapter id, title, vip, downloaded]; empty at either end and for a chapter not in the book.
    static std::optional<core::Value::Array> getNextChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId);
    static std::optional<core::Value::Array> getPrevChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId);
    // [title, text]; empty without a chapter row, only the title without a stored text.
    static std::optional<core::Value::Array> getChapterContentWithRZBookId(int64_t rzBookId, int64_t chapterId);
    // [title, bytes], the same way.
    static std::optional<core::Value::Array> getVipChapterContentWithRZBookId(int64_t rzBookId, int64_t chapterId,
                                                                              const core::Value& userId);
};

} // namespace pw

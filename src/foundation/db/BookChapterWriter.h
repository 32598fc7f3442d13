#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw {

class SQLDatabase;

// Keeps one book's database open while a download stores its chapter list
// and then its chapters batch after batch. Meanwhile the file writes ahead to a log that reaches the disk
// only at checkpoints: a stored batch survives a crash of the application at
// once (its pages are with the system), and a crash of the whole system can
// lose only the last batches whole, chapter and mark together, so the next
// download fetches them again. Closing checkpoints, flushes and turns the file
// back to its rollback journal, so every other user opens it as before.
class BookChapterWriter {
public:
    // Null when the book has no database or it cannot be opened.
    static std::unique_ptr<BookChapterWriter> open(int64_t rzBookId);
    // Creates the book's database when it is missing, as
    // BookDB::createBookDBIfNotExists does; null when that fails.
    static std::unique_ptr<BookChapterWriter> create(int64_t rzBookId);
    ~BookChapterWriter();
    BookChapterWriter(const BookChapterWriter&) = delete;
    BookChapterWriter& operator=(const BookChapterWriter&) = delete;

    int64_t rzBookId() const { return m_rzBookId; }
    // As BookDB::addChapters and addVolumes.
    bool addChapters(const core::Value::Array& chapters);
    bool addVolumes(const core::Value::Array& volumes);
    // As BookDB::saveChaptersWithRZBookId and saveVipChaptersWithRZBookId:
    // one transaction each, all stored or none. False as well when the file
    // has been removed since it was opened.
    bool saveChapters(const std::vector<std::pair<int64_t, std::string>>& chapters);
    bool saveVipChapters(const std::vector<std::pair<int64_t, std::string>>& chapters, const core::Value& userId);

private:
    BookChapterWriter(int64_t rzBookId, std::unique_ptr<SQLDatabase> db);
    static std::unique_ptr<BookChapterWriter> hold(int64_t rzBookId, std::optional<SQLDatabase> db);
    bool fileStillThere() const;

    int64_t m_rzBookId = 0;
    std::unique_ptr<SQLDatabase> m_db;
};

} // namespace pw

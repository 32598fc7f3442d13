#include "foundation/db/BookChapterWriter.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "platform/core/FileManager.h"

namespace pw {

std::unique_ptr<BookChapterWriter> BookChapterWriter::open(int64_t rzBookId) {
    return hold(rzBookId, BookDB::openWriteAhead(rzBookId, false));
}

std::unique_ptr<BookChapterWriter> BookChapterWriter::create(int64_t rzBookId) {
    return hold(rzBookId, BookDB::openWriteAhead(rzBookId, true));
}

std::unique_ptr<BookChapterWriter> BookChapterWriter::hold(int64_t rzBookId, std::optional<SQLDatabase> db) {
    if (!db)
        return nullptr;
    auto held = std::make_unique<SQLDatabase>(std::move(*db));
    held->setShouldCacheStatements(true);
    return std::unique_ptr<BookChapterWriter>(new BookChapterWriter(rzBookId, std::move(held)));
}

BookChapterWriter::BookChapterWriter(int64_t rzBookId, std::unique_ptr<SQLDatabase> db)
    : m_rzBookId(rzBookId), m_db(std::move(db)) {}

BookChapterWriter::~BookChapterWriter() {
    m_db->clearCachedStatements();
    // Flushed to the disk here at the latest. Another connection still open
    // keeps the log; the last one to close folds it back in.
    if (fileStillThere()) {
        m_db->executeUpdate("PRAGMA synchronous = FULL");
        if (auto rs = m_db->executeQuery("PRAGMA journal_mode = DELETE"); rs)
            rs->next();
    }
    m_db->close();
}

bool BookChapterWriter::fileStillThere() const {
    return core::FileManager::exists(BookDB::bookDBPath(m_rzBookId));
}

bool BookChapterWriter::addChapters(const core::Value::Array& chapters) {
    return fileStillThere() && BookDB::addChapters(*m_db, chapters);
}

bool BookChapterWriter::addVolumes(const core::Value::Array& volumes) {
    return fileStillThere() && BookDB::addVolumes(*m_db, volumes);
}

bool BookChapterWriter::saveChapters(const std::vector<std::pair<int64_t, std::string>>& chapters) {
    return fileStillThere() && BookDB::saveChapters(*m_db, chapters);
}

bool BookChapterWriter::saveVipChapters(const std::vector<std::pair<int64_t, std::string>>& chapters,
                                        const core::Value& userId) {
    return fileStillThere() && BookDB::saveVipChapters(*m_db, chapters, userId);
}

} // namespace pw

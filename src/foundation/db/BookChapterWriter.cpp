#include "foundation/db/BookChapterWriter.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/TableAccess.h"
#include "platform/core/FileManager.h"

namespace pw {

std::unique_ptr<BookChapterWriter> BookChapterWriter::open(int64_t rzBookId) {
    const auto path = BookDB::bookDBPath(rzBookId);
    if (!core::FileManager::exists(path))
        return nullptr;
    auto db = TableAccess::openExisting(path);
    if (!db)
        return nullptr;
    auto held = std::make_unique<SQLDatabase>(std::move(*db));
    held->setShouldCacheStatements(true);
    // A file another connection holds in its rollback journal stays in it; the
    // writer then works as every other connection does, only slower.
    if (auto rs = held->executeQuery("PRAGMA journal_mode = WAL"); rs && rs->next())
        if (rs->stringForColumnIndex(0) == "wal")
            held->executeUpdate("PRAGMA synchronous = NORMAL");
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

bool BookChapterWriter::saveChapters(const std::vector<std::pair<int64_t, std::string>>& chapters) {
    return fileStillThere() && BookDB::saveChapters(*m_db, chapters);
}

bool BookChapterWriter::saveVipChapters(const std::vector<std::pair<int64_t, std::string>>& chapters,
                                        const core::Value& userId) {
    return fileStillThere() && BookDB::saveVipChapters(*m_db, chapters, userId);
}

} // namespace pw

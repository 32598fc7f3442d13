#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// The shelf's books: the table `book` of the main database. Every call opens
// its own connection. Integer answers use the codes of each operation: -2 when
// the main database cannot be opened (or a statement fails), -3 "no such
// book" where given. Lists and records are nullopt when the file cannot be read.
class BookTB {
public:
    // The site book id and user id of every imported (local) book.
    static constexpr int64_t LocalBookSiteId = -999;
    // The user id of a site book installed with the application and not yet claimed.
    static constexpr int64_t BundledBookUserId = -1000;

    // One statement with its arguments, for deleteBookWithTransaction.
    struct Statement {
        std::string sql;
        core::Value::Array args;
    };

    // Presence, ids and names.
    static int isBookExistsByRZBookId(int64_t rzBookId);
    static int isBookBelongWithRZBookId(int64_t rzBookId, const core::Value& userId);
    static int64_t getBookIdByRZBookId(int64_t rzBookId);
    static int64_t getRZBookIdByBookId(int64_t bookId);
    static std::optional<std::string> getBookNameByRZBookId(int64_t rzBookId);
    static std::optional<std::string> getBookNameByBookId(int64_t bookId);

    // Adding books.
    static int addBookWithRZBookId(int64_t rzBookId, std::string_view bookName, std::string_view cover,
                                   std::string_view filePath, std::string_view type, std::string_view author,
                                   const core::Value& userId, const core::Value& lastChapterId,
                                   const core::Value& lastChapterName, const core::Value& lastChapterTime, int status);
    static int addBookCaseBooksWith(const core::Value::Array& books, const core::Value& userId,
                                    std::string_view categoryName);
    // The new BookId is written only when the insert succeeded.
    static int addLocalBookWithBookName(std::string_view bookName, std::string_view cover, std::string_view filePath,
                                        std::string_view type, std::string_view author, int64_t* bookId);

    // Reading position.
    static bool saveBookReadingInfoWithBookId(int64_t bookId, int64_t startPosition, int64_t lastReadTime,
                                              int64_t lastChapterId, std::string_view lastChapterName, double percent);
    static bool deleteBookReadingInfoWithRZBookId(int64_t rzBookId);
    static std::optional<core::Value::Array> getRZBookReadingInfoByRZBookIdChapterId(int64_t rzBookId,
                                                                                     int64_t chapterId);
    static std::optional<core::Value::Array> getRZBookReadingInfoByRZBookId(int64_t rzBookId);
    static std::optional<core::Value::Array> getBookReadingInfoByBookId(int64_t bookId);

    // Lists.
    static std::optional<core::Value::Array> getAllRZBooks();
    static std::optional<core::Value::Array> getAllLocalBooks();
    static std::optional<core::Value::Array> getAllBooks();
    static std::optional<core::Value::Array> getAllBooksWithCategoryId(int64_t categoryId);
    static std::optional<core::Value::Array> getRZBooksInfoByRZBookId(int64_t rzBookId);
    static std::optional<core::Value::Array> getAllLocalBooksFilePathAndIds();
    static std::optional<core::Value::Array> getAllNotifyRZBooks();
    static std::optional<std::vector<int64_t>> getAllNotifyRZBookIds();
    static std::optional<core::Value::Array> getLocalLastChapterIdByRZBookId(int64_t rzBookId);

    // Newest chapter, reminder flag and groups.
    static bool updateBookDBStateByRZBookId(int64_t rzBookId);
    static bool updateLastChapterId(const core::Value& lastChapterId, const core::Value& lastChapterName,
                                    const core::Value& lastChapterTime, int64_t rzBookId);
    static bool updateServerLstChapterId(int64_t chapterId, int64_t rzBookId);
    static bool setNotifyBookUpdateByRZBookId(int64_t rzBookId, bool notify);
    static bool isSetBookUpdateNotifyRZBookId(int64_t rzBookId);
    static bool updateBooks(const std::vector<int64_t>& bookIds, int64_t categoryId);
    static bool updateBooksFromCategory(int64_t fromCategoryId, int64_t toCategoryId);

    // Deleting. A book goes with its bookmarks; all or nothing.
    static bool deleteBookWithBookId(int64_t bookId);
    static bool deleteBooksWithBookIds(const std::vector<int64_t>& bookIds);
    static bool deleteBookWithTransaction(bool inTransaction, const std::vector<Statement>& statements);
};

} // namespace pw

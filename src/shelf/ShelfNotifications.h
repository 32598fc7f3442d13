#pragma once

// The names of the notifications the shelf views post and observe.
namespace pw::shelfnote {

inline constexpr const char* BookTap = "NSNotificationCenter_BookTap";
inline constexpr const char* BookTapWhenEditing = "NSNotificationCenter_BookTapWhenEditing";
inline constexpr const char* HideKeyboard = "NSNotificationCenter_HideKeyboard";
inline constexpr const char* SyncBookcase = "NSNotificationCenter_SyncBookcase";
inline constexpr const char* BookCoverReload = "NSNotificationCenter_BookCoverReload";
inline constexpr const char* BookAllDownBegin = "NSNotificationCenter_BookAllDownBegin";
inline constexpr const char* BookAllDownProgress = "NSNotificationCenter_BookAllDownProgress";
inline constexpr const char* BookAllDownSuccess = "NSNotificationCenter_BookAllDownSuccess";
inline constexpr const char* BookAllDownFailed = "NSNotificationCenter_BookAllDownFailed";
inline constexpr const char* MultiBookAllDownBegin = "NSNotificationCenter_MultiBookAllDownBegin";
inline constexpr const char* UpdateBooksNewImage = "NSNotificationCenter_UpdateBooksNewImage";
inline constexpr const char* SelectAllBooksWhenEditing = "NSNotificationCenter_SelectAllBooksWhenEditing";
inline constexpr const char* CancelSelectAllBooksWhenEditing = "NSNotificationCenter_cancelSelectAllBooksWhenEditing";
inline constexpr const char* DownAllBook = "NSNotificationCenter_DownAllBook";
inline constexpr const char* BooklistDeleteBook = "NSNotificationCenter_BooklistDeleteBook";
inline constexpr const char* BooklistMoveBook = "NSNotificationCenter_BooklistMoveBook";
inline constexpr const char* CategoryAndBookReload = "NSNotificationCenter_CategoryAndBookReload";
inline constexpr const char* CategoryUpdate = "NSNotificationCenter_CategoryUpdate";

} // namespace pw::shelfnote

#pragma once
// The screens the main screen opens that live in libraries above the shelf
// (reader, purchase, chapter list, store, settings, messages, import, Wi-Fi).
// The application says how to make each one at start; a screen without a
// maker is either not opened or, for the tabs, a bare titled screen.
#include "platform/core/Value.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {

// The reader's opening properties, as the shelf fills them per book format.
struct ReaderOpening {
    int bookFormat{0}; // 1 site book, 2 UMD file, 3 TXT file
    int64_t bookId{0};
    int64_t rzBookId{-999};
    std::optional<int64_t> chapterId{};
    std::string filePath{};
    std::u16string content{};
    std::string contentTitle{};
    int64_t umdContentTotalLength{0};
    int64_t umdLastChapterOffset{0};
    int64_t txtContentTotalLength{0};
    bool txtLoadAll{false};
};

class ShelfScreens {
public:
    using Maker = std::function<std::shared_ptr<ui::ViewController>()>;
    using ReaderMaker = std::function<std::shared_ptr<ui::ViewController>(const ReaderOpening&)>;
    // The purchase screen for one chapter; callback hears the PurchaseResult text.
    using PurchaseMaker = std::function<std::shared_ptr<ui::ViewController>(
        int64_t rzBookId, int64_t chapterId, std::function<void(const std::string&)> callback)>;
    // The chapter list of a site book; didSelect hears the picked chapter record
    // (null for none) and the book.
    using ChapterListMaker = std::function<std::shared_ptr<ui::ViewController>(
        int64_t rzBookId, const std::string& title, std::function<void(const core::Value&, int64_t)> didSelect)>;
    // Whether a screen is the reader, whoever pushed it (the shelf or the store).
    using ScreenTest = std::function<bool(const ui::ViewController&)>;

    static ReaderMaker& reader();
    static PurchaseMaker& purchase();
    static ChapterListMaker& chapterList();
    static ScreenTest& isReader();
    static Maker& store();
    static Maker& settings();
    static Maker& messages();
    static Maker& importBooks();
    static Maker& wifi();
    // Forgets every maker (tests).
    static void reset();

    // A titled screen with the navigation bar shown, for a tab whose screen is
    // not built in yet.
    static std::shared_ptr<ui::ViewController> bareScreen(const std::string& title);
    // The "more" tab without a settings screen: buttons to the Wi-Fi and import screens.
    static std::shared_ptr<ui::ViewController> moreScreen();
};

} // namespace pw

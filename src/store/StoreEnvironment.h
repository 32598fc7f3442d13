#pragma once
// What the store reaches outside itself: the application's download manager,
// its main navigation stack and rotation switch, and the screens other
// subsystems own (the chapter list, the reader, the purchase screen). The
// application's delegate and those screens answer by default; a test may put
// its own in place.
#include "platform/core/Value.h"
#include "platform/ui/NavigationController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pw {

class DownManager;

// What the reader needs to open a downloaded site chapter.
struct StoreChapterOpening {
    int64_t bookId = 0; // the shelf's row
    int64_t rzBookId = 0;
    int64_t chapterId = 0;
    std::string contentTitle;
    std::string content; // title, a blank line and the text
    int bookFormat = 1;
};

class StoreEnvironment {
public:
    // Null when no application runs and none was set.
    static DownManager* downManager();
    static void setDownManager(DownManager* manager);
    static ui::NavigationController* mainNavigation();
    static void setMainNavigation(std::weak_ptr<ui::NavigationController> nav);
    static bool supportRotate();

    // The chapter list: answers a tapped chapter's record (cid, vip, down) or
    // a null Value.
    using ChapterPicked = std::function<void(const core::Value& chapter, int64_t rzBookId)>;
    using ChapterListMaker =
        std::function<std::shared_ptr<ui::ViewController>(int64_t rzBookId, const std::string& title, ChapterPicked)>;
    using ReaderMaker = std::function<std::shared_ptr<ui::ViewController>(const StoreChapterOpening&)>;
    using PurchaseMaker = std::function<std::shared_ptr<ui::ViewController>(
        int64_t rzBookId, int64_t chapterId, std::function<void(const std::string&)> callback)>;
    static void setChapterListMaker(ChapterListMaker maker);
    static void setReaderMaker(ReaderMaker maker);
    static void setPurchaseMaker(PurchaseMaker maker);
    static std::shared_ptr<ui::ViewController> makeChapterList(int64_t rzBookId, const std::string& title,
                                                               ChapterPicked picked);
    static std::shared_ptr<ui::ViewController> makeReader(const StoreChapterOpening& opening);
    static std::shared_ptr<ui::ViewController> makePurchase(int64_t rzBookId, int64_t chapterId,
                                                            std::function<void(const std::string&)> callback);
    // Back to the application's own answers and screens.
    static void reset();
};

} // namespace pw

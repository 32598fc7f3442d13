#include "store/StoreEnvironment.h"

#include "foundation/frame/PagewellAppDelegate.h"
#include "store/StoreChapterListScreen.h"
#include "store/StorePurchaseScreen.h"
#include "store/StoreReadingScreen.h"

namespace pw {
namespace {

struct Links {
    DownManager* downManager = nullptr;
    std::weak_ptr<ui::NavigationController> mainNavigation;
    bool mainNavigationSet = false;
    StoreEnvironment::ChapterListMaker chapterList;
    StoreEnvironment::ReaderMaker reader;
    StoreEnvironment::PurchaseMaker purchase;
};

// Main thread only, as every screen of the store.
Links& links() {
    static Links l;
    return l;
}

} // namespace

DownManager* StoreEnvironment::downManager() {
    if (links().downManager)
        return links().downManager;
    auto* app = PagewellAppDelegate::shared();
    return app ? app->downManager() : nullptr;
}

void StoreEnvironment::setDownManager(DownManager* manager) {
    links().downManager = manager;
}

ui::NavigationController* StoreEnvironment::mainNavigation() {
    if (links().mainNavigationSet)
        return links().mainNavigation.lock().get();
    auto* app = PagewellAppDelegate::shared();
    return app ? app->navController().get() : nullptr;
}

void StoreEnvironment::setMainNavigation(std::weak_ptr<ui::NavigationController> nav) {
    links().mainNavigation = std::move(nav);
    links().mainNavigationSet = true;
}

bool StoreEnvironment::supportRotate() {
    auto* app = PagewellAppDelegate::shared();
    return app && app->supportRotate();
}

void StoreEnvironment::setChapterListMaker(ChapterListMaker maker) {
    links().chapterList = std::move(maker);
}
void StoreEnvironment::setReaderMaker(ReaderMaker maker) {
    links().reader = std::move(maker);
}
void StoreEnvironment::setPurchaseMaker(PurchaseMaker maker) {
    links().purchase = std::move(maker);
}

std::shared_ptr<ui::ViewController> StoreEnvironment::makeChapterList(int64_t rzBookId, const std::string& title,
                                                                      ChapterPicked picked) {
    if (links().chapterList)
        return links().chapterList(rzBookId, title, std::move(picked));
    auto screen = StoreChapterListScreen::create(rzBookId, std::move(picked));
    screen->setTitle(title);
    return screen;
}

std::shared_ptr<ui::ViewController> StoreEnvironment::makeReader(const StoreChapterOpening& opening) {
    if (links().reader)
        return links().reader(opening);
    return StoreReadingScreen::create(opening);
}

std::shared_ptr<ui::ViewController> StoreEnvironment::makePurchase(int64_t rzBookId, int64_t chapterId,
                                                                   std::function<void(const std::string&)> callback) {
    if (links().purchase)
        return links().purchase(rzBookId, chapterId, std::move(callback));
    return StorePurchaseScreen::create(rzBookId, chapterId, std::move(callback));
}

void StoreEnvironment::reset() {
    links() = Links{};
}

} // namespace pw

#include "store/StoreEnvironment.h"

#include "account/LocalBuyChapterController.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "platform/core/Text.h"
#include "reader/PageViewController.h"
#include "reader/RZChapterListViewController.h"

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

// Hands a pick in the chapter list on as the store's chapter record.
struct PickForwarder : RZChapterListViewDelegate {
    StoreEnvironment::ChapterPicked picked;
    void rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) override {
        core::Value::Map m;
        m.append("cid", chapter.cid);
        m.append("vip", static_cast<int64_t>(chapter.vip ? 1 : 0));
        m.append("down", static_cast<int64_t>(chapter.down ? 1 : 0));
        if (picked)
            picked(core::Value(std::move(m)), rzBookId);
    }
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
    auto list = RZChapterListViewController::create();
    list->rzBookId = rzBookId;
    list->setTitle(title);
    auto forwarder = std::make_shared<PickForwarder>();
    forwarder->picked = std::move(picked);
    list->didSelectDelegate = forwarder;
    list->delegateOwner = forwarder;
    return list;
}

std::shared_ptr<ui::ViewController> StoreEnvironment::makeReader(const StoreChapterOpening& opening) {
    if (links().reader)
        return links().reader(opening);
    auto reader = PageViewController::create();
    reader->bookId = opening.bookId;
    reader->rzBookId = opening.rzBookId;
    reader->contentTitle = opening.contentTitle;
    reader->content = core::text::toUtf16Lenient(opening.content);
    reader->bookFormat = opening.bookFormat;
    reader->chapterId = opening.chapterId;
    return reader;
}

std::shared_ptr<ui::ViewController> StoreEnvironment::makePurchase(int64_t rzBookId, int64_t chapterId,
                                                                   std::function<void(const std::string&)> callback) {
    if (links().purchase)
        return links().purchase(rzBookId, chapterId, std::move(callback));
    auto purchase = LocalBuyChapterController::create();
    purchase->rzBookId = rzBookId;
    purchase->chapterId = chapterId;
    purchase->callback = std::move(callback);
    return purchase;
}

void StoreEnvironment::reset() {
    links() = Links{};
}

} // namespace pw

// The main screen's site actions behind the login check, and its listening to
// the shelf-wide notifications.
#include "shelf/MainViewController.h"

#include "shelf/BookcaseController.h"
#include "shelf/BooklistController.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/util/FileHelper.h"
#include "foundation/util/Utils.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZAlertView.h"
#include "foundation/widgets/StatusBarOverlay.h"
#include "platform/core/Thread.h"
#include "site/BookContentDownloader.h"
#include "site/BookFavorite.h"
#include "site/CheckLoginWithInfo.h"
#include "site/DownManager.h"
#include "site/GetBookCaseBooks.h"
#include "site/IGetBookInfo.h"
#include "site/Report.h"

#include <cctype>

namespace pw {

namespace {

std::string lowerExtension(const std::string& file) {
    std::string ext = std::filesystem::path(file).extension().string();
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    for (auto& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int64_t packBookId(const std::any& pack) {
    if (const auto* id = std::any_cast<int64_t>(&pack))
        return *id;
    return 0;
}

} // namespace

// --- deferred site actions ---------------------------------------------------

void MainViewController::checkIsLoginWithInfo(std::any pack) {
    spinner();
    if (m_checkLogin)
        m_checkLogin->checkIsLoginWithTarget(shared_from_this(), std::move(pack));
}

void MainViewController::checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) {
    if (!isLogin) {
        tip("获取登录信息失败", 2);
        return;
    }
    spinner();
    const int64_t bookId = packBookId(userPack);
    m_userId = userId;
    if (bookId != 0) {
        const int exists = BookTB::isBookExistsByRZBookId(bookId);
        if (exists == -2) {
            tip("读取本地信息失败", 2);
            return;
        }
        if (exists == 1) {
            const int belongs = BookTB::isBookBelongWithRZBookId(bookId, core::Value(userId));
            if (belongs == 0) {
                if (m_progressHUD) {
                    m_progressHUD->showTipsWithLoadingDetailsHideDelay(
                        "", "书籍下载用户与当前登录用户不一致，请删除后重新下载", 2);
                }
                return;
            }
            if (belongs == -2) {
                tip("读取本地信息失败", 2);
                return;
            }
        }
    }
    std::weak_ptr<MainViewController> weak = weakSelf();
    auto callback = [weak](void (MainViewController::*fn)(const core::Value&)) {
        return [weak, fn](const core::Value& v) {
            if (auto self = weak.lock())
                ((*self).*fn)(v);
        };
    };
    switch (m_downType) {
    case MainActionChapterList:
        m_iGetBookInfo->getBookInfoByRZBookId(bookId, weak, callback(&MainViewController::getBookInfoCallback),
                                              m_progressHUD, m_userId, false);
        break;
    case MainActionSyncBookcase:
        if (!m_getBookCaseBooks)
            m_getBookCaseBooks = std::make_shared<GetBookCaseBooks>();
        m_getBookCaseBooks->getBookCaseBookWithTarget(weak, callback(&MainViewController::getBookCaseBooksCallback),
                                                      m_progressHUD);
        break;
    case MainActionDownloadBook:
        tip("已开始后台下载", 2);
        if (auto* dm = downManager())
            dm->beginToDownloadWithRZBookId(bookId, m_userId);
        break;
    case MainActionUpdateSelected:
        updateSelectedBooks();
        break;
    case MainActionFirstChapter: {
        spinner("正在下载章节，请稍候...");
        auto first = BookDB::getFirstChapterInfoByRZBookId(bookId);
        // A book database without chapters has nothing to fetch.
        if (!first || first->size() < 4) {
            tip("打开书籍失败(2)", 2);
            break;
        }
        const int64_t chapterId = (*first)[0].asInt().value_or(0);
        if ((*first)[3].asInt().value_or(0) == 1)
            showBuyChapterControllerWithRZBookId(bookId, chapterId);
        else
            m_bookContentDownloader->downloadBookContentByRZBookId(bookId, chapterId, weak,
                                                                   callback(&MainViewController::downChapterCallback));
        break;
    }
    case MainActionDeleteOnSite:
        if (!m_bookFavorite)
            m_bookFavorite = std::make_shared<BookFavorite>();
        m_bookFavorite->deleteSiteBookFavoriteWithTarget(
            weak, callback(&MainViewController::deleteSiteBookFavoriteCallback), std::to_string(bookId));
        break;
    case MainActionDeleteSelectedEverywhere:
        if (!m_bookFavorite)
            m_bookFavorite = std::make_shared<BookFavorite>();
        delSelectedRZBooksOnLocalAndServer();
        break;
    default:
        break;
    }
}

void MainViewController::getBookInfoCallback(const core::Value& result) {
    spinner();
    if (result.isArray() && result[0].asInt().value_or(0) == 1) {
        after(0.6, [result](MainViewController& self) { self.showChapterList(result); });
        return;
    }
    tip("未能获取本书目录", 2);
}

void MainViewController::showChapterList(const core::Value& result) {
    hideTip();
    auto& maker = ShelfScreens::chapterList();
    if (!maker)
        return;
    std::weak_ptr<MainViewController> weak = weakSelf();
    pushScreen(maker(result[1].asInt().value_or(0), result[2].asString().value_or(""),
                     [weak](const core::Value& chapter, int64_t rzBookId) {
                         if (auto self = weak.lock())
                             self->rzChapterDidSelected(chapter, rzBookId);
                     }));
}

void MainViewController::getBookCaseBooksCallback(const core::Value& data) {
    if (m_getBookCaseBooks && m_getBookCaseBooks->saveBookcaseWithUserId(m_userId, data, m_progressHUD))
        notifyReloadAllCategoriesAndBooks();
    if (m_progressHUD)
        m_progressHUD->showTipsWithoutHideFirstHideDelay("保存书架信息完成", 2);
    if (m_booksLayoutStyle == 1 && m_bookcaseController)
        m_bookcaseController->scrollToFirstCategoryHasBooks();
}

void MainViewController::deleteSiteBookFavoriteCallback(const core::Value& reply) {
    const std::string text =
        reply.isNull() ? "网站书架书籍删除失败" : reply["Message"].asString().value_or("网站书架书籍删除失败");
    if (m_progressHUD)
        m_progressHUD->showTipsWithoutHideFirstHideDelay(text, 2);
}

// --- notifications -------------------------------------------------------------

void MainViewController::addNotificationObservers() {
    auto& nc = core::NotificationCenter::defaultCenter();
    std::weak_ptr<MainViewController> weak = weakSelf();
    auto on = [&](const char* name, void (MainViewController::*fn)(const core::Value&)) {
        m_observers.push_back(nc.addObserver(name, [weak, fn](const core::Notification& n) {
            if (auto self = weak.lock())
                ((*self).*fn)(n.payload);
        }));
    };
    auto onPlain = [&](const char* name, void (MainViewController::*fn)()) {
        m_observers.push_back(nc.addObserver(name, [weak, fn](const core::Notification&) {
            if (auto self = weak.lock())
                ((*self).*fn)();
        }));
    };
    on("NSNotificationCenter_BooklistDeleteBook", &MainViewController::notifyDeleteBook);
    on("NSNotificationCenter_BooklistMoveBook", &MainViewController::notifyMoveBook);
    onPlain("NSNotificationCenter_CategoryUpdate", &MainViewController::notifyReloadAllCategories);
    onPlain("NSNotificationCenter_BookReload", &MainViewController::notifyReloadAllBooks);
    onPlain("NSNotificationCenter_CategoryAndBookReload", &MainViewController::notifyReloadAllCategoriesAndBooks);
    on("NSNotificationCenter_DownAllBook", &MainViewController::notifyDownloadWholeBook);
    on("NSNotificationCenter_DownAllBook_Silent", &MainViewController::notifyDownloadWholeBookSilent);
    on("NSNotificationCenter_NewVersionAvailable", &MainViewController::notifyNewVersionAvailable);
    onPlain("NSNotificationCenter_Report_R1", &MainViewController::reportR1);
    onPlain("NSNotificationCenter_SyncBookcase", &MainViewController::notifySyncBookcase);
    on("NSNotificationCenter_BarMessage", &MainViewController::postMessageToBar);
    on("NSNotificationCenter_UpdateBooks", &MainViewController::notifyUpdateRZBooks);
    on("NSNotificationCenter_UpdateBooksNewImage", &MainViewController::notifyUpdateRZBooksImage);
    on("NSNotificationCenter_NewMessageNofity", &MainViewController::notifyNewMessage);
}

void MainViewController::notifyReloadAllCategories() {
    getAllCategories();
    switchBooksLayoutStyle();
}

void MainViewController::notifyReloadAllBooks() {
    getAllBooks();
    if (m_booksLayoutStyle == 1 && m_bookcaseController) {
        m_bookcaseController->setAllBooks(m_allBooks);
        m_bookcaseController->archiveCategoryBooksAndRefreshTable();
    } else if (m_booksLayoutStyle == 2 && m_booklistController) {
        m_booklistController->setAllBooks(m_allBooks);
        m_booklistController->archiveCategoryBooksAndRefreshTable();
    }
}

void MainViewController::notifyReloadAllCategoriesAndBooks() {
    getAllBooks();
    getAllCategories();
    switchBooksLayoutStyle();
}

void MainViewController::notifyDeleteBook(const core::Value& info) {
    const std::string file = info["file"].asString().value_or("");
    if (lowerExtension(file) == "rz" && isDownloading(info["rzid"].asInt().value_or(0))) {
        tip("书籍正在下载中，请稍后再试", 2);
        return;
    }
    showDeletePrompt(kAlertDeleteOne, "确认删除本书？", info);
}

void MainViewController::showDeletePrompt(int tag, const std::string& message, core::Value userInfo) {
    if (bookcaseType == 1)
        showAlert(tag, "提示", message, "取消", {"只在本地书架中删除", "同时从网站书架删除"}, std::move(userInfo));
    else
        showAlert(tag, "提示", message, "取消", {"确认"}, std::move(userInfo));
}

void MainViewController::doDeleteBook(const core::Value& info) {
    const int64_t bid = info["bid"].asInt().value_or(0);
    const int64_t rzid = info["rzid"].asInt().value_or(0);
    const std::string file = info["file"].asString().value_or("");
    const std::string ext = lowerExtension(file);
    const std::string path = getFilePathByType(file, ext).value_or(file);
    if (ext == "umd" || ext == "txt") {
        BookTB::deleteBookWithBookId(bid);
        FileHelper::deleteLocalBookByFilePath(path, ext == "umd" ? 2 : 3);
    } else if (ext == "rz") {
        if (BookDB::deleteBookDBFileByRZBookId(rzid)) {
            BookTB::deleteBookWithBookId(bid);
            FileHelper::deleteBookCoverFileByRZBookId(rzid);
        }
    }
    getAllBooks();
    if (m_booksLayoutStyle == 2 && m_booklistController) {
        m_booklistController->setAllBooks(m_allBooks);
        m_booklistController->deleteOneBook();
    } else if (m_bookcaseController) {
        // The grid shows the shelf without the deleted book at once too.
        m_bookcaseController->setAllBooks(m_allBooks);
        m_bookcaseController->archiveCategoryBooksAndRefreshTable();
    }
}

void MainViewController::notifyMoveBook(const core::Value& info) {
    if (bookcaseType != 2)
        return;
    // The row's tap just before may have toggled the book out of a selection
    // that held it; the move is of exactly this book.
    m_dictBookChoose.selectOnly(BookSelectionInfo::fromValue(info));
    showCategoryMenuForMove(true, true);
}

void MainViewController::notifyDownloadWholeBook(const core::Value& note) {
    const int64_t rzbid = note["rzbid"].asInt().value_or(0);
    if (isDownloading(rzbid)) {
        tip("书籍正在下载中，请稍后再试", 2);
        return;
    }
    m_downType = MainActionDownloadBook;
    checkIsLoginWithInfo(rzbid);
}

void MainViewController::notifyDownloadWholeBookSilent(const core::Value& note) {
    const int64_t rzbid = note["rzbid"].asInt().value_or(0);
    if (isDownloading(rzbid))
        return;
    if (auto* dm = downManager())
        dm->beginToDownloadWithRZBookId(rzbid, m_userId);
}

void MainViewController::notifyNewVersionAvailable(const core::Value& note) {
    showAlert(kAlertNewVersion, "发现新版本 " + note["versionName"].asString().value_or(""),
              note["description"].asString().value_or(""), "再说吧", {"去看看"}, note["url"]);
}

void MainViewController::reportR1() {
    if (!m_report)
        m_report = Report::create();
    m_report->reportR1();
}

void MainViewController::notifySyncBookcase() {
    m_downType = MainActionSyncBookcase;
    checkIsLoginWithInfo({});
}

void MainViewController::postMessageToBar(const core::Value& note) {
    if (m_isReadingBook) {
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_ReadPageStatusMessage", note);
        return;
    }
    StatusBarOverlay::sharedInstance().postFinishMessage(note["msg"].asString().value_or(""), 3.0, true);
}

void MainViewController::notifyUpdateRZBooks(const core::Value& record) {
    const auto* entries = record.asMap();
    if (!entries || entries->empty())
        return;
    if (m_isReadingBook) {
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_ReadPageStatusMessage", record);
    } else {
        for (const auto& [key, text] : *entries)
            StatusBarOverlay::sharedInstance().postFinishMessage(text.asString().value_or(""), 3.0, true);
    }
    const std::string setting = SettingTB::readSettingWithKey("k_MainViewNotifyView").value_or("on");
    if (!m_isInMainView || bookcaseType == 2 || setting != "on" || !m_notifyView)
        return;
    for (const auto& [key, text] : *entries)
        m_notifyView->addBookUpdateMessageWithRZBookId(std::atoll(key.c_str()), text.asString().value_or(""));
    m_notifyView->genMenuAndShow();
    m_notifyView->showMessage();
}

void MainViewController::notifyNewMessage(const core::Value& record) {
    const auto* entries = record.asMap();
    if (!entries || !m_notifyView)
        return;
    for (const auto& [key, text] : *entries)
        m_notifyView->addMessageWithNotifyId(std::atoll(key.c_str()), text.asString().value_or(""));
    m_notifyView->genMenuAndShow();
    m_notifyView->showMessage();
}

void MainViewController::notifyUpdateRZBooksImage(const core::Value& badges) {
    if (!badges.asMap())
        return;
    // The worker matches on copies; what it finds is written into the shown
    // records here, on the main thread, so no worker writes records that the
    // shelf views are reading or that a reload is replacing.
    std::vector<BookRecord> books;
    {
        std::lock_guard lock(m_locker);
        books = *m_allBooks;
    }
    std::weak_ptr<MainViewController> weak = weakSelf();
    core::Thread::detach(
        [weak, books = std::move(books), badges] {
            auto found = updateNewImage(books, badges);
            core::RunLoop::runOnMain(
                [weak, found = std::move(found)] {
                    if (auto self = weak.lock())
                        self->applyNewChapterIds(found);
                },
                false);
        },
        "new-chapters");
}

std::vector<std::pair<int64_t, int64_t>> MainViewController::updateNewImage(const std::vector<BookRecord>& books,
                                                                            const core::Value& badges) {
    std::vector<std::pair<int64_t, int64_t>> found;
    const auto* entries = badges.asMap();
    if (!entries)
        return found;
    for (const auto& [key, value] : *entries) {
        const int64_t rzid = std::atoll(key.c_str());
        for (const auto& b : books) {
            if (b.rzId == rzid) {
                if (auto id = value.asInt())
                    found.emplace_back(b.bid, *id);
                break;
            }
        }
    }
    return found;
}

void MainViewController::applyNewChapterIds(const std::vector<std::pair<int64_t, int64_t>>& found) {
    std::lock_guard lock(m_locker);
    for (const auto& [bid, chapterId] : found) {
        for (auto& b : *m_allBooks) {
            if (b.bid == bid) {
                b.lstChapterId = chapterId;
                break;
            }
        }
    }
}

} // namespace pw

// The main screen's tabs, alerts, edit mode and menus, and the actions on the
// books selected in edit mode.
#include "shelf/MainViewController.h"

#include "shelf/MainHelpStoreCloudView.h"
#include "shelf/MainHelpStoreTipView.h"
#include "shelf/ShelfDeleteLists.h"
#include "shelf/BookcaseController.h"
#include "shelf/BooklistController.h"
#include "shelf/MainBottomMenu.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/util/FileHelper.h"
#include "foundation/util/Utils.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZActionSheet.h"
#include "foundation/widgets/RZAlertView.h"
#include "platform/device/Device.h"
#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "site/BookContentDownloader.h"
#include "site/BookFavorite.h"
#include "site/CheckVersion.h"
#include "site/DownManager.h"
#include "site/ProcessLocalRZBook.h"

namespace pw {

// --- alerts --------------------------------------------------------------------

void MainViewController::showAlert(int tag, const std::string& title, const std::string& message,
                                   const std::string& cancel, std::vector<std::string> others, core::Value userInfo,
                                   int64_t rzBookId) {
    auto alert = RZAlertView::create(title, message, std::static_pointer_cast<MainViewController>(shared_from_this()),
                                     cancel, std::move(others));
    alert->setTag(tag);
    alert->userInfo = std::move(userInfo);
    alert->rzBookId = static_cast<int32_t>(rzBookId);
    m_alert = alert;
    alert->show();
}

void MainViewController::clickedButtonAtIndex(ui::AlertView& alertView, int64_t index) {
    auto* alert = dynamic_cast<RZAlertView*>(&alertView);
    if (!alert)
        return;
    const core::Value info = alert->userInfo;
    const int64_t rzBookId = alert->rzBookId;
    switch (alert->tag()) {
    case kAlertNewVersion:
        if (index == 1)
            ui::Application::shared().openURL(info.asString().value_or(""));
        break;
    case kAlertFirstChapter:
        if (index == 1) {
            m_downType = MainActionFirstChapter;
            checkIsLoginWithInfo(rzBookId);
        }
        break;
    case kAlertDeleteSelected:
        if (index == 1) {
            delSelectedBooks();
        } else if (index == 2) {
            m_downType = MainActionDeleteSelectedEverywhere;
            checkIsLoginWithInfo({});
        }
        break;
    case kAlertDeleteOne:
        if (index == 1) {
            doDeleteBook(info);
        } else if (index == 2) {
            doDeleteBook(info);
            m_downType = MainActionDeleteOnSite;
            checkIsLoginWithInfo(info["rzid"].asInt().value_or(0));
        }
        break;
    case kAlertDownloadManager:
        if (index == 1 || index == 2) {
            if (auto* dm = downManager()) {
                if (index == 1)
                    dm->cancelAllDownload();
                else
                    dm->continueUnFinishedDownload();
            }
            if (index == 1)
                notifyReloadAllBooks();
            m_isEditing = !m_isEditing;
            switchEditEnable(m_isEditing);
        }
        break;
    default:
        break;
    }
}

void MainViewController::didDismissWithButtonIndex(ui::ActionSheet& sheetView, int64_t index) {
    auto* sheet = dynamic_cast<RZActionSheet*>(&sheetView);
    if (!sheet)
        return;
    if (index == 0)
        m_downType = MainActionDownloadBook;
    else if (index == 1)
        m_downType = MainActionChapterList;
    else
        return;
    checkIsLoginWithInfo(static_cast<int64_t>(sheet->rzBookId));
}

// --- tabs ------------------------------------------------------------------------

void MainViewController::tabBarDidSelectItem(int tag) {
    switch (tag) {
    case kTabSiteShelf:
        bookcaseType = 1;
        m_selectedTab = tag;
        notifyReloadAllCategoriesAndBooks();
        break;
    case kTabLocalShelf:
        bookcaseType = 2;
        m_selectedTab = tag;
        if (m_notifyView)
            m_notifyView->close();
        notifyReloadAllCategoriesAndBooks();
        break;
    case kTabStore:
        closeStoreHelpMenu();
        pushScreen(ShelfScreens::store() ? ShelfScreens::store()() : ShelfScreens::bareScreen("书城"));
        break;
    case kTabMore:
        pushScreen(ShelfScreens::settings() ? ShelfScreens::settings()() : ShelfScreens::moreScreen());
        break;
    default:
        return;
    }
    refreshTabBar();
    m_isEditing = false;
    m_dictBookChoose.clear();
    switchEditEnable(false);
    closeBottomMenu();
}

void MainViewController::rzChapterDidSelected(const core::Value& chapter, int64_t rzBookId) {
    if (!chapter.isMap()) {
        tip("下载章节失败", 2);
        return;
    }
    spinner("正在下载章节，请稍候...");
    const int64_t cid = chapter["cid"].asInt().value_or(0);
    const bool vip = chapter["vip"].asInt().value_or(0) == 1;
    if (chapter["down"].asInt().value_or(0) == 1) {
        openRZBookWithRZBookId(rzBookId, cid, vip);
    } else if (vip) {
        showBuyChapterControllerWithRZBookId(rzBookId, cid);
    } else {
        std::weak_ptr<MainViewController> weak = weakSelf();
        m_bookContentDownloader->downloadBookContentByRZBookId(rzBookId, cid, weak, [weak](const core::Value& v) {
            if (auto self = weak.lock())
                self->downChapterCallback(v);
        });
    }
}

void MainViewController::agreed() {
    showStoreHelpMenu();
    doPreWork();
    // The agreement slides away over this screen; the compositor leaves a
    // trail of it where nothing here redraws, so the screen is drawn whole
    // once the slide has ended.
    after(ui::ViewController::kModalDuration + 0.1, [](MainViewController& self) {
        if (self.isViewLoaded())
            self.view()->setNeedsDisplay();
    });
}

void MainViewController::doPreWork() {
    ProcessLocalRZBook::process();
    m_checkVersion = CheckVersion::create();
    m_checkVersion->checkVersion();
}

void MainViewController::importLocalBook() {
    if (ShelfScreens::importBooks())
        pushScreen(ShelfScreens::importBooks()());
}

void MainViewController::openWifiTransfer() {
    if (auto* nav = navigationController(); nav && ShelfScreens::wifi()) {
        nav->setNavigationBarHidden(false, false);
        nav->pushViewController(ShelfScreens::wifi()(), true);
    }
}

void MainViewController::didShowViewController(ui::NavigationController&, ui::ViewController& vc, bool) {
    // Any reader counts, the one the store pushed on this stack too.
    const auto& isReader = ShelfScreens::isReader();
    if (isReader && isReader(vc)) {
        notifyReloadAllBooks();
        m_isReadingBook = true;
    } else {
        m_isReadingBook = false;
    }
}

void MainViewController::notifyViewMessageClickWithRZBookId(int64_t rzBookId, int type) {
    if (type != 1)
        return;
    auto rows = BookTB::getRZBooksInfoByRZBookId(rzBookId);
    if (!rows || rows->empty())
        return;
    const core::Value& first = rows->front();
    const std::string file = first["file"].asString().value_or("");
    std::string ext = std::filesystem::path(file).extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    openBookWithStatus(static_cast<int>(first["status"].asInt().value_or(0)), first["bid"].asInt().value_or(0),
                       rzBookId, getFilePathByType(file, ext).value_or(file), ext);
}

void MainViewController::notifyViewMessageClickWithNotifyId(int64_t, int) {
    pushScreen(ShelfScreens::messages() ? ShelfScreens::messages()() : ShelfScreens::bareScreen("消息"));
}

// --- edit mode and layout ------------------------------------------------------

void MainViewController::btnEditClick() {
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_HideKeyboard");
    m_isEditing = !m_isEditing;
    switchEditEnable(m_isEditing);
}

void MainViewController::editButtonLook(bool on) {
    if (!m_btnEdit)
        return;
    m_btnEdit->setTitle(on ? "完成" : "编辑");
    m_btnEdit->setTitleColor(on ? gfx::Color::white() : gfx::Color::darkGray());
    auto img = ui::BundleImage::named(on ? "btnbk2_blue.png" : "btnbk2.png");
    if (!img.isNull())
        m_btnEdit->setBackgroundImage(img);
    else
        m_btnEdit->setBackgroundColor(on ? gfx::Color::fromRGB255(40, 110, 220)
                                         : gfx::Color::fromRGB255(235, 235, 235));
}

void MainViewController::switchEditEnable(bool on) {
    m_dictBookChoose.clear();
    editButtonLook(on);
    if (on)
        showBottomMenu();
    else
        closeBottomMenu();
    if (m_booksLayoutStyle == 1 && m_bookcaseController)
        m_bookcaseController->enterEditingState(on);
    else if (m_booksLayoutStyle == 2 && m_booklistController)
        m_booklistController->enterEditingState(on);
}

void MainViewController::btnSwitchBooksLayoutClick() {
    m_booksLayoutStyle = m_booksLayoutStyle == 1 ? 2 : 1;
    layoutButtonLook();
    m_dictBookChoose.clear();
    switchBooksLayoutStyle();
}

void MainViewController::layoutButtonLook() {
    if (!m_btnSwitchBooksLayout)
        return;
    const bool list = m_booksLayoutStyle == 2;
    // The picture tells the layout; without it, the title names the other one.
    if (auto img = ui::BundleImage::named(list ? "btntoplist.png" : "btntopcase.png"); !img.isNull()) {
        m_btnSwitchBooksLayout->setBackgroundImage(img);
        m_btnSwitchBooksLayout->setTitle("");
    } else {
        m_btnSwitchBooksLayout->setTitle(list ? "书架" : "列表");
    }
}

void MainViewController::initialMainViewMenu() {
    const gfx::Rect b = view()->bounds();
    m_bottomMenu = MainBottomMenu::create(gfx::Rect(0, b.height() - 49, b.width(), 49));
    m_bottomMenu->setHidden(true);
    view()->addSubview(m_bottomMenu);
    m_categoryMenu = MainCategoryMenu::create(b);
    m_categoryMenu->setHidden(true);
    m_categoryMenu->setDelegate(this);
    view()->addSubview(m_categoryMenu);
}

void MainViewController::showBottomMenu() {
    if (m_booksLayoutStyle != 1 || !m_bottomMenu)
        return;
    m_bottomMenu->genMenuAndShow();
    view()->bringSubviewToFront(m_bottomMenu.get());
    if (!m_bottomMenu->hasAddHandler()) {
        m_bottomMenu->setHasAddHandler(true);
        wireButton(*m_bottomMenu->btnFirst(), &MainViewController::selectAllBooks);
        wireButton(*m_bottomMenu->btnSecond(), &MainViewController::checkUpdateSelectedBooks);
        wireButton(*m_bottomMenu->btnThird(), &MainViewController::confirmDelSelectedBooks);
        wireButton(*m_bottomMenu->btnFourth(), &MainViewController::bottomMenuFourthClick);
    }
    auto* fourth = m_bottomMenu->btnFourth();
    const bool site = bookcaseType == 1;
    if (auto img =
            ui::BundleImage::named(site ? "v2_main_menu_bottom_btn_downqueue.png" : "v2_main_menu_bottom_btn_move.png");
        !img.isNull())
        fourth->setBackgroundImage(img);
    fourth->setTitle(site ? "下载管理" : "移动");
    m_bottomMenu->btnSecond()->setEnabled(site);
}

void MainViewController::closeBottomMenu() {
    if (m_bottomMenu)
        m_bottomMenu->close();
}

void MainViewController::showCategoryMenu() {
    showCategoryMenuForMove(false, bookcaseType == 2);
}

void MainViewController::showCategoryMenuForMove(bool moveMode, bool enableEdit) {
    if (!m_categoryMenu)
        return;
    view()->bringSubviewToFront(m_categoryMenu.get());
    m_categoryMenu->genMenuAndShow(moveMode, enableEdit);
    if (!m_categoryMenu->hasAddHandler()) {
        m_categoryMenu->setHasAddHandler(true);
        wireButton(*m_categoryMenu->btnClose(), &MainViewController::closeCategoryMenu);
    }
}

void MainViewController::closeCategoryMenu() {
    if (m_categoryMenu)
        m_categoryMenu->close();
}

void MainViewController::scrollToCategory(int64_t categoryId, int row) {
    if (m_booksLayoutStyle == 1 && m_bookcaseController)
        m_bookcaseController->scrollToCategory(categoryId, row);
    else if (m_booksLayoutStyle == 2 && m_booklistController)
        m_booklistController->scrollToCategory(categoryId, row);
}

void MainViewController::showStoreHelpMenu() {
    if (!m_tabBar)
        return;
    const gfx::Rect tab = m_tabBar->frame();
    const bool tablet = device::Device::current().idiom() == device::Idiom::Pad;
    const unsigned margins = ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin;
    if (!m_tipView) {
        m_tipView =
            ui::View::create<MainHelpStoreTipView>(gfx::Rect(tab.midX() + (tablet ? 40 : 25), tab.y() - 35, 30, 30));
        m_tipView->setAutoresizingMask(margins);
        view()->addSubview(m_tipView);
        m_tipView->genMenuAndShow();
    }
    if (!m_cloudView) {
        m_cloudView = ui::View::create<MainHelpStoreCloudView>(gfx::Rect(tab.midX() - 10, tab.y() - 98, 120, 80));
        m_cloudView->setAutoresizingMask(margins);
        view()->addSubview(m_cloudView);
        m_cloudView->genMenuAndShow();
    }
}

void MainViewController::closeStoreHelpMenu() {
    if (m_tipView) {
        m_tipView->close();
        m_tipView->removeFromSuperview();
        m_tipView.reset();
    }
    if (m_cloudView) {
        m_cloudView->close();
        m_cloudView->removeFromSuperview();
        m_cloudView.reset();
    }
}

// --- edit-mode actions ---------------------------------------------------------

namespace {

std::vector<BookTB::Statement> deleteTransaction(const std::vector<int64_t>& ids) {
    std::vector<BookTB::Statement> out;
    for (auto& sql : ShelfDeleteLists::deleteStatements(ids))
        out.push_back({sql, {}});
    return out;
}

} // namespace

void MainViewController::selectAllBooks() {
    if (!m_isEditing || !m_bottomMenu)
        return;
    // The button's own state decides, as its title shows it; every show of the bar resets it.
    const bool all = !m_bottomMenu->hasSelectedAll();
    m_bottomMenu->setHasSelectedAll(all);
    if (all)
        m_dictBookChoose.selectAllBooks(*m_allBooks);
    else
        m_dictBookChoose.clear();
    core::NotificationCenter::defaultCenter().post(all ? "NSNotificationCenter_SelectAllBooksWhenEditing"
                                                       : "NSNotificationCenter_cancelSelectAllBooksWhenEditing");
}

void MainViewController::checkUpdateSelectedBooks() {
    if (!m_isEditing)
        return;
    if (m_dictBookChoose.empty()) {
        tip("请选择书籍", 1);
        return;
    }
    m_downType = MainActionUpdateSelected;
    checkIsLoginWithInfo({});
}

void MainViewController::updateSelectedBooks() {
    tip("已开始后台下载", 2);
    after(2.0, [](MainViewController& self) { self.doUpdateSelectedBooks(); });
}

void MainViewController::doUpdateSelectedBooks() {
    const auto selection = m_dictBookChoose.take([this](int64_t rzid) { return isDownloading(rzid); });
    std::vector<int64_t> ids;
    for (const auto& s : selection)
        if (!s.downloading)
            ids.push_back(s.rzid);
    if (auto* dm = downManager())
        dm->beginToDownloadMultiRZBookIds(ids, m_userId);
    m_isEditing = !m_isEditing;
    switchEditEnable(m_isEditing);
}

void MainViewController::confirmDelSelectedBooks() {
    if (!m_isEditing)
        return;
    if (m_dictBookChoose.empty()) {
        tip("请选择书籍", 1);
        return;
    }
    showDeletePrompt(kAlertDeleteSelected, "确认删除所选书籍？", {});
}

void MainViewController::delSelectedBooks() {
    spinner("正在删除");
    after(1.0, [](MainViewController& self) { self.doDelSelectedBooks(); });
}

void MainViewController::doDelSelectedBooks() {
    const auto selection = m_dictBookChoose.take([this](int64_t rzid) { return isDownloading(rzid); });
    const auto ids = ShelfDeleteLists::rowsToDelete(selection, [](const ShelfDeleteLists::Selected& s) {
        if (!BookDB::deleteBookDBFileByRZBookId(s.rzid))
            return false;
        FileHelper::deleteBookCoverFileByRZBookId(s.rzid);
        return true;
    });
    // A local book keeps its file in Documents; only its shelf row goes, with
    // its side files (the TXT index, the UMD cover).
    for (const auto& s : selection) {
        if (s.downloading)
            continue;
        const auto kind = ShelfDeleteLists::fileKind(s.file);
        if (kind == ShelfDeleteLists::FileKind::Umd || kind == ShelfDeleteLists::FileKind::Txt) {
            const std::string ext = kind == ShelfDeleteLists::FileKind::Umd ? "umd" : "txt";
            FileHelper::deleteLocalBookByFilePath(getFilePathByType(s.file, ext).value_or(s.file),
                                                  kind == ShelfDeleteLists::FileKind::Umd ? 2 : 3);
        }
    }
    if (!ids.empty())
        BookTB::deleteBookWithTransaction(true, deleteTransaction(ids));
    notifyReloadAllBooks();
    hideTip();
    m_isEditing = !m_isEditing;
    switchEditEnable(m_isEditing);
}

void MainViewController::delSelectedRZBooksOnLocalAndServer() {
    spinner("正在删除");
    after(1.0, [](MainViewController& self) { self.doDelSelectedRZBooksOnLocalAndServer(); });
}

void MainViewController::doDelSelectedRZBooksOnLocalAndServer() {
    const auto selection = m_dictBookChoose.take([this](int64_t rzid) { return isDownloading(rzid); });
    std::vector<int64_t> rowIds, siteIds;
    for (const auto& s : selection) {
        if (s.downloading || !BookDB::deleteBookDBFileByRZBookId(s.rzid))
            continue;
        FileHelper::deleteBookCoverFileByRZBookId(s.rzid);
        rowIds.push_back(s.bid);
        siteIds.push_back(s.rzid);
    }
    if (!rowIds.empty()) {
        BookTB::deleteBookWithTransaction(true, deleteTransaction(rowIds));
        if (m_progressHUD)
            m_progressHUD->showTipsWithoutHideFirst("正在删除网站书架书籍");
        if (!m_bookFavorite)
            m_bookFavorite = std::make_shared<BookFavorite>();
        std::weak_ptr<MainViewController> weak = weakSelf();
        m_bookFavorite->deleteSiteBookFavoriteWithTarget(
            weak,
            [weak](const core::Value& reply) {
                if (auto self = weak.lock())
                    self->deleteSiteBooksFavoriteCallback(reply);
            },
            ShelfDeleteLists::idList(siteIds));
    }
    notifyReloadAllBooks();
    m_isEditing = !m_isEditing;
    switchEditEnable(m_isEditing);
}

void MainViewController::deleteSiteBooksFavoriteCallback(const core::Value& reply) {
    deleteSiteBookFavoriteCallback(reply);
}

void MainViewController::bottomMenuFourthClick() {
    if (bookcaseType == 1) {
        showAlert(kAlertDownloadManager, "下载管理", "", "什么都不做", {"取消所有后台下载", "继续未完的下载"});
        return;
    }
    if (m_dictBookChoose.empty()) {
        tip("请选择书籍", 1);
        return;
    }
    showCategoryMenuForMove(true, true);
}

void MainViewController::categoryChooseWithId(int64_t categoryId) {
    moveSelectedBooksToCategory(categoryId);
    m_isEditing = !m_isEditing;
    switchEditEnable(m_isEditing);
}

void MainViewController::moveSelectedBooksToCategory(int64_t categoryId) {
    if (!m_isEditing)
        return;
    if (m_dictBookChoose.empty()) {
        tip("请选择书籍", 1);
        return;
    }
    spinner("正在移动");
    const auto selection = m_dictBookChoose.take([](int64_t) { return false; });
    BookTB::updateBooks(ShelfDeleteLists::movableBookIds(selection), ShelfDeleteLists::moveTarget(categoryId));
    notifyReloadAllBooks();
    hideTip();
}

} // namespace pw

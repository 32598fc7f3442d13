#include "shelf/BooklistController.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScrollView.h"
#include "shelf/BooklistTable.h"
#include "shelf/RZPageControl.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

std::shared_ptr<BooklistController> BooklistController::create() {
    return std::shared_ptr<BooklistController>(new BooklistController());
}

BooklistController::~BooklistController() = default;

void BooklistController::loadBooklist(bool editing) {
    if (!m_allCategories)
        m_allCategories = std::make_shared<std::vector<CategoryRecord>>();
    if (!m_allCategories->empty() && m_allCategories->front().cid == BookcaseController::kSearchCategoryId)
        m_allCategories->erase(m_allCategories->begin());
    if (m_rzPageControl)
        m_rzPageControl->setHidden(true);
    if (m_btnTitle)
        m_btnTitle->setTitle("书架");
    if (!m_scrollView)
        return;
    m_scrollView->setDelegate({});
    m_scrollView->pagingEnabled = false;
    m_scrollView->setContentSize(m_scrollView->frame().size);
    m_scrollView->setContentOffset({0, 0}, false);

    m_booklistTable = BooklistTable::create();
    m_booklistTable->setAllCategories(m_allCategories);
    m_booklistTable->setIsEditing(editing);
    m_booklistTable->setAllBooks(m_allBooks);
    m_booklistTable->genListWithFrame(m_scrollView->frame(), *m_scrollView);

    m_observers.clear();
    auto& center = core::NotificationCenter::defaultCenter();
    std::weak_ptr<BooklistController> weak = weak_from_this();
    auto on = [&](const char* name, void (BooklistController::*fn)(const core::Notification&)) {
        m_observers.push_back(center.addObserver(name, [weak, fn](const core::Notification& n) {
            if (auto self = weak.lock())
                ((*self).*fn)(n);
        }));
    };
    on(shelfnote::BookCoverReload, &BooklistController::reloadBookCover);
    for (const char* name : {shelfnote::BookAllDownProgress, shelfnote::BookAllDownFailed,
                             shelfnote::BookAllDownSuccess, shelfnote::BookAllDownBegin})
        on(name, &BooklistController::updateDownProgress);
    on(shelfnote::MultiBookAllDownBegin, &BooklistController::updateMultiDownProgress);
    m_observers.push_back(center.addObserver(shelfnote::HideKeyboard, [weak](const auto&) {
        if (auto self = weak.lock())
            self->hideKeyboard();
    }));
    on(shelfnote::UpdateBooksNewImage, &BooklistController::updateBooksNewImage);
}

void BooklistController::setLayout() {
    if (m_scrollView)
        m_scrollView->setContentSize(m_scrollView->frame().size);
}

void BooklistController::clearScroll() {
    if (!m_scrollView)
        return;
    const auto subviews = m_scrollView->subviews();
    for (const auto& v : subviews)
        v->removeFromSuperview();
}

void BooklistController::enterEditingState(bool editing) {
    if (!m_booklistTable)
        return;
    m_booklistTable->setIsEditing(editing);
    m_booklistTable->enterEditingState(editing);
}

void BooklistController::deleteOneBook() {
    if (!m_booklistTable)
        return;
    m_booklistTable->setAllBooks(m_allBooks);
    m_booklistTable->reloadAllBooks();
}

void BooklistController::scrollToCategory(int64_t categoryId, int row) {
    if (m_booklistTable)
        m_booklistTable->scrollToCategory(categoryId, row);
}

void BooklistController::archiveCategoryBooksAndRefreshTable() {
    if (!m_booklistTable)
        return;
    m_booklistTable->setAllBooks(m_allBooks);
    m_booklistTable->setAllCategories(m_allCategories);
    m_booklistTable->reloadAllBooks();
}

void BooklistController::reloadBookCover(const core::Notification& n) {
    if (m_booklistTable)
        m_booklistTable->reloadBookCover(n);
}

void BooklistController::updateDownProgress(const core::Notification& n) {
    if (m_booklistTable)
        m_booklistTable->updateDownProgress(n);
}

void BooklistController::updateMultiDownProgress(const core::Notification& n) {
    if (m_booklistTable)
        m_booklistTable->updateMultiDownProgress(n);
}

void BooklistController::updateBooksNewImage(const core::Notification& n) {
    if (m_booklistTable)
        m_booklistTable->reloadBookCoverNewImage(n);
}

void BooklistController::hideKeyboard() {
    if (m_booklistTable)
        m_booklistTable->hideKeyboard();
}

} // namespace pw

#include "shelf/BookcaseController.h"

#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "shelf/GridPaging.h"
#include "shelf/RZPageControl.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

std::shared_ptr<BookcaseController> BookcaseController::create() {
    return std::shared_ptr<BookcaseController>(new BookcaseController());
}

BookcaseController::~BookcaseController() = default;

BookcaseTable* BookcaseController::page(int p) const {
    if (p < 0 || p >= static_cast<int>(m_tableViewArray.size()))
        return nullptr;
    return m_tableViewArray[static_cast<size_t>(p)].get();
}

int BookcaseController::currentPage() const {
    if (!m_scrollView)
        return 0;
    return GridPaging::pageAtOffset(m_scrollView->contentOffset().x, m_scrollView->frame().width());
}

void BookcaseController::loadBookcase() {
    if (!m_allCategories)
        m_allCategories = std::make_shared<std::vector<CategoryRecord>>();
    auto& categories = *m_allCategories;
    if (categories.empty() || categories.front().cid != kSearchCategoryId)
        categories.insert(categories.begin(),
                          CategoryRecord{kSearchCategoryId, "搜索书籍", 0, core::Clock::shared().now()});
    m_numOfPages = static_cast<int>(categories.size());
    if (m_rzPageControl) {
        m_rzPageControl->setHidden(false);
        m_rzPageControl->setNumberOfPages(m_numOfPages);
        m_rzPageControl->setCurrentPage(1);
        gfx::Rect b = m_rzPageControl->bounds();
        b.size = {GridPaging::pageControlWidth(m_numOfPages), 16};
        m_rzPageControl->setBounds(b);
    }
    if (m_btnTitle && categories.size() > 1)
        m_btnTitle->setTitle(categories[1].cname);
    if (m_scrollView) {
        const gfx::Rect f = m_scrollView->frame();
        m_scrollView->pagingEnabled = true;
        m_scrollView->setContentSize({f.width() * m_numOfPages, f.height()});
        m_scrollView->setDelegate(weak_from_this());
    }
    m_tableViewArray.assign(static_cast<size_t>(m_numOfPages), nullptr);
    for (int p : {0, 1, 2})
        loadScrollViewWithPage(p);
    if (m_scrollView)
        m_scrollView->setContentOffset({m_scrollView->frame().width() * 1, 0}, false);

    std::weak_ptr<BookcaseController> weak = weak_from_this();
    m_hideKeyboardObserver =
        core::NotificationCenter::defaultCenter().addObserver(shelfnote::HideKeyboard, [weak](const auto&) {
            if (auto self = weak.lock())
                self->hideKeyboard();
        });
}

void BookcaseController::loadScrollViewWithPage(int p) {
    if (p < 0 || p >= m_numOfPages || !m_scrollView)
        return;
    auto& slot = m_tableViewArray[static_cast<size_t>(p)];
    if (!slot) {
        slot = BookcaseTable::create();
        slot->setAllBooks(m_allBooks);
        slot->setIsEditing(m_isEditing);
    }
    if (slot->superview() != nullptr)
        return;
    const gfx::Rect f = m_scrollView->frame();
    slot->setFrame({p * f.width(), 0, f.width(), f.height()});
    m_scrollView->addSubview(slot);
    if (p == 0) {
        slot->setIsSearchPage(true);
    } else {
        slot->setCategoryId((*m_allCategories)[static_cast<size_t>(p)].cid);
        if (p == 1)
            slot->setIsRecentReadPage(true);
    }
    slot->archiveCategoryBooks();
    slot->setup();
}

void BookcaseController::setTitleForPage(int page) {
    if (!m_btnTitle || !m_allCategories)
        return;
    if (auto index = GridPaging::titleIndex(page, static_cast<int>(m_allCategories->size())))
        m_btnTitle->setTitle((*m_allCategories)[static_cast<size_t>(*index)].cname);
}

void BookcaseController::scrollViewDidScroll(ui::ScrollView&) {
    if (m_isRotating)
        return;
    setTitleForPage(currentPage());
}

void BookcaseController::scrollViewWillBeginDragging(ui::ScrollView&) {
    hideKeyboard();
    // The search page is empty whenever the user swipes to it.
    if (m_rzPageControl && m_rzPageControl->currentPage() == 1)
        if (BookcaseTable* search = page(0); search && search->isSearchPage())
            search->resetSearchPage();
}

void BookcaseController::scrollViewDidEndDragging(ui::ScrollView& s, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop(s);
}

void BookcaseController::whenScrollStop(ui::ScrollView&) {
    const int p = currentPage();
    if (m_rzPageControl)
        m_rzPageControl->setCurrentPage(GridPaging::clampPage(p, m_numOfPages));
    const int shown = m_rzPageControl ? static_cast<int>(m_rzPageControl->currentPage()) : p;
    setTitleForPage(shown);
    for (int q : GridPaging::pagesToLoad(p, m_numOfPages))
        loadScrollViewWithPage(q);
}

void BookcaseController::scrollToCategory(int64_t, int row) {
    const int p = GridPaging::pageForCategoryRow(row);
    loadScrollViewWithPage(p);
    if (m_rzPageControl)
        m_rzPageControl->setCurrentPage(p);
    if (m_scrollView) {
        m_scrollView->setContentOffset({p * m_scrollView->frame().width(), 0}, true);
        if (m_rzPageControl)
            m_rzPageControl->resetFrameWithWidth(m_scrollView->frame().width());
    }
}

void BookcaseController::scrollToFirstCategoryHasBooks() {
    for (int i = 1; i < static_cast<int>(m_tableViewArray.size()); ++i) {
        if (!m_tableViewArray[static_cast<size_t>(i)])
            loadScrollViewWithPage(i);
        BookcaseTable* p = page(i);
        if (p && !p->categoryBooks().empty()) {
            scrollToCategory(-1, i - 1);
            return;
        }
    }
}

void BookcaseController::setLayout() {
    if (!m_scrollView)
        return;
    const gfx::Rect f = m_scrollView->frame();
    const int current = m_rzPageControl ? static_cast<int>(m_rzPageControl->currentPage()) : currentPage();
    m_scrollView->setContentSize({f.width() * m_numOfPages, f.height()});
    for (auto& p : m_tableViewArray)
        if (p)
            p->didRotate();
    m_scrollView->setContentOffset({current * f.width(), 0}, false);
}

void BookcaseController::enterEditingState(bool editing) {
    m_isEditing = editing;
    for (auto& p : m_tableViewArray)
        if (p)
            p->handlerEditSwitcher(editing);
}

void BookcaseController::clearScroll() {
    if (m_scrollView) {
        m_scrollView->setDelegate({});
        const auto subviews = m_scrollView->subviews();
        for (const auto& v : subviews)
            v->removeFromSuperview();
    }
    m_tableViewArray.clear();
}

void BookcaseController::archiveCategoryBooksAndRefreshTable() {
    for (auto& p : m_tableViewArray) {
        if (!p)
            continue;
        p->setAllBooks(m_allBooks);
        p->archiveCategoryBooksAndRefreshTable();
    }
}

void BookcaseController::hideKeyboard() {
    for (auto& p : m_tableViewArray)
        if (p)
            p->hideKeyboard();
}

} // namespace pw

#include "shelf/ShelfPlainLayout.h"

#include "shelf/ShelfPlainView.h"

#include "platform/ui/Button.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/ScrollView.h"

namespace pw {

ShelfPlainLayout::ShelfPlainLayout(Style style, int bookcaseType) : m_style(style), m_bookcaseType(bookcaseType) {}

ShelfPlainLayout::~ShelfPlainLayout() {
    clearScroll();
}

void ShelfPlainLayout::clearScroll() {
    if (m_view)
        m_view->removeFromSuperview();
    m_view.reset();
}

void ShelfPlainLayout::setIsEditing(bool editing) {
    m_isEditing = editing;
}

void ShelfPlainLayout::setAllCategories(std::shared_ptr<std::vector<CategoryRecord>> categories) {
    m_categories = std::move(categories);
}

void ShelfPlainLayout::setAllBooks(std::shared_ptr<const std::vector<BookRecord>> books) {
    m_books = std::move(books);
}

void ShelfPlainLayout::load(const Host& host) {
    m_host = host;
    clearScroll();
    if (!m_host.scrollView)
        return;
    m_view = ui::View::create<ShelfPlainView>(gfx::Rect(0, 0, m_host.scrollView->bounds().width(), 10));
    m_host.scrollView->addSubview(m_view);
    if (m_host.pageControl)
        m_host.pageControl->setHidden(true);
    if (m_host.titleButton && m_categories && !m_categories->empty())
        m_host.titleButton->setTitle(m_categories->front().cname);
    archiveCategoryBooksAndRefreshTable();
    m_view->setEditing(m_isEditing);
}

void ShelfPlainLayout::archiveCategoryBooksAndRefreshTable() {
    if (!m_view)
        return;
    static const std::vector<CategoryRecord> noCategories;
    static const std::vector<BookRecord> noBooks;
    m_view->setContent(m_style == Style::Grid, m_categories ? *m_categories : noCategories,
                       m_books ? *m_books : noBooks, m_bookcaseType);
    setLayout();
}

void ShelfPlainLayout::enterEditingState(bool editing) {
    m_isEditing = editing;
    if (m_view)
        m_view->setEditing(editing);
}

void ShelfPlainLayout::setLayout() {
    if (!m_view || !m_host.scrollView)
        return;
    const gfx::Rect b = m_host.scrollView->bounds();
    const double h = std::max(m_view->contentHeight(), b.height());
    m_view->setFrame(gfx::Rect(0, 0, b.width(), h));
    m_host.scrollView->setContentSize({b.width(), h});
}

} // namespace pw

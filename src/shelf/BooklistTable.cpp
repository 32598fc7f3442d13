#include "shelf/BooklistTable.h"

#include "foundation/paths/AppPaths.h"
#include "foundation/util/Utils.h"
#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "shelf/BookSelection.h"
#include "shelf/BooklistCell.h"
#include "shelf/LastReadText.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

namespace {

std::optional<int64_t> idOf(const core::Value& v) {
    if (auto i = v.asInt())
        return i;
    if (auto s = v.asString()) {
        try {
            return std::stoll(*s);
        } catch (...) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The row view the content view holds beside the cell's own (unused) labels.
BooklistCell* rowViewOf(ui::TableViewCell& cell) {
    for (const auto& v : cell.contentView().subviews())
        if (auto* row = dynamic_cast<BooklistCell*>(v.get()))
            return row;
    return nullptr;
}

} // namespace

BooklistTable::BooklistTable() = default;

std::shared_ptr<BooklistTable> BooklistTable::create() {
    return std::shared_ptr<BooklistTable>(new BooklistTable());
}

void BooklistTable::setAllBooks(ShelfBooks b) {
    if (b == m_allBooks)
        return;
    m_sections.assign(m_sections.size(), BooklistSections::Section{});
    m_allBooks = std::move(b);
}

void BooklistTable::genListWithFrame(const gfx::Rect& frame, ui::View& container) {
    archiveCategoryBooks();
    const double w = frame.width(), h = frame.height();
    m_tableView = ui::TableView::create({0, 0, w, h + 12});
    m_tableView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_tableView->showsVerticalScrollIndicator = false;
    m_tableView->showsHorizontalScrollIndicator = false;
    m_tableView->setBackgroundColor(gfx::Color::clear());
    m_tableView->setOpaque(false);
    m_tableView->separatorStyle = ui::TableViewSeparatorStyle::None;
    m_tableView->rowHeight = m_rowHeight;
    m_tableView->sectionHeaderHeight = kHeaderHeight;
    auto self = shared_from_this();
    m_tableView->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_tableView->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    m_tableView->setDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    container.addSubview(m_tableView);

    m_searchView = SearchHeaderView::create({0, 0, w, 44});
    m_searchView->schBar()->setDelegate(std::static_pointer_cast<ui::SearchBarDelegate>(self));
    m_searchView->btnSyncBookcase()->setEnabled(!m_isEditing);
    std::weak_ptr<BooklistTable> weak = self;
    m_searchView->btnSyncBookcase()->addTarget(
        [weak](ui::Control&) {
            if (auto me = weak.lock())
                me->syncBookcaseOrImportLocalbook();
        },
        ui::ControlEventTouchUpInside);
    m_tableView->setTableHeaderView(m_searchView);

    gfx::Image shadow = ui::BundleImage::named("booklist_footer_shadow.png");
    auto footer = ui::View::create<ui::ImageView>(shadow);
    footer->setFrame({0, 0, w, shadow.isNull() ? 0.0 : shadow.size().height});
    footer->setAutoresizingMask(ui::FlexibleWidth);
    m_tableView->setTableFooterView(footer);

    m_tableView->reloadData();
    m_tableView->layoutIfNeeded();
    // The search bar waits hidden above the first section.
    m_tableView->setContentOffset({0, SearchHeaderView::kHeight}, false);
}

void BooklistTable::archiveCategoryBooks() {
    static const std::vector<CategoryRecord> none;
    const std::string text = m_searchView ? m_searchView->schBar()->text() : std::string();
    m_sections = BooklistSections::archive(m_allCategories ? *m_allCategories : none, m_allBooks.get(), bookcaseType,
                                           m_isSearching, text);
}

void BooklistTable::reloadAllBooks() {
    archiveCategoryBooks();
    if (m_tableView)
        SearchHeaderView::reloadKeepingHidden(*m_tableView);
}

int64_t BooklistTable::numberOfRows(ui::TableView&, int64_t section) {
    if (section < 0 || section >= static_cast<int64_t>(m_sections.size()))
        return 0;
    return static_cast<int64_t>(m_sections[static_cast<size_t>(section)].books.size());
}

const BookRecord* BooklistTable::bookAt(const ui::IndexPath& ip) const {
    if (ip.section < 0 || ip.section >= static_cast<int64_t>(m_sections.size()))
        return nullptr;
    const auto& books = m_sections[static_cast<size_t>(ip.section)].books;
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(books.size()))
        return nullptr;
    return books[static_cast<size_t>(ip.row)];
}

std::shared_ptr<ui::TableViewCell> BooklistTable::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    std::shared_ptr<ui::TableViewCell> cell = table.dequeueReusableCell(kCellIdentifier);
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kCellIdentifier);
        cell->setFrame({0, 0, table.bounds().width(), m_rowHeight});
        cell->contentView().setFrame(cell->bounds());
        cell->contentView().addSubview(BooklistCell::create(table.bounds().width(), m_rowHeight));
    }
    cell->selectionStyle = m_isEditing ? ui::TableViewCellSelectionStyle::None : ui::TableViewCellSelectionStyle::Gray;
    BooklistCell* row = rowViewOf(*cell);
    const BookRecord* book = bookAt(ip);
    if (!row || !book)
        return cell;
    row->reset();
    row->setBackgroundColor(ip.row % 2 == 1 ? gfx::Color::fromRGB255(243, 243, 245)
                                            : gfx::Color::fromRGB255(233, 234, 235));
    row->setOpaque(true);
    row->setBookId(book->bid);
    row->setRzBookId(book->rzId);
    row->setFile(book->file);
    row->setTypeImage(book->type);
    row->setCoverImagePath(getImagePathByType(book->cover, book->type).value_or(std::string()));
    row->setStatus(book->status);
    row->lblBookName()->setText(book->bname);
    row->lblAuthor()->setText(BooklistCell::authorText(book->author, book->percent));
    row->lblLstReadTime()->setText(lstReadTimeString(book->lstReadt));
    row->setTag(static_cast<int>(book->rzId));
    row->reloadImage();
    row->showNew(book->hasNewChapters());
    if (ShelfHost::shared().downloading(book->rzId))
        row->setupProgress(0.01f);
    if (m_isEditing)
        row->menuView()->setHidden(false);
    return cell;
}

std::shared_ptr<ui::View> BooklistTable::viewForHeader(ui::TableView& table, int64_t section) {
    if (!m_allCategories || section < 0 || section >= static_cast<int64_t>(m_allCategories->size()) ||
        section >= static_cast<int64_t>(m_sections.size()))
        return nullptr;
    const CategoryRecord& c = (*m_allCategories)[static_cast<size_t>(section)];
    auto header = BooklistTableSectionView::create(
        c.cname, table.bounds().width(), m_sections[static_cast<size_t>(section)].amount,
        BooklistSections::headerOpen(c, m_isSearching), static_cast<int>(section));
    header->setDelegate(this);
    return header;
}

void BooklistTable::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    hideKeyboard();
    if (!m_isEditing) {
        if (const BookRecord* b = bookAt(ip)) {
            const BookSelectionInfo info{b->rzId, b->status, b->file, b->bid};
            core::NotificationCenter::defaultCenter().post(shelfnote::BookTap, info.toValue());
        }
    }
    table.deselectRow(ip, false);
}

void BooklistTable::searchBarSearchButtonClicked(ui::SearchBar&) {
    m_isSearching = true;
    reloadAllBooks();
}

void BooklistTable::textDidChange(ui::SearchBar&, const std::string& text) {
    if (!text.empty())
        return;
    m_isSearching = false;
    reloadAllBooks();
}

void BooklistTable::sectionHeaderViewSectionOpened(BooklistTableSectionView&, int section) {
    sectionToggled(section, true);
}

void BooklistTable::sectionHeaderViewSectionClosed(BooklistTableSectionView&, int section) {
    sectionToggled(section, false);
}

void BooklistTable::sectionToggled(int section, bool open) {
    if (!m_allCategories || !BooklistSections::setSectionOpen(*m_allCategories, section, open, m_isSearching)) {
        hideKeyboard();
        return;
    }
    // The header that was tapped goes with this reload: finish its call first.
    std::weak_ptr<BooklistTable> weak = weak_from_this();
    core::RunLoop::current().post([weak] {
        if (auto self = weak.lock())
            self->reloadAllBooks();
    });
}

void BooklistTable::scrollToCategory(int64_t, int section) {
    if (!m_tableView || section < 0 || section >= static_cast<int>(m_sections.size()))
        return;
    if (!m_sections[static_cast<size_t>(section)].books.empty())
        m_tableView->scrollToRow({section, 0}, ui::TableViewScrollPosition::Top, false);
    else
        m_tableView->scrollRectToVisible(m_tableView->rectForHeaderInSection(section), false);
}

void BooklistTable::enterEditingState(bool editing) {
    m_isEditing = editing;
    if (m_searchView)
        m_searchView->btnSyncBookcase()->setEnabled(!editing);
    if (!m_tableView)
        return;
    for (ui::TableViewCell* cell : m_tableView->visibleCells()) {
        if (BooklistCell* row = rowViewOf(*cell))
            row->setEdit(editing);
        cell->selectionStyle = editing ? ui::TableViewCellSelectionStyle::None : ui::TableViewCellSelectionStyle::Gray;
    }
}

void BooklistTable::hideKeyboard() {
    if (m_searchView)
        m_searchView->schBar()->resignFirstResponder();
}

void BooklistTable::syncBookcaseOrImportLocalbook() {
    hideKeyboard();
    if (bookcaseType == 1)
        core::NotificationCenter::defaultCenter().post(shelfnote::SyncBookcase);
    else if (ShelfHost::shared().importLocalBook)
        ShelfHost::shared().importLocalBook();
}

std::string BooklistTable::lstReadTimeString(int64_t t) const {
    return LastReadText::text(t, core::Clock::shared().now(), m_format);
}

std::vector<BooklistCell*> BooklistTable::visibleRows() const {
    std::vector<BooklistCell*> rows;
    if (!m_tableView)
        return rows;
    for (ui::TableViewCell* cell : m_tableView->visibleCells())
        if (BooklistCell* row = rowViewOf(*cell))
            rows.push_back(row);
    return rows;
}

void BooklistTable::reloadBookCover(const core::Notification& n) {
    const auto id = idOf(n.payload["rzbid"]);
    if (!id)
        return;
    for (BooklistCell* row : visibleRows()) {
        if (row->tag() != static_cast<int>(*id))
            continue;
        row->setCoverImagePath(AppPaths::coverFile(*id).string());
        row->reloadImage();
        break;
    }
}

void BooklistTable::updateDownProgress(const core::Notification& n) {
    const auto id = idOf(n.payload["rzbid"]);
    const auto progress = n.payload["progress"].asDouble();
    if (!id || !progress)
        return;
    for (BooklistCell* row : visibleRows()) {
        if (row->tag() != static_cast<int>(*id))
            continue;
        row->setupProgress(static_cast<float>(*progress));
        break;
    }
}

void BooklistTable::updateMultiDownProgress(const core::Notification& n) {
    const core::Value& ids = n.payload["dictBids"];
    for (BooklistCell* row : visibleRows())
        if (ids.contains(std::to_string(row->rzBookId())))
            row->setupProgress(0.01f);
}

void BooklistTable::reloadBookCoverNewImage(const core::Notification& n) {
    const bool animate = m_tableView && !m_tableView->isDecelerating() && !m_tableView->isDragging();
    for (BooklistCell* row : visibleRows())
        if (n.payload.contains(std::to_string(row->rzBookId())))
            row->showNew(true, animate);
}

} // namespace pw

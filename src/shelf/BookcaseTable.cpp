#include "shelf/BookcaseTable.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/Utils.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "shelf/BookcaseBookUnit.h"
#include "shelf/BookcaseTableViewCell.h"
#include "shelf/BooklistSections.h"
#include "shelf/GridLayout.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

namespace {

constexpr const char* kLandscapeCell = "BookcaseTableLandscapeCell";
constexpr const char* kPortraitCell = "BookcaseTablePortraitCell";

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

} // namespace

BookcaseTable::BookcaseTable() : m_tablet(currentDeviceKind() == DeviceKind::Tablet) {}

std::shared_ptr<BookcaseTable> BookcaseTable::create() {
    return View::create<BookcaseTable>();
}

const char* BookcaseTable::guideText(int shelf, bool recentReadPage) {
    if (shelf != 1)
        return "目前还没有书籍，试试点此导入本地电子书吧。";
    return recentReadPage ? "您还没有开始阅读，试试点此同步墨川书架，或向左滑动去其他书架看看吧。"
                          : "目前还没有书籍。试试点此同步墨川书架，或到墨川书库看看吧。";
}

void BookcaseTable::setAllBooks(ShelfBooks books) {
    if (books == m_allBooks)
        return;
    m_categoryBooks.clear();
    m_searchResult.clear();
    m_allBooks = std::move(books);
}

void BookcaseTable::setup() {
    if (m_hasSetup)
        return;
    m_hasSetup = true;
    m_searchResult.clear();
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin | ui::FlexibleHeight);
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);

    m_observers.clear();
    auto& center = core::NotificationCenter::defaultCenter();
    std::weak_ptr<View> weak = weak_from_this();
    auto on = [&](const char* name, void (BookcaseTable::*fn)(const core::Notification&)) {
        m_observers.push_back(center.addObserver(name, [weak, fn](const core::Notification& n) {
            if (auto self = std::static_pointer_cast<BookcaseTable>(weak.lock()))
                ((*self).*fn)(n);
        }));
    };
    on(shelfnote::BookCoverReload, &BookcaseTable::reloadBookCover);
    for (const char* name : {shelfnote::BookAllDownBegin, shelfnote::BookAllDownProgress, shelfnote::BookAllDownSuccess,
                             shelfnote::BookAllDownFailed})
        on(name, &BookcaseTable::updateDownProgress);
    on(shelfnote::MultiBookAllDownBegin, &BookcaseTable::updateMultiDownProgress);
    on(shelfnote::BookTapWhenEditing, &BookcaseTable::bookTapWhenEditing);
    m_observers.push_back(center.addObserver(shelfnote::SelectAllBooksWhenEditing, [weak](const auto&) {
        if (auto self = std::static_pointer_cast<BookcaseTable>(weak.lock()))
            self->bookAllSelectedWhenEditing(true);
    }));
    m_observers.push_back(center.addObserver(shelfnote::CancelSelectAllBooksWhenEditing, [weak](const auto&) {
        if (auto self = std::static_pointer_cast<BookcaseTable>(weak.lock()))
            self->bookAllSelectedWhenEditing(false);
    }));
    on(shelfnote::UpdateBooksNewImage, &BookcaseTable::updateBooksNewImage);

    computeEachLineBookNumber();
    m_rowHeight = GridLayout::rowHeight(m_tablet);
    if (m_isSearchPage || !m_categoryBooks.empty())
        genTable();
    else
        genUserGuide();
}

void BookcaseTable::computeEachLineBookNumber() {
    m_lineBookNum = GridLayout::tilesPerRow(m_tablet, bounds().width(), bounds().height());
}

std::string BookcaseTable::searchText() const {
    if (m_searchView)
        return m_searchView->schBar()->text();
    return {};
}

void BookcaseTable::archiveCategoryBooks() {
    m_categoryBooks.clear();
    if (m_allBooks) {
        for (const BookRecord& b : *m_allBooks) {
            if (m_isSearchPage) {
                m_categoryBooks.push_back(&b);
            } else if (m_isRecentReadPage) {
                if (bookcaseType != 1 || b.lstReadt != -1)
                    m_categoryBooks.push_back(&b);
            } else if (b.cid == m_categoryId) {
                m_categoryBooks.push_back(&b);
            }
        }
    }
    if (m_isSearchPage || getIsSearching())
        handleSearch();
}

void BookcaseTable::archiveCategoryBooksAndRefreshTable() {
    archiveCategoryBooks();
    // A page set up empty shows the guide; once books arrive it must show them.
    if (!m_categoryBooks.empty() && m_guideView && !m_guideView->isHidden())
        genTable();
    if (m_tableView)
        SearchHeaderView::reloadKeepingHidden(*m_tableView);
}

void BookcaseTable::handleSearch() {
    m_searchResult.clear();
    const std::string text = searchText();
    if (!getIsSearching() || m_categoryBooks.empty() || text.empty())
        return;
    for (const BookRecord* b : m_categoryBooks)
        if (BooklistSections::nameMatches(b->bname, text))
            m_searchResult.push_back(b);
}

std::shared_ptr<SearchHeaderView> BookcaseTable::makeHeader(bool guide) {
    auto header = SearchHeaderView::create({0, 0, bounds().width(), 44});
    if (guide)
        header->showGuide();
    else
        header->schBar()->setDelegate(std::static_pointer_cast<BookcaseTable>(shared_from_this()));
    header->btnSyncBookcase()->setEnabled(!m_isEditing);
    std::weak_ptr<View> weak = weak_from_this();
    header->btnSyncBookcase()->addTarget(
        [weak](ui::Control&) {
            if (auto self = std::static_pointer_cast<BookcaseTable>(weak.lock()))
                self->syncBookcaseOrImportLocalbook();
        },
        ui::ControlEventTouchUpInside);
    return header;
}

void BookcaseTable::genTable() {
    if (!m_tableView) {
        m_tableView = ui::TableView::create(bounds());
        m_tableView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        auto self = std::static_pointer_cast<BookcaseTable>(shared_from_this());
        m_tableView->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
        m_tableView->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
        m_tableView->setDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
        m_tableView->setBackgroundColor(gfx::Color::clear());
        m_tableView->setOpaque(false);
        m_tableView->showsVerticalScrollIndicator = false;
        m_tableView->showsHorizontalScrollIndicator = false;
        m_tableView->separatorStyle = ui::TableViewSeparatorStyle::None;
        m_tableView->rowHeight = m_rowHeight;
        m_searchView = makeHeader(false);
        m_tableView->setTableHeaderView(m_searchView);
        addSubview(m_tableView);
        m_tableView->reloadData();
        // The search bar waits above the first row until the table is pulled down.
        if (!m_isSearchPage) {
            m_tableView->layoutIfNeeded();
            m_tableView->setContentOffset({0, SearchHeaderView::kHeight});
        }
    }
    if (m_guideView)
        m_guideView->setHidden(true);
    m_tableView->setHidden(false);
}

void BookcaseTable::genUserGuide() {
    if (m_searchView)
        m_searchView->schBar()->resignFirstResponder();
    if (!m_guideView) {
        m_guideView = View::create<View>(bounds());
        m_guideView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        m_guideView->setBackgroundColor(gfx::Color::clear());
        m_guideView->setOpaque(false);
        m_guidSearchView = makeHeader(true);
        m_guideView->addSubview(m_guidSearchView);

        const gfx::Rect gb = m_guideView->bounds();
        m_guideLabel = View::create<ui::Label>(gfx::Rect(10, gb.height() / 2 - 30, gb.width() - 20, 60));
        m_guideLabel->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
        m_guideLabel->setNumberOfLines(0);
        m_guideLabel->setBackgroundColor(gfx::Color::clear());
        m_guideLabel->setOpaque(false);
        m_guideLabel->setTextColor(gfx::Color::white());
        m_guideLabel->setShadowColor(gfx::Color::fromWhite(0.2, 0.9));
        m_guideLabel->setShadowOffset({0, 1});
        m_guideLabel->setTextAlignment(gfx::TextAlignment::Center);
        m_guideLabel->setText(guideText(bookcaseType, m_isRecentReadPage));
        m_guideLabel->setUserInteractionEnabled(true);
        std::weak_ptr<View> weak = weak_from_this();
        m_guideLabel->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer&) {
            if (auto self = std::static_pointer_cast<BookcaseTable>(weak.lock()))
                self->handleLabelTap();
        }));
        m_guideView->addSubview(m_guideLabel);
        addSubview(m_guideView);
    }
    m_guideView->setHidden(false);
    if (m_tableView)
        m_tableView->setHidden(true);
}

void BookcaseTable::handleLabelTap() {
    if (!m_isEditing)
        syncBookcaseOrImportLocalbook();
}

void BookcaseTable::syncBookcaseOrImportLocalbook() {
    hideKeyboard();
    if (bookcaseType == 1)
        core::NotificationCenter::defaultCenter().post(shelfnote::SyncBookcase);
    else if (ShelfHost::shared().importLocalBook)
        ShelfHost::shared().importLocalBook();
}

void BookcaseTable::hideKeyboard() {
    if (m_searchView)
        m_searchView->schBar()->resignFirstResponder();
}

void BookcaseTable::resetSearchPage() {
    if (m_searchView)
        m_searchView->schBar()->setText("");
    m_searchResult.clear();
    if (m_tableView)
        m_tableView->reloadData();
}

void BookcaseTable::didRotate() {
    if (m_tableView)
        SearchHeaderView::reloadKeepingHidden(*m_tableView);
}

void BookcaseTable::textDidChange(ui::SearchBar&, const std::string& text) {
    if (!text.empty())
        return;
    m_isSearching = false;
    handleSearch();
    if (m_tableView)
        m_tableView->reloadData();
}

void BookcaseTable::searchBarSearchButtonClicked(ui::SearchBar&) {
    m_isSearching = true;
    handleSearch();
    if (m_tableView)
        m_tableView->reloadData();
}

int64_t BookcaseTable::numberOfRows(ui::TableView&, int64_t) {
    if (!m_allBooks)
        return 0;
    computeEachLineBookNumber();
    const size_t n = getIsSearching() ? m_searchResult.size() : m_categoryBooks.size();
    return GridLayout::rowCount(static_cast<int>(n), m_lineBookNum);
}

std::shared_ptr<ui::TableViewCell> BookcaseTable::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    computeEachLineBookNumber();
    const bool landscape = bounds().width() > bounds().height();
    const char* identifier = landscape ? kLandscapeCell : kPortraitCell;
    auto cell = std::static_pointer_cast<BookcaseTableViewCell>(table.dequeueReusableCell(identifier));
    // A cell made for the other orientation's slot count is never reused here.
    if (cell && static_cast<int>(cell->unitArray().size()) != m_lineBookNum)
        cell.reset();
    if (!cell) {
        cell = BookcaseTableViewCell::create(m_rowHeight, m_lineBookNum, identifier);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
    }
    const auto& books = getIsSearching() ? m_searchResult : m_categoryBooks;
    const GridLayout::RowRange range =
        GridLayout::rowRange(static_cast<int>(ip.row), m_lineBookNum, static_cast<int>(books.size()));
    for (int k = range.first; k < range.end; ++k) {
        BookcaseBookUnit& tile = *cell->unitArray()[static_cast<size_t>(k % m_lineBookNum)];
        tile.setHidden(false);
        fillTile(tile, *books[static_cast<size_t>(k)]);
    }
    return cell;
}

void BookcaseTable::fillTile(BookcaseBookUnit& tile, const BookRecord& book) {
    tile.setBookId(book.bid);
    tile.setRzBookId(book.rzId);
    tile.setStatus(book.status);
    tile.setTag(static_cast<int>(book.rzId));
    tile.setFile(book.file);
    tile.setCoverImagePath(getImagePathByType(book.cover, book.type).value_or(std::string()));
    tile.lblType()->setText(book.type);
    tile.lblBookName()->setText(book.bname);
    tile.setIsEdit(m_isEditing);
    if (m_isEditing) {
        tile.setSelected(ShelfHost::shared().chosen(book.bid));
        tile.showChooseImage();
    }
    tile.reloadImage();
    tile.showNew(book.hasNewChapters());
    if (ShelfHost::shared().downloading(book.rzId))
        tile.setupProgress(0.01f);
}

std::vector<BookcaseBookUnit*> BookcaseTable::visibleTiles() const {
    std::vector<BookcaseBookUnit*> tiles;
    if (!m_tableView || m_tableView->isHidden())
        return tiles;
    for (ui::TableViewCell* c : m_tableView->visibleCells())
        if (auto* cell = dynamic_cast<BookcaseTableViewCell*>(c))
            for (const auto& unit : cell->unitArray())
                if (!unit->isHidden())
                    tiles.push_back(unit.get());
    return tiles;
}

void BookcaseTable::handlerEditSwitcher(bool editing) {
    m_isEditing = editing;
    for (SearchHeaderView* header : {m_searchView.get(), m_guidSearchView.get()})
        if (header)
            header->btnSyncBookcase()->setEnabled(!editing);
    for (BookcaseBookUnit* tile : visibleTiles()) {
        if (editing) {
            tile->setSelected(false);
            tile->showChooseImage();
            tile->setIsEdit(true);
        } else {
            tile->hideChooseImage();
            tile->setIsEdit(false);
        }
    }
}

void BookcaseTable::reloadBookCover(const core::Notification& n) {
    const auto id = idOf(n.payload["rzbid"]);
    if (!id)
        return;
    for (BookcaseBookUnit* tile : visibleTiles()) {
        if (tile->rzBookId() != *id)
            continue;
        tile->setCoverImagePath(AppPaths::coverFile(*id).string());
        tile->reloadImage();
        if (m_isEditing)
            tile->showChooseImage();
        break;
    }
}

void BookcaseTable::updateDownProgress(const core::Notification& n) {
    const auto id = idOf(n.payload["rzbid"]);
    const auto progress = n.payload["progress"].asDouble();
    if (!id || !progress)
        return;
    for (BookcaseBookUnit* tile : visibleTiles()) {
        if (tile->rzBookId() != *id)
            continue;
        tile->setupProgress(static_cast<float>(*progress));
        if (m_isEditing)
            tile->showChooseImage();
        break;
    }
}

void BookcaseTable::updateMultiDownProgress(const core::Notification& n) {
    const core::Value& ids = n.payload["dictBids"];
    for (BookcaseBookUnit* tile : visibleTiles()) {
        if (!ids.contains(std::to_string(tile->rzBookId())))
            continue;
        tile->setupProgress(0.01f);
        if (m_isEditing)
            tile->showChooseImage();
    }
}

void BookcaseTable::bookTapWhenEditing(const core::Notification& n) {
    if (!m_isEditing)
        return;
    const auto bid = idOf(n.payload["bid"]);
    if (!bid)
        return;
    for (BookcaseBookUnit* tile : visibleTiles()) {
        if (tile->bookId() != *bid)
            continue;
        // The main screen, registered first, has toggled its selection already;
        // without one the tile keeps the state its own tap gave it.
        if (ShelfHost::shared().isBookChosen)
            tile->setSelected(ShelfHost::shared().chosen(*bid));
        tile->showChooseImage();
    }
}

void BookcaseTable::bookAllSelectedWhenEditing(bool selected) {
    if (!m_isEditing)
        return;
    for (BookcaseBookUnit* tile : visibleTiles()) {
        tile->setSelected(selected);
        tile->showChooseImage();
    }
}

void BookcaseTable::updateBooksNewImage(const core::Notification& n) {
    const bool animate = m_tableView && !m_tableView->isDragging() && !m_tableView->isDecelerating();
    for (BookcaseBookUnit* tile : visibleTiles())
        if (n.payload.contains(std::to_string(tile->rzBookId())))
            tile->showNew(true, animate);
}

} // namespace pw

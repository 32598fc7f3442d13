#include "reader/ChptsBookmarksViewController.h"

#include "foundation/db/BookmarkTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/RZNavigationController.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/device/Device.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "reader/ChapterTableCell.h"
#include "reader/ListScreenTransition.h"
#include "reading/txt/TxtChapterParser.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace pw {

namespace {
constexpr const char* kLoadingCellId = "CellIdentifier1";
constexpr const char* kCellId = "CellIdentifier";
constexpr int kChapterCellTag = 7311;
constexpr const char* kLoadingText = "章节加载中...";
constexpr double kJumpRows = 200;

std::vector<TxtChapterEntry> entriesOf(const core::Value& list) {
    std::vector<TxtChapterEntry> out;
    const auto* items = list.asArray();
    if (!items)
        return out;
    for (const auto& item : *items) {
        const auto* fields = item.asArray();
        if (!fields || fields->size() != 3)
            continue;
        out.push_back(
            {(*fields)[0].asString().value_or(""), (*fields)[1].asInt().value_or(0), (*fields)[2].asInt().value_or(0)});
    }
    return out;
}

std::string format(const char* pattern, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, value);
    return buf;
}
} // namespace

ChptsBookmarksViewController::~ChptsBookmarksViewController() {
    m_scrollbarFade.cancel();
}

std::shared_ptr<ChptsBookmarksViewController> ChptsBookmarksViewController::self() {
    return std::static_pointer_cast<ChptsBookmarksViewController>(shared_from_this());
}

void ChptsBookmarksViewController::viewDidLoad() {
    auto v = view();
    v->setBackgroundColor(gfx::Color::white());
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, false);
    m_formatter = std::make_unique<core::DateFormatter>("yyyy-MM-dd aaah:mm:ss");
    m_formatter->setAmPmSymbols("上午", "下午");
    const gfx::Rect b = v->bounds();
    auto me = self();
    std::weak_ptr<ChptsBookmarksViewController> weak = me;

    m_table = ui::TableView::create({0, 0, b.width(), b.height() - ui::TabBar::kHeight}, ui::TableViewStyle::Plain);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->showsVerticalScrollIndicator = false;
    m_table->showsHorizontalScrollIndicator = false;
    m_table->setBackgroundColor(gfx::Color::fromRGB255(237, 236, 234));
    m_table->separatorStyle = ui::TableViewSeparatorStyle::SingleLine;
    m_table->rowHeight = 60;
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
    v->addSubview(m_table);

    m_tabBar = ui::TabBar::create({0, m_table->frame().maxY(), b.width(), ui::TabBar::kHeight});
    m_tabBar->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    m_tabBar->setItems({{"目录", ui::BundleImage::named("category.png"), kContentsTag},
                        {"书签", ui::BundleImage::named("bookmark.png"), kBookmarksTag}});
    m_tabBar->setSelectedIndex(0);
    m_tabBar->didSelectItem = [weak](ui::TabBar&, const ui::TabBarButtonItem& item) {
        if (auto s = weak.lock())
            s->tabBarDidSelectItem(item.tag);
    };
    v->addSubview(m_tabBar);

    m_scrollbar = ui::View::create<ui::ImageView>(ui::BundleImage::named("scrollbar.png"));
    m_scrollbar->setFrame({b.width() - 52, (b.height() - 100) / 2, 50, 100});
    if (m_scrollbar->image().isNull())
        m_scrollbar->setBackgroundColor(gfx::Color::gray());
    m_scrollbar->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
    m_scrollbar->setAlpha(0.3);
    m_scrollbar->setUserInteractionEnabled(true);
    m_scrollbar->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        if (auto s = weak.lock())
            s->scrollbarTap(g.locationInView(s->m_scrollbar.get()).y);
    }));
    v->addSubview(m_scrollbar);

    m_lblStatus = ui::View::create<ui::Label>(gfx::Rect(10, 18, 200, 20));
    m_lblStatus->setText(kLoadingText);
    m_lblStatus->setFont(gfx::Font::systemFont(14));
    m_lblStatus->setTextColor(gfx::Color::gray());
    m_lblStatus->setBackgroundColor(gfx::Color::clear());

    m_pProgressHUD = ProgressHUD::initWithView(v.get());
    v->addSubview(m_pProgressHUD);

    auto& center = core::NotificationCenter::defaultCenter();
    m_parsingToken = center.addObserver(TxtChapterParser::kParsingNotification, [weak](const core::Notification& n) {
        if (auto s = weak.lock())
            s->parsingTxtChapters(n);
    });
    m_doneToken = center.addObserver(TxtChapterParser::kDoneNotification, [weak](const core::Notification& n) {
        if (auto s = weak.lock())
            s->parsingTxtChaptersDone(n);
    });
    loadChapters();
}

void ChptsBookmarksViewController::parsingTxtChapters(const core::Notification& note) {
    const double percent = note.payload[TxtChapterParser::kProcessKey].asDouble().value_or(0);
    updateStatus(format("正在解析章节 %.0f %%", percent));
}

void ChptsBookmarksViewController::updateStatus(const std::string& text) {
    if (m_lblStatus)
        m_lblStatus->setText(text);
}

void ChptsBookmarksViewController::parsingTxtChaptersDone(const core::Notification& note) {
    if (bookFormat != 3 || m_model.showType() != ChptsBookmarksModel::Contents || m_model.hasContents())
        return;
    // The index beside this book is this book's list whoever posted; the
    // payload serves when the index could not be written.
    auto entries = TxtChapterParser::readIndex(filePath + ".index");
    m_model.updateTxtContents(entries ? std::move(*entries) : entriesOf(note.payload[TxtChapterParser::kChaptersKey]));
    updateTable();
}

void ChptsBookmarksViewController::viewDidUnload() {
    closed();
    m_parsingToken.reset();
    m_doneToken.reset();
    m_table.reset();
    m_tabBar.reset();
    m_scrollbar.reset();
    m_lblStatus.reset();
    m_pProgressHUD.reset();
    m_formatter.reset();
    m_model = ChptsBookmarksModel();
}

void ChptsBookmarksViewController::closed() {
    ++m_generation;
    m_scrollbarFade.cancel();
}

// ----- contents -----

void ChptsBookmarksViewController::loadChapters() {
    const uint64_t generation = ++m_generation;
    if (bookFormat == 3) {
        loadTxtChapters();
        return;
    }
    if (bookFormat != 2) {
        // Nothing would ever fill the contents: say so rather than load for ever.
        m_model.failContents("章节读取失败");
        updateTable();
        return;
    }
    std::weak_ptr<ChptsBookmarksViewController> weak = self();
    core::Thread::detach(
        [weak, generation, path = filePath, mark = chapterId] { loadUmdChapters(weak, path, mark, generation); },
        "umd contents");
}

void ChptsBookmarksViewController::loadUmdChapters(std::weak_ptr<ChptsBookmarksViewController> screen, std::string path,
                                                   int64_t chapterId, uint64_t generation) {
    UmdContents contents = ChptsBookmarksModel::readUmdContents(path, chapterId);
    core::RunLoop::runOnMain(
        [screen = std::move(screen), generation, contents = std::move(contents)]() mutable {
            auto s = screen.lock();
            if (!s || generation != s->m_generation)
                return;
            s->m_model.updateUmdContents(std::move(contents));
            s->updateTable();
        },
        false);
}

void ChptsBookmarksViewController::loadTxtChapters() {
    if (m_lblStatus)
        m_lblStatus->setText(kLoadingText);
    const std::string index = filePath + ".index";
    std::error_code ec;
    if (std::filesystem::exists(index, ec)) {
        if (auto entries = TxtChapterParser::readIndex(index)) {
            m_model.updateTxtContents(std::move(*entries));
            updateTable();
            return;
        }
        // A damaged index would stop the parser for good; it is only a cache.
        std::filesystem::remove(index, ec);
    }
    TxtChapterParser::enqueue(filePath, fileTotalLength);
}

std::string ChptsBookmarksViewController::statusText() const {
    if (m_model.error())
        return *m_model.error();
    if (bookFormat == 3 && m_lblStatus)
        return m_lblStatus->text();
    return kLoadingText;
}

void ChptsBookmarksViewController::updateTable() {
    if (!m_table)
        return;
    if (m_model.error() && m_lblStatus)
        m_lblStatus->setText(*m_model.error());
    switchStyle();
    m_table->reloadData();
    const int mark = m_model.scrollToIndex();
    if (m_model.showType() == ChptsBookmarksModel::Contents && mark >= 0 &&
        static_cast<size_t>(mark) < m_model.rowCount())
        m_table->selectRow(ui::IndexPath{0, mark}, false, ui::TableViewScrollPosition::Middle);
}

void ChptsBookmarksViewController::switchStyle() {
    const bool rows =
        (m_model.showType() == ChptsBookmarksModel::Bookmarks || m_model.hasContents()) && m_model.rowCount() > 0;
    if (rows) {
        m_table->separatorStyle = ui::TableViewSeparatorStyle::None;
        auto footer = ui::View::create<ui::ImageView>(ui::BundleImage::named("TbCell_SepLine.png"));
        footer->setFrame(
            {0, 0, m_table->bounds().width(), footer->image().isNull() ? 1 : footer->image().size().height});
        footer->setAutoresizingMask(ui::FlexibleWidth);
        m_table->setTableFooterView(footer);
    } else {
        m_table->separatorStyle = ui::TableViewSeparatorStyle::SingleLine;
        m_table->setTableFooterView(nullptr);
    }
}

// ----- tabs and editing -----

void ChptsBookmarksViewController::tabBarDidSelectItem(int tag) {
    if (!m_table)
        return;
    m_table->setEditing(false, false);
    if (tag == kContentsTag) {
        m_scrollbar->setHidden(false);
        navigationItem().rightBarButtonItem.reset();
        refreshBar();
        m_model.showContents();
        switchStyle();
        m_table->reloadData();
        loadChapters();
    } else if (tag == kBookmarksTag) {
        ++m_generation;
        m_scrollbar->setHidden(true);
        std::weak_ptr<ChptsBookmarksViewController> weak = self();
        navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
            "编辑",
            [weak] {
                if (auto s = weak.lock())
                    s->rightItemBtnClick();
            },
            ui::BarButtonItemStyle::Plain);
        refreshBar();
        std::vector<BookmarkRow> rows;
        if (auto records = BookmarkTB::getAllBookmarkByBookId(bookId))
            for (const auto& r : *records)
                rows.push_back({r["id"].asInt().value_or(0), r["bid"].asInt().value_or(0), r["pos"].asInt().value_or(0),
                                r["pos2"].asInt().value_or(0), r["desc"].asString().value_or(""),
                                r["percent"].asDouble().value_or(0), r["t"].asInt().value_or(0)});
        m_model.showBookmarks(std::move(rows));
        switchStyle();
        m_table->reloadData();
    }
}

void ChptsBookmarksViewController::setEditTitle(const std::string& title) {
    if (auto& item = navigationItem().rightBarButtonItem)
        item->title = title;
    refreshBar();
}

void ChptsBookmarksViewController::refreshBar() {
    // The bar draws the items as they were when it last looked.
    if (auto* nav = navigationController(); nav && nav->isViewLoaded())
        nav->navigationBar().refresh();
}

void ChptsBookmarksViewController::rightItemBtnClick() {
    if (!m_table)
        return;
    const bool editing = !m_table->isEditing();
    m_table->setEditing(editing, true);
    setEditTitle(editing ? "完成" : "编辑");
}

void ChptsBookmarksViewController::willBeginEditingRow(ui::TableView&, const ui::IndexPath&) {
    setEditTitle("完成");
}

void ChptsBookmarksViewController::didEndEditingRow(ui::TableView&, const ui::IndexPath&) {
    setEditTitle("编辑");
}

bool ChptsBookmarksViewController::canEditRow(ui::TableView&, const ui::IndexPath&) {
    return m_model.showType() == ChptsBookmarksModel::Bookmarks;
}

ui::TableViewCellEditingStyle ChptsBookmarksViewController::editingStyleForRow(ui::TableView&, const ui::IndexPath&) {
    return m_model.showType() == ChptsBookmarksModel::Bookmarks ? ui::TableViewCellEditingStyle::Delete
                                                                : ui::TableViewCellEditingStyle::None;
}

void ChptsBookmarksViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                                      const ui::IndexPath& ip) {
    if (style != ui::TableViewCellEditingStyle::Delete || ip.row < 0)
        return;
    // The row goes only with the stored bookmark; a failed delete keeps both.
    if (!m_model.deleteBookmark(static_cast<size_t>(ip.row), BookmarkTB::deleteBookmark)) {
        m_lastTip = "删除书签失败";
        if (m_pProgressHUD)
            m_pProgressHUD->showTipsWithoutLoadingHideDelay(m_lastTip, 2);
        return;
    }
    table.beginUpdates();
    table.deleteRows({ip}, true);
    table.endUpdates();
}

// ----- rows -----

int64_t ChptsBookmarksViewController::numberOfRows(ui::TableView&, int64_t) {
    if (m_model.showType() == ChptsBookmarksModel::Contents && !m_model.hasContents())
        return device::Device::current().idiom() == device::Idiom::Pad ? 16 : 9;
    return static_cast<int64_t>(m_model.rowCount());
}

std::shared_ptr<ui::TableViewCell> ChptsBookmarksViewController::cellForRow(ui::TableView& table,
                                                                            const ui::IndexPath& ip) {
    const bool placeholder = m_model.showType() == ChptsBookmarksModel::Contents && !m_model.hasContents();
    if (placeholder && ip.row == 0) {
        auto cell = table.dequeueReusableCell(kLoadingCellId);
        if (!cell) {
            cell = ui::TableViewCell::create(ui::TableViewCellStyle::Subtitle, kLoadingCellId);
            cell->detailTextLabel().setTextAlignment(gfx::TextAlignment::Center);
            cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
        }
        if (bookFormat == 3 && m_lblStatus) {
            m_lblStatus->removeFromSuperview();
            cell->contentView().addSubview(m_lblStatus);
        } else {
            cell->detailTextLabel().setText(statusText());
        }
        return cell;
    }
    auto cell = table.dequeueReusableCell(kCellId);
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kCellId);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Gray;
        auto content = ChapterTableCell::create(cell->contentView().bounds());
        content->setTag(kChapterCellTag);
        cell->contentView().addSubview(content);
    }
    auto* content = dynamic_cast<ChapterTableCell*>(cell->contentView().viewWithTag(kChapterCellTag));
    if (!content)
        return cell;
    // A waiting row is reset like the others: it shows nothing of its last use.
    content->reset();
    if (placeholder || ip.row < 0)
        return cell;
    const auto row = static_cast<size_t>(ip.row);
    if (const BookmarkRow* mark = m_model.bookmarkAt(row)) {
        content->lblChapterName().setText(mark->desc);
        content->lblIsDown().setText(format("进度：%.1f%%", mark->percent));
        if (m_formatter)
            content->lblUpdateTime().setText("创建时间：" + m_formatter->format(static_cast<double>(mark->t)));
    } else {
        content->lblChapterName().setText(m_model.rowTitle(row));
    }
    return cell;
}

void ChptsBookmarksViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (m_closed || !m_model.canSelectItem() || ip.row < 0)
        return;
    const auto pick = m_model.pick(static_cast<size_t>(ip.row));
    if (!pick)
        return;
    auto keep = self();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    closed();
    m_closed = true;
    auto d = didSelectDelegate.lock();
    if (!d)
        return;
    if (pick->bookmark)
        d->bookmarkDidSelectedWithBookId(pick->bookmark->bid, pick->bookmark->pos, pick->bookmark->pos2);
    else if (pick->txtEntry)
        d->chapterDidSelected(*pick->txtEntry);
    else if (pick->umdOffset)
        d->chapterDidSelected(*pick->umdOffset);
}

// ----- navigation -----

void ChptsBookmarksViewController::viewWillAppear(bool) {
    m_closed = false;
    if (auto* rz = dynamic_cast<RZNavigationController*>(navigationController()))
        rz->setRzDelegate(std::static_pointer_cast<RZNavigationControllerDelegate>(self()));
}

void ChptsBookmarksViewController::viewWillDisappear(bool) {
    auto* nav = navigationController();
    if (auto* rz = dynamic_cast<RZNavigationController*>(nav))
        if (rz->rzDelegate().get() == static_cast<RZNavigationControllerDelegate*>(this))
            rz->setRzDelegate({});
    const bool stillStacked = nav && std::any_of(nav->viewControllers().begin(), nav->viewControllers().end(),
                                                 [this](const auto& vc) { return vc.get() == this; });
    if (!stillStacked) {
        closed();
        m_closed = true;
    }
}

void ChptsBookmarksViewController::customViewControllerAnimated() {
    pushListScreenTransition(*this, "contents");
}

bool ChptsBookmarksViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

// ----- page jump -----

void ChptsBookmarksViewController::scrollbarTap(double y) {
    if (!m_table || !m_scrollbar)
        return;
    m_scrollbarFade.cancel();
    m_scrollbar->setAlpha(0.9);
    const double o = m_table->contentOffset().y;
    const double d = kJumpRows * m_table->rowHeight;
    if (y <= m_scrollbar->bounds().height() / 2) {
        m_table->setContentOffset({m_table->contentOffset().x, std::max(o - d, 0.0)}, true);
    } else {
        const double target = std::min(o + d, m_table->contentSize().height - m_table->bounds().height());
        if (target > 0)
            m_table->setContentOffset({m_table->contentOffset().x, target}, true);
    }
    std::weak_ptr<ChptsBookmarksViewController> weak = self();
    m_scrollbarFade = core::RunLoop::current().postAfter(1.0, [weak] {
        if (auto s = weak.lock())
            s->scrollbarTapEnd();
    });
}

void ChptsBookmarksViewController::scrollbarTapEnd() {
    if (!m_scrollbar)
        return;
    auto handle = m_scrollbar;
    ui::View::animate(0.2, [handle] { handle->setAlpha(0.3); });
}

} // namespace pw

#include "platform/ui/TableView.h"

#include "platform/ui/Animation.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

TableView::TableView(const gfx::Rect& frame, TableViewStyle style) : ScrollView(frame), m_style(style) {
    alwaysBounceVertical = true;
    if (style == TableViewStyle::Grouped) {
        setBackgroundColor(gfx::Color::fromRGB255(197, 204, 212));
        sectionHeaderHeight = 10;
        sectionFooterHeight = 10;
    } else {
        setBackgroundColor(gfx::Color::white());
    }
}

void TableView::didCreate() {
    ScrollView::didCreate();
    m_swipe = SwipeGestureRecognizer::create();
    m_swipe->direction = SwipeLeft | SwipeRight;
    std::weak_ptr<View> weak = weak_from_this();
    m_swipe->addTarget([this, weak](GestureRecognizer& g) {
        if (auto keep = weak.lock())
            handleSwipe(g);
    });
    addGestureRecognizer(m_swipe);
}

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> ds) {
    m_dataSource = std::move(ds);
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::setTableDelegate(std::weak_ptr<TableViewDelegate> d) {
    m_tableDelegate = d;
    setDelegate(std::weak_ptr<ScrollViewDelegate>(d.lock()));
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::setTableHeaderView(std::shared_ptr<View> v) {
    if (m_tableHeader)
        m_tableHeader->removeFromSuperview();
    m_tableHeader = std::move(v);
    if (m_tableHeader)
        addSubview(m_tableHeader);
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> v) {
    if (m_tableFooter)
        m_tableFooter->removeFromSuperview();
    m_tableFooter = std::move(v);
    if (m_tableFooter)
        addSubview(m_tableFooter);
    m_geometryValid = false;
    setNeedsLayout();
}

int64_t TableView::numberOfSections() const {
    auto ds = m_dataSource.lock();
    return ds ? std::max<int64_t>(0, ds->numberOfSections(const_cast<TableView&>(*this))) : 0;
}

int64_t TableView::numberOfRows(int64_t section) const {
    auto ds = m_dataSource.lock();
    if (!ds || section < 0 || section >= numberOfSections())
        return 0;
    return std::max<int64_t>(0, ds->numberOfRows(const_cast<TableView&>(*this), section));
}

std::shared_ptr<Label> TableView::makeHeaderLabel(const std::string& title) const {
    auto label = View::create<Label>();
    label->setText(title);
    label->setFont(gfx::Font::boldSystemFont(m_style == TableViewStyle::Grouped ? 17 : 18));
    label->setNumberOfLines(0);
    label->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    if (m_style == TableViewStyle::Plain) {
        label->setTextColor(gfx::Color::white());
        label->setBackgroundColor(gfx::Color::fromRGB255(144, 159, 170, 0.9));
    } else {
        label->setTextColor(gfx::Color::fromRGB255(76, 86, 108));
    }
    return label;
}

double TableView::titleExtraLinesHeight(const std::string& title) const {
    // Grouped headers stand 20 in from each side.
    const double width = std::max(1.0, bounds().width() - (m_style == TableViewStyle::Grouped ? 40 : 0));
    auto label = makeHeaderLabel(title);
    const double wrapped = label->sizeThatFits({width, 10000}).height;
    label->setNumberOfLines(1);
    const double oneLine = label->sizeThatFits({width, 10000}).height;
    return std::max(0.0, std::ceil(wrapped - oneLine));
}

void TableView::computeGeometry() {
    m_sections.clear();
    m_geometryWidth = bounds().width();
    auto ds = m_dataSource.lock();
    auto d = m_tableDelegate.lock();
    double y = m_tableHeader ? m_tableHeader->frame().height() : 0;
    const int64_t n = numberOfSections();
    for (int64_t s = 0; s < n; ++s) {
        Section sec;
        sec.top = y;
        sec.headerTitle = ds ? ds->titleForHeader(*this, s) : std::string();
        double hh = d ? d->heightForHeader(*this, s) : -1;
        if (hh < 0) {
            const bool hasHeader = !sec.headerTitle.empty() || (d && d->viewForHeader(*this, s));
            hh = m_style == TableViewStyle::Grouped ? (sec.headerTitle.empty() ? sectionHeaderHeight : 36)
                                                    : (hasHeader ? sectionHeaderHeight : 0);
            // A title longer than a line takes as many lines as it needs.
            if (!sec.headerTitle.empty() && !(d && d->viewForHeader(*this, s)))
                hh += titleExtraLinesHeight(sec.headerTitle);
        }
        sec.headerHeight = hh;
        y += hh;
        const int64_t rows = numberOfRows(s);
        for (int64_t r = 0; r < rows; ++r) {
            double h = d ? d->heightForRow(*this, {s, r}) : -1;
            if (h < 0)
                h = rowHeight;
            sec.rowTops.push_back(y);
            sec.rowHeights.push_back(h);
            y += h;
        }
        double fh = d ? d->heightForFooter(*this, s) : -1;
        if (fh < 0)
            fh = m_style == TableViewStyle::Grouped ? sectionFooterHeight : 0;
        sec.footerHeight = fh;
        y += fh;
        sec.bottom = y;
        m_sections.push_back(std::move(sec));
    }
    if (m_tableFooter) {
        View::performWithoutAnimation([&] {
            m_tableFooter->setFrame({0, y, bounds().width(), m_tableFooter->frame().height()});
        });
        y += m_tableFooter->frame().height();
    }
    if (m_tableHeader)
        View::performWithoutAnimation([&] {
            m_tableHeader->setFrame({0, 0, bounds().width(), m_tableHeader->frame().height()});
        });
    m_geometryValid = true;
    setContentSize({bounds().width(), y});
}

gfx::Rect TableView::rectForRow(const IndexPath& ip) const {
    if (!m_geometryValid)
        const_cast<TableView*>(this)->computeGeometry();
    if (ip.section < 0 || ip.section >= static_cast<int64_t>(m_sections.size()))
        return {};
    const auto& s = m_sections[static_cast<size_t>(ip.section)];
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(s.rowTops.size()))
        return {};
    const double inset = m_style == TableViewStyle::Grouped ? 10 : 0;
    return {inset, s.rowTops[static_cast<size_t>(ip.row)], bounds().width() - 2 * inset,
            s.rowHeights[static_cast<size_t>(ip.row)]};
}

gfx::Rect TableView::rectForHeaderInSection(int64_t section) const {
    if (!m_geometryValid)
        const_cast<TableView*>(this)->computeGeometry();
    if (section < 0 || section >= static_cast<int64_t>(m_sections.size()))
        return {};
    const auto& s = m_sections[static_cast<size_t>(section)];
    return {0, s.top, bounds().width(), s.headerHeight};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(gfx::Point p) const {
    if (!m_geometryValid)
        const_cast<TableView*>(this)->computeGeometry();
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const auto& sec = m_sections[s];
        if (p.y < sec.top || p.y >= sec.bottom)
            continue;
        auto it = std::upper_bound(sec.rowTops.begin(), sec.rowTops.end(), p.y);
        if (it == sec.rowTops.begin())
            return std::nullopt;
        const size_t r = static_cast<size_t>(it - sec.rowTops.begin()) - 1;
        if (p.y < sec.rowTops[r] + sec.rowHeights[r])
            return IndexPath{static_cast<int64_t>(s), static_cast<int64_t>(r)};
        return std::nullopt;
    }
    return std::nullopt;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> out;
    for (const auto& [ip, cell] : m_visible)
        out.push_back(ip);
    return out;
}

std::vector<TableViewCell*> TableView::visibleCells() const {
    std::vector<TableViewCell*> out;
    for (const auto& [ip, cell] : m_visible)
        out.push_back(cell.get());
    return out;
}

TableViewCell* TableView::cellForRow(const IndexPath& ip) const {
    auto it = m_visible.find(ip);
    return it == m_visible.end() ? nullptr : it->second.get();
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (const auto& [ip, c] : m_visible)
        if (c.get() == cell)
            return ip;
    return std::nullopt;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
    auto it = m_reuse.find(identifier);
    if (it == m_reuse.end() || it->second.empty())
        return nullptr;
    auto cell = it->second.back();
    it->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

size_t TableView::reuseQueueSize(const std::string& identifier) const {
    auto it = m_reuse.find(identifier);
    return it == m_reuse.end() ? 0 : it->second.size();
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
    cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty())
        m_reuse[cell->reuseIdentifier()].push_back(cell);
}

void TableView::reloadData() {
    for (auto& [ip, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    for (auto& [s, h] : m_headers)
        h->removeFromSuperview();
    m_headers.clear();
    m_swiped.reset();
    m_geometryValid = false;
    computeGeometry();
    if (m_selected &&
        (m_selected->section >= numberOfSections() || m_selected->row >= numberOfRows(m_selected->section)))
        m_selected.reset();
    // Keep the offset inside the new content.
    const gfx::Point o = contentOffset();
    const gfx::Point hi = maximumOffset();
    if (o.y > hi.y && !isDragging())
        setContentOffset({o.x, std::max(minimumOffset().y, hi.y)});
    layoutCells();
}

void TableView::fadeChange() {
    layer()->addAnimation(std::make_shared<Transition>(TransitionType::Fade), "rows");
}

void TableView::reloadRows(const std::vector<IndexPath>& rows, bool animated) {
    if (animated)
        fadeChange();
    for (const auto& ip : rows) {
        auto it = m_visible.find(ip);
        if (it == m_visible.end())
            continue;
        enqueue(it->second);
        m_visible.erase(it);
    }
    if (m_updates == 0) {
        m_geometryValid = false;
        computeGeometry();
        layoutCells();
    }
}

void TableView::insertRows(const std::vector<IndexPath>&, bool animated) {
    if (animated)
        fadeChange();
    if (m_updates == 0)
        reloadData();
}

void TableView::deleteRows(const std::vector<IndexPath>& rows, bool animated) {
    if (animated)
        fadeChange();
    if (m_selected && std::find(rows.begin(), rows.end(), *m_selected) != rows.end())
        m_selected.reset();
    if (m_updates == 0)
        reloadData();
}

void TableView::beginUpdates() {
    ++m_updates;
}

void TableView::endUpdates() {
    if (m_updates > 0 && --m_updates == 0)
        reloadData();
}

void TableView::configureCell(TableViewCell& cell, const IndexPath& ip) {
    auto d = m_tableDelegate.lock();
    auto ds = m_dataSource.lock();
    cell.separatorColor = separatorStyle == TableViewSeparatorStyle::SingleLine
                              ? std::optional<gfx::Color>(separatorColor)
                              : std::nullopt;
    cell.setSelected(m_selected == ip);
    const bool editable = ds && ds->canEditRow(*this, ip);
    cell.setEditingStyle(editable ? (d ? d->editingStyleForRow(*this, ip) : TableViewCellEditingStyle::Delete)
                                  : TableViewCellEditingStyle::None);
    cell.setEditing(m_editing && editable);
    std::weak_ptr<View> weak = weak_from_this();
    cell.onEditControlTapped = [this, weak, &cell] {
        if (!weak.expired())
            editControlTapped(cell);
    };
}

void TableView::editControlTapped(TableViewCell& cell) {
    auto ds = m_dataSource.lock();
    const auto ip = indexPathForCell(&cell);
    if (!m_editing || !ds || !ip)
        return;
    if (cell.editingStyle() == TableViewCellEditingStyle::Insert) {
        ds->commitEditingStyle(*this, TableViewCellEditingStyle::Insert, *ip);
        return;
    }
    // A second tap on the same control takes the question back.
    const bool same = m_swiped == ip;
    hideSwipedDelete();
    if (!same)
        askToConfirmDelete(cell, *ip);
}

void TableView::askToConfirmDelete(TableViewCell& cell, const IndexPath& ip) {
    auto d = m_tableDelegate.lock();
    m_swiped = ip;
    const std::string title = d ? d->titleForDeleteConfirmation(*this, ip) : "Delete";
    std::weak_ptr<View> weak = weak_from_this();
    TableViewCell* target = &cell;
    cell.onConfirmDelete = [this, weak, target] {
        if (weak.expired())
            return;
        auto ds = m_dataSource.lock();
        const auto at = indexPathForCell(target);
        if (!ds || !at)
            return;
        m_swiped.reset();
        target->showDeleteConfirmation(false);
        ds->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, *at);
    };
    cell.showDeleteConfirmation(true, title);
}

void TableView::layoutCells() {
    auto ds = m_dataSource.lock();
    if (!ds)
        return;
    if (!m_geometryValid)
        computeGeometry();
    const gfx::Rect visible = bounds();
    auto d = m_tableDelegate.lock();
    // Rows that left the screen give their cells back.
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        const gfx::Rect r = rectForRow(it->first);
        if (r.isEmpty() || !r.intersects(visible)) {
            if (m_swiped == it->first)
                m_swiped.reset();
            enqueue(it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const auto& sec = m_sections[s];
        const int64_t section = static_cast<int64_t>(s);
        // Section header.
        const gfx::Rect hr(0, sec.top, visible.width(), sec.headerHeight);
        if (sec.headerHeight > 0 && hr.intersects(visible)) {
            // Only sections that have a header view get an entry, so every
            // entry can be removed and brought to the front.
            std::shared_ptr<View> h;
            if (auto found = m_headers.find(section); found != m_headers.end())
                h = found->second;
            if (!h) {
                h = d ? d->viewForHeader(*this, section) : nullptr;
                if (!h && !sec.headerTitle.empty())
                    h = makeHeaderLabel(sec.headerTitle);
                if (h) {
                    addSubview(h);
                    m_headers[section] = h;
                }
            }
            if (h)
                View::performWithoutAnimation([&] {
                    gfx::Rect f = hr;
                    if (m_style == TableViewStyle::Grouped)
                        f = f.inset({0, 20, 0, 20});
                    h->setFrame(f);
                });
        } else if (auto it = m_headers.find(section); it != m_headers.end()) {
            it->second->removeFromSuperview();
            m_headers.erase(it);
        }
        // Rows in sight.
        auto first = std::upper_bound(sec.rowTops.begin(), sec.rowTops.end(), visible.y());
        size_t r = first == sec.rowTops.begin() ? 0 : static_cast<size_t>(first - sec.rowTops.begin()) - 1;
        for (; r < sec.rowTops.size() && sec.rowTops[r] < visible.maxY(); ++r) {
            const IndexPath ip{section, static_cast<int64_t>(r)};
            const gfx::Rect rr = rectForRow(ip);
            if (!rr.intersects(visible))
                continue;
            auto it = m_visible.find(ip);
            if (it == m_visible.end()) {
                auto cell = ds->cellForRow(*this, ip);
                if (!cell)
                    continue;
                View::performWithoutAnimation([&] {
                    cell->setFrame(rr);
                    configureCell(*cell, ip);
                });
                if (d)
                    d->willDisplayCell(*this, *cell, ip);
                // Rows go under the headers, above the background.
                insertSubview(cell, m_backgroundView ? 1 : 0);
                it = m_visible.emplace(ip, cell).first;
            } else {
                View::performWithoutAnimation([&] { it->second->setFrame(rr); });
            }
        }
    }
    if (m_tableHeader)
        bringSubviewToFront(m_tableHeader.get());
    for (auto& [s, h] : m_headers)
        bringSubviewToFront(h.get());
}

void TableView::setBackgroundView(std::shared_ptr<View> v) {
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(v);
    if (m_backgroundView) {
        insertSubview(m_backgroundView, 0);
        m_backgroundView->setFrame(bounds());
    }
}

void TableView::layoutSubviews() {
    // Header heights follow the width their titles wrap in.
    if (!m_geometryValid || bounds().width() != m_geometryWidth)
        computeGeometry();
    layoutCells();
    if (m_backgroundView)
        m_backgroundView->setFrame(bounds());
}

void TableView::didScroll() {
    ScrollView::didScroll();
    layoutCells();
    // The bounds move with the scroll; the background stays put on screen.
    if (m_backgroundView)
        m_backgroundView->setFrame(bounds());
}

void TableView::selectRow(const std::optional<IndexPath>& ip, bool animated, TableViewScrollPosition pos) {
    if (m_selected && m_selected != ip)
        if (auto* c = cellForRow(*m_selected))
            c->setSelected(false, animated);
    m_selected = ip;
    if (!ip)
        return;
    if (auto* c = cellForRow(*ip))
        c->setSelected(true, animated);
    if (pos != TableViewScrollPosition::None)
        scrollToRow(*ip, pos, animated);
}

void TableView::deselectRow(const IndexPath& ip, bool animated) {
    if (auto* c = cellForRow(ip))
        c->setSelected(false, animated);
    if (m_selected == ip)
        m_selected.reset();
}

void TableView::scrollToRow(const IndexPath& ip, TableViewScrollPosition pos, bool animated) {
    const gfx::Rect r = rectForRow(ip);
    if (r.isEmpty() && r.height() <= 0)
        return;
    const double h = bounds().height();
    double y = contentOffset().y;
    switch (pos) {
    case TableViewScrollPosition::Top:
        y = r.y();
        break;
    case TableViewScrollPosition::Middle:
        y = r.midY() - h / 2;
        break;
    case TableViewScrollPosition::Bottom:
        y = r.maxY() - h;
        break;
    case TableViewScrollPosition::None:
        if (r.y() < y)
            y = r.y();
        else if (r.maxY() > y + h)
            y = r.maxY() - h;
        break;
    }
    y = std::clamp(y, minimumOffset().y, maximumOffset().y);
    setContentOffset({contentOffset().x, y}, animated);
}

void TableView::setEditing(bool editing, bool animated) {
    if (editing == m_editing)
        return;
    hideSwipedDelete();
    m_editing = editing;
    for (auto& [ip, cell] : m_visible)
        configureCell(*cell, ip);
    (void)animated;
}

void TableView::hideSwipedDelete() {
    if (!m_swiped)
        return;
    const IndexPath ip = *m_swiped;
    m_swiped.reset();
    if (auto* c = cellForRow(ip)) {
        c->showDeleteConfirmation(false);
        // In edit mode the row keeps its control; a swiped row goes back.
        c->setEditing(m_editing && c->editingStyle() != TableViewCellEditingStyle::None);
    }
    if (!m_editing)
        if (auto d = m_tableDelegate.lock())
            d->didEndEditingRow(*this, ip);
}

void TableView::handleSwipe(GestureRecognizer& g) {
    if (m_editing || g.state() != GestureState::Ended)
        return;
    if (m_swiped) {
        hideSwipedDelete();
        return;
    }
    auto ds = m_dataSource.lock();
    auto d = m_tableDelegate.lock();
    const auto ip = indexPathForRowAtPoint(g.locationInView(this));
    if (!ds || !ip || !ds->canEditRow(*this, *ip))
        return;
    if (d && d->editingStyleForRow(*this, *ip) != TableViewCellEditingStyle::Delete)
        return;
    auto* cell = cellForRow(*ip);
    if (!cell)
        return;
    if (d)
        d->willBeginEditingRow(*this, *ip);
    askToConfirmDelete(*cell, *ip);
}

void TableView::touchesBegan(const TouchSet& touches) {
    if (touches.empty())
        return;
    const gfx::Point p = touches.front()->locationInView(this);
    m_touchedRow = indexPathForRowAtPoint(p);
    if (m_swiped) {
        // A touch anywhere but the delete button puts the row back.
        m_touchedRow.reset();
        hideSwipedDelete();
        return;
    }
    if (!allowsSelection || (m_editing && !allowsSelectionDuringEditing))
        m_touchedRow.reset();
    if (m_touchedRow)
        if (auto* c = cellForRow(*m_touchedRow))
            c->setHighlighted(true);
}

void TableView::touchesEnded(const TouchSet& touches) {
    if (!m_touchedRow || touches.empty())
        return;
    const IndexPath touched = *m_touchedRow;
    m_touchedRow.reset();
    if (auto* c = cellForRow(touched))
        c->setHighlighted(false);
    if (indexPathForRowAtPoint(touches.front()->locationInView(this)) != touched)
        return;
    auto d = m_tableDelegate.lock();
    if (auto* c = cellForRow(touched); c && c->accessoryType == TableViewCellAccessory::DetailDisclosureButton &&
                                       touches.front()->locationInView(c).x > c->bounds().width() - 44) {
        if (d)
            d->accessoryButtonTapped(*this, touched);
        return;
    }
    std::optional<IndexPath> target = d ? d->willSelectRow(*this, touched) : std::optional<IndexPath>(touched);
    if (!target)
        return;
    if (m_selected && m_selected != target) {
        const IndexPath old = *m_selected;
        deselectRow(old, false);
        if (d)
            d->didDeselectRow(*this, old);
    }
    selectRow(target, false, TableViewScrollPosition::None);
    if (d)
        d->didSelectRow(*this, *target);
}

void TableView::touchesCancelled(const TouchSet&) {
    if (m_touchedRow)
        if (auto* c = cellForRow(*m_touchedRow))
            c->setHighlighted(false);
    m_touchedRow.reset();
}

} // namespace pw::ui

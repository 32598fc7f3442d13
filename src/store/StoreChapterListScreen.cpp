#include "store/StoreChapterListScreen.h"

#include "foundation/db/BookDB.h"

namespace pw {

void StoreChapterListScreen::viewDidLoad() {
    if (auto all = BookDB::getAllChaptersWithRZBookId(m_rzBookId))
        m_chapters = core::Value(std::move(*all));
    m_table = ui::TableView::create(view()->bounds());
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto self = std::static_pointer_cast<StoreChapterListScreen>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setTableDelegate(self);
    view()->addSubview(m_table);
}

int64_t StoreChapterListScreen::numberOfRows(ui::TableView&, int64_t) {
    return static_cast<int64_t>(m_chapters.asArray()->size());
}

std::shared_ptr<ui::TableViewCell> StoreChapterListScreen::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell("chapter");
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, "chapter");
    const core::Value& chapter = m_chapters.asArray()->at(static_cast<size_t>(ip.row));
    std::string name = chapter["cname"].asString().value_or("");
    if (chapter["vip"].asInt().value_or(0) == 1 && chapter["down"].asInt().value_or(0) != 1)
        name += "  [VIP]";
    cell->textLabel().setText(name);
    return cell;
}

void StoreChapterListScreen::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (m_picked)
        m_picked(m_chapters.asArray()->at(static_cast<size_t>(ip.row)), m_rzBookId);
}

} // namespace pw

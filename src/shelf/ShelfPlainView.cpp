#include "shelf/ShelfPlainView.h"

#include "shelf/BooklistSections.h"
#include "shelf/GridLayout.h"
#include "shelf/LastReadText.h"

#include "platform/core/DateFormatter.h"
#include "platform/gfx/Context.h"
#include "platform/gfx/Font.h"
#include "platform/ui/TapGestureRecognizer.h"

#include <ctime>

namespace pw {

namespace {

constexpr double kHeaderHeight = 30;
constexpr double kRowHeight = 64;
constexpr double kTileHeight = 130;

core::Value tapPayload(const BookRecord& b) {
    return core::Value(core::Value::Map{{"rzid", core::Value(b.rzId)},
                                        {"status", core::Value(int64_t(b.status))},
                                        {"file", core::Value(b.file)},
                                        {"bid", core::Value(b.bid)}});
}

} // namespace

ShelfPlainView::ShelfPlainView(const gfx::Rect& frame) : View(frame) {}

void ShelfPlainView::didCreate() {
    View::didCreate();
    setBackgroundColor(gfx::Color::fromRGB255(236, 226, 208));
    std::weak_ptr<View> weak = weak_from_this();
    addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        if (auto self = std::static_pointer_cast<ShelfPlainView>(weak.lock()))
            self->tapAt(g.locationInView(self.get()));
    }));
    auto& nc = core::NotificationCenter::defaultCenter();
    // Select-all and its undo reach every shown book.
    m_tokens.push_back(nc.addObserver("NSNotificationCenter_SelectAllBooksWhenEditing", [this](const auto&) {
        for (const auto& b : m_books)
            m_selected.insert(b.bid);
        setNeedsDisplay();
    }));
    m_tokens.push_back(nc.addObserver("NSNotificationCenter_cancelSelectAllBooksWhenEditing", [this](const auto&) {
        m_selected.clear();
        setNeedsDisplay();
    }));
}

void ShelfPlainView::setContent(bool grid, const std::vector<CategoryRecord>& categories,
                                const std::vector<BookRecord>& books, int bookcaseType) {
    m_grid = grid;
    m_categories = categories;
    m_books = books;
    m_bookcaseType = bookcaseType;
    relayout();
}

void ShelfPlainView::setEditing(bool editing) {
    m_editing = editing;
    m_selected.clear();
    setNeedsDisplay();
}

void ShelfPlainView::relayout() {
    m_items.clear();
    const double w = bounds().width();
    double y = 0;
    if (m_grid) {
        const bool tablet = w >= 600;
        const int perRow = GridLayout::tilesPerRow(tablet, w, std::max(bounds().height(), w + 1));
        const double tileW = w / perRow;
        m_items.push_back({gfx::Rect(0, y, w, kHeaderHeight), nullptr,
                           m_categories.empty() ? std::string() : m_categories.front().cname});
        y += kHeaderHeight;
        for (size_t i = 0; i < m_books.size(); ++i) {
            const int col = static_cast<int>(i % perRow);
            const int row = static_cast<int>(i / perRow);
            m_items.push_back(
                {gfx::Rect(col * tileW + 8, y + row * kTileHeight + 8, tileW - 16, kTileHeight - 16), &m_books[i], {}});
        }
        y += GridLayout::rowCount(static_cast<int>(m_books.size()), perRow) * kTileHeight;
    } else {
        std::vector<CategoryRecord> cats;
        for (const auto& c : m_categories)
            if (c.cid != -2)
                cats.push_back(c);
        const auto sections = BooklistSections::archive(cats, &m_books, m_bookcaseType, false, "");
        for (size_t s = 0; s < sections.size() && s < cats.size(); ++s) {
            m_items.push_back({gfx::Rect(0, y, w, kHeaderHeight), nullptr,
                               cats[s].cname + BooklistSections::amountText(sections[s].amount)});
            y += kHeaderHeight;
            for (const BookRecord* b : sections[s].books) {
                m_items.push_back({gfx::Rect(0, y, w, kRowHeight), b, {}});
                y += kRowHeight;
            }
        }
    }
    m_contentHeight = y;
    setNeedsDisplay();
}

const BookRecord* ShelfPlainView::bookAt(gfx::Point p) const {
    for (const auto& item : m_items)
        if (item.book && item.frame.contains(p))
            return item.book;
    return nullptr;
}

void ShelfPlainView::tapAt(gfx::Point p) {
    const BookRecord* b = bookAt(p);
    if (!b)
        return;
    const BookRecord book = *b; // the post may replace the list
    if (m_editing) {
        if (!m_selected.erase(book.bid))
            m_selected.insert(book.bid);
        setNeedsDisplay();
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookTapWhenEditing", tapPayload(book));
    } else {
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookTap", tapPayload(book));
    }
}

void ShelfPlainView::draw(gfx::Context& ctx, const gfx::Rect& rect) {
    View::draw(ctx, rect);
    static const core::DateFormatter format("yyyy-MM-dd HH:mm");
    const double now = static_cast<double>(std::time(nullptr));
    const gfx::Font nameFont = gfx::Font::boldSystemFont(14);
    const gfx::Font smallFont = gfx::Font::systemFont(12);
    for (const auto& item : m_items) {
        const gfx::Rect& f = item.frame;
        if (!f.intersects(rect))
            continue;
        if (!item.book) {
            ctx.setFillColor(gfx::Color::fromRGB255(120, 141, 169));
            ctx.fillRect(f);
            ctx.setFillColor(gfx::Color::white());
            ctx.drawText(item.header, gfx::Rect(f.x() + 10, f.y() + 6, f.width() - 20, f.height() - 6), nameFont,
                         gfx::LineBreakMode::TruncateTail);
            continue;
        }
        const BookRecord& b = *item.book;
        const bool chosen = m_editing && m_selected.count(b.bid);
        if (m_grid) {
            ctx.setFillColor(b.rzId == -999 ? gfx::Color::fromRGB255(96, 124, 92)
                                            : gfx::Color::fromRGB255(150, 88, 60));
            ctx.fillRect(f);
            ctx.setFillColor(gfx::Color::white());
            ctx.drawText(b.bname, gfx::Rect(f.x() + 6, f.y() + 8, f.width() - 12, f.height() - 30), nameFont,
                         gfx::LineBreakMode::CharWrap, gfx::TextAlignment::Center);
            ctx.drawText(b.type, gfx::Rect(f.x() + 6, f.maxY() - 20, f.width() - 12, 16), smallFont,
                         gfx::LineBreakMode::Clip, gfx::TextAlignment::Center);
        } else {
            ctx.setFillColor(gfx::Color::fromRGB255(200, 190, 170));
            ctx.fillRect(gfx::Rect(f.x(), f.maxY() - 1, f.width(), 1));
            ctx.setFillColor(gfx::Color::fromRGB255(40, 40, 40));
            ctx.drawText(b.bname, gfx::Rect(f.x() + 14, f.y() + 10, f.width() - 60, 20), nameFont,
                         gfx::LineBreakMode::TruncateTail);
            ctx.setFillColor(gfx::Color::fromRGB255(100, 100, 100));
            ctx.drawText(LastReadText::text(b.lstReadt, now, format),
                         gfx::Rect(f.x() + 14, f.y() + 36, f.width() - 60, 18), smallFont,
                         gfx::LineBreakMode::TruncateTail);
        }
        if (chosen) {
            const gfx::Rect mark(f.maxX() - 30, f.y() + 6, 22, 22);
            ctx.setFillColor(gfx::Color::fromRGB255(30, 120, 220));
            ctx.fillEllipse(mark);
            ctx.setFillColor(gfx::Color::white());
            ctx.drawText("✓", gfx::Rect(mark.x(), mark.y() + 2, mark.width(), 18), smallFont, gfx::LineBreakMode::Clip,
                         gfx::TextAlignment::Center);
        }
    }
}

} // namespace pw

#pragma once

#include "shelf/ShelfRecords.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/View.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pw {

// The plain shelf's drawing: each shown book has a box, hit by taps.
class ShelfPlainView : public ui::View {
public:
    struct Item {
        gfx::Rect frame{};
        const BookRecord* book{nullptr};
        std::string header{}; // a section header instead of a book
    };

    void setContent(bool grid, const std::vector<CategoryRecord>& categories, const std::vector<BookRecord>& books,
                    int bookcaseType);
    void setEditing(bool editing);
    bool isEditing() const { return m_editing; }
    // The book under p, if any.
    const BookRecord* bookAt(gfx::Point p) const;
    const std::vector<Item>& items() const { return m_items; }
    const std::set<int64_t>& selected() const { return m_selected; }
    // Posts the tap of the book under p.
    void tapAt(gfx::Point p);
    double contentHeight() const { return m_contentHeight; }
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ShelfPlainView(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void relayout();

    bool m_grid{true};
    bool m_editing{false};
    int m_bookcaseType{1};
    std::vector<CategoryRecord> m_categories{};
    std::vector<BookRecord> m_books{};
    std::vector<Item> m_items{};
    std::set<int64_t> m_selected{};
    double m_contentHeight{0};
    std::vector<core::ObserverToken> m_tokens{};
};

} // namespace pw

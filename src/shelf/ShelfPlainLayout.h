#pragma once
// A plain drawing of the shelf in either layout (tiles of names, or rows by
// category with the last-read line), used while the full shelf views are not
// hosted. Taps post the shelf's tap notifications like the real tiles do.
#include "shelf/ShelfLayoutController.h"

#include <memory>
#include <set>

namespace pw {

class ShelfPlainView;

class ShelfPlainLayout : public ShelfLayoutController {
public:
    enum class Style { Grid, List };
    explicit ShelfPlainLayout(Style style, int bookcaseType);
    ~ShelfPlainLayout() override;

    void clearScroll() override;
    void setIsEditing(bool editing) override;
    void setAllCategories(std::shared_ptr<std::vector<CategoryRecord>> categories) override;
    void setAllBooks(std::shared_ptr<const std::vector<BookRecord>> books) override;
    void load(const Host& host) override;
    void archiveCategoryBooksAndRefreshTable() override;
    void enterEditingState(bool editing) override;
    void setLayout() override;
    void deleteOneBook() override { archiveCategoryBooksAndRefreshTable(); }

    Style style() const { return m_style; }
    ShelfPlainView* view() const { return m_view.get(); }

private:
    Style m_style{Style::Grid};
    int m_bookcaseType{1};
    Host m_host{};
    std::shared_ptr<ShelfPlainView> m_view{};
    std::shared_ptr<std::vector<CategoryRecord>> m_categories{};
    std::shared_ptr<const std::vector<BookRecord>> m_books{};
    bool m_isEditing{false};
};

} // namespace pw

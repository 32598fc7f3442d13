#pragma once
// A ranking's or a category's row on the category and ranking screen: its
// icon, its name and one line of description.
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>

namespace pw {

class BookCategoryCell : public ui::TableViewCell {
public:
    static std::shared_ptr<BookCategoryCell> initWithRowHeight(double h, ui::TableViewCellStyle style,
                                                               const std::string& reuseIdentifier) {
        return View::create<BookCategoryCell>(h, style, reuseIdentifier);
    }

    void setBgColor(const gfx::Color& c);
    void showIcon(bool show);
    void reloadImageByPath(const std::string& path);
    void reloadImageByName(const std::string& name);

    double cellHeight() const { return m_cellHeight; }
    ui::ImageView& imgIcon() { return *m_imgIcon; }
    ui::Label& lblMain() { return *m_lblMain; }
    ui::Label& lblSub() { return *m_lblSub; }

protected:
    BookCategoryCell(double h, ui::TableViewCellStyle style, std::string reuseIdentifier)
        : ui::TableViewCell(style, std::move(reuseIdentifier)), m_cellHeight(h) {}
    friend class ui::View;
    void didCreate() override;

private:
    double m_cellHeight = 70;
    std::shared_ptr<ui::View> m_bgView;
    std::shared_ptr<ui::ImageView> m_imgIcon;
    std::shared_ptr<ui::Label> m_lblMain;
    std::shared_ptr<ui::Label> m_lblSub;
};

} // namespace pw

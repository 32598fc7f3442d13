#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

// Told by a category row of its name's editing.
class MainCategoryCellDelegate {
public:
    virtual ~MainCategoryCellDelegate() = default;
    virtual void returnKeyClick(ui::TextField& field, bool hasChanged, int64_t categoryId) = 0;
    virtual void beginEditingCategoryName(ui::TextField& field, const ui::IndexPath& indexPath) = 0;
};

// One row of the category menu: the category's name, editable in edit mode.
class MainCategoryCell : public ui::View, public ui::TextFieldDelegate {
public:
    static std::shared_ptr<MainCategoryCell> create(const gfx::Rect& frame);

    void setup();
    void reset();
    void canEdit(bool enable);

    int64_t categoryId() const { return m_categoryId; }
    void setCategoryId(int64_t c) { m_categoryId = c; }
    ui::TextField* txtName() const { return m_txtName.get(); }
    void setDelegate(MainCategoryCellDelegate* d) { m_delegate = d; }
    const std::string& orgName() const { return m_orgName; }
    void setOrgName(std::string n) { m_orgName = std::move(n); }
    const ui::IndexPath& indexPath() const { return m_indexPath; }
    void setIndexPath(const ui::IndexPath& ip) { m_indexPath = ip; }

    bool textFieldShouldReturn(ui::TextField& field) override;
    void textFieldDidBeginEditing(ui::TextField& field) override;

protected:
    explicit MainCategoryCell(const gfx::Rect& frame) : View(frame) {}
    void didCreate() override;
    friend class ui::View;

private:
    int64_t m_categoryId{0};
    std::shared_ptr<ui::TextField> m_txtName{};
    MainCategoryCellDelegate* m_delegate{nullptr};
    std::string m_orgName{};
    ui::IndexPath m_indexPath{};
};

} // namespace pw

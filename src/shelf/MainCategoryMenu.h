#pragma once

#include "platform/core/ObserverToken.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "shelf/MainCategoryCell.h"
#include "shelf/ShelfRecords.h"

#include <memory>
#include <vector>

namespace pw {

namespace core {
struct Notification;
}
namespace ui {
class Button;
}

// Told what the category menu picked; either operation may be left as is.
class MainCategoryMenuDelegate {
public:
    virtual ~MainCategoryMenuDelegate() = default;
    // Move mode picked a category.
    virtual void categoryChooseWithId(int64_t /*categoryId*/) {}
    // Go to the category's shelf page (row is the menu's row).
    virtual void scrollToCategory(int64_t /*categoryId*/, int /*row*/) {}
};

// The pop-up list of the shown shelf's categories: a table of contents that
// jumps the shelf to a category, or in move mode the pick of the category the
// selected books move to. On the local shelf it also adds, renames and deletes
// categories. Main thread only.
class MainCategoryMenu : public ui::View,
                         public ui::TableViewDataSource,
                         public ui::TableViewDelegate,
                         public ui::TextFieldDelegate,
                         public MainCategoryCellDelegate {
public:
    static std::shared_ptr<MainCategoryMenu> create(const gfx::Rect& frame);
    ~MainCategoryMenu() override;

    // The visible panel's frame in a menu of that size.
    static gfx::Rect panelFrame(const gfx::Rect& menuBounds, bool tablet);

    void genMenuAndShow(bool prepareMoveBooks, bool enableEdit);
    void showWithAnimate();
    // Fades out, then hides: a closed menu takes no touches and draws nothing.
    void close();
    void switchEditMode();
    void addCategory();
    void didAddCategory();
    void getAllCategories();
    void scrollCell(const ui::IndexPath& ip);
    void keyboardWillShowNotification(const core::Notification& n);
    // Deletes the row's category: its books go to the first category and the
    // category goes, in one transaction; a failed delete keeps the row.
    void deleteRow(int row);

    void setDelegate(MainCategoryMenuDelegate* d) { m_delegate = d; }
    const std::vector<CategoryRecord>& allCategories() const { return m_allCategories; }
    ui::TableView* table() const { return m_table.get(); }
    ui::View* container() const { return m_container.get(); }
    ui::TextField* txtAddCategory() const { return m_txtAddCategory.get(); }
    ui::Button* btnClose() const { return m_btnClose.get(); }
    ui::Button* btnBeginEdit() const { return m_btnBeginEdit.get(); }
    ui::Button* btnAddCategory() const { return m_btnAddCategory.get(); }
    bool hasGenMenu() const { return m_hasGenMenu; }
    bool hasAddHandler() const { return m_hasAddHandler; }
    void setHasAddHandler(bool h) { m_hasAddHandler = h; }
    bool isPrepareMoveBooks() const { return m_isPrepareMoveBooks; }
    bool isEditing() const { return m_isEditing; }
    bool editingEnable() const { return m_editingEnable; }
    int opType() const { return m_opType; }
    // The edit button's picture as last set.
    const std::string& editImageName() const { return m_editImageName; }
    // The row view of a visible row.
    MainCategoryCell* rowView(int row) const;

    // A custom button with that frame and background picture (none for an empty name).
    static std::shared_ptr<ui::Button> genBtnItem(const gfx::Rect& frame, const std::string& background);
    // The title in the system font of that size, dark grey, with those insets.
    static void setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets);

    // TableViewDataSource / TableViewDelegate
    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_allCategories.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, const ui::IndexPath&) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath& ip) override { return ip.row != 0 && m_editingEnable; }
    void commitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle, const ui::IndexPath&) override;
    void didSelectRow(ui::TableView&, const ui::IndexPath&) override;
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override;
    // TextFieldDelegate (the new-category field)
    bool textFieldShouldReturn(ui::TextField&) override;
    void textFieldDidBeginEditing(ui::TextField&) override { m_opType = 1; }
    // MainCategoryCellDelegate
    void returnKeyClick(ui::TextField& field, bool hasChanged, int64_t categoryId) override;
    void beginEditingCategoryName(ui::TextField& field, const ui::IndexPath& indexPath) override;

protected:
    MainCategoryMenu();
    explicit MainCategoryMenu(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void setup();
    void buildPanel();
    void returnPanelToPlace();
    void setEditImage(const std::string& name);

    std::shared_ptr<ui::TableView> m_table{};
    std::vector<CategoryRecord> m_allCategories{};
    MainCategoryMenuDelegate* m_delegate{nullptr};
    std::shared_ptr<ui::View> m_container{};
    std::shared_ptr<ui::TextField> m_txtAddCategory{};
    std::shared_ptr<ui::Button> m_btnClose{};
    bool m_hasGenMenu{false};
    bool m_hasAddHandler{false};
    bool m_isPrepareMoveBooks{false};
    std::shared_ptr<ui::Button> m_btnBeginEdit{};
    bool m_isEditing{false};
    std::shared_ptr<ui::Button> m_btnAddCategory{};
    bool m_editingEnable{false};
    int m_opType{0};
    bool m_tablet{false};
    std::string m_editImageName{};
    // Bumped by every show, so a fade-out that ends after a reopening leaves it shown.
    uint64_t m_showGeneration{0};
    core::ObserverToken m_keyboardObserver{};
};

} // namespace pw

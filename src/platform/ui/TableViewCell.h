#pragma once
// One row of a table: a text, a detail text and a picture laid out by style,
// an accessory, selection highlighting and, while editing, the delete control.
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <functional>
#include <optional>
#include <string>

namespace pw::ui {

enum class TableViewCellStyle { Default, Value1, Value2, Subtitle };
enum class TableViewCellAccessory { None, DisclosureIndicator, DetailDisclosureButton, Checkmark };
enum class TableViewCellSelectionStyle { None, Blue, Gray };
enum class TableViewCellEditingStyle { None, Delete, Insert };

class TableViewCell : public View {
public:
    // The accessory kind, read and assigned like a plain field; assigning it
    // shows the new accessory at once.
    class AccessoryTypeProperty {
    public:
        explicit AccessoryTypeProperty(TableViewCell& cell) : m_cell(cell) {}
        AccessoryTypeProperty(const AccessoryTypeProperty&) = delete;
        AccessoryTypeProperty& operator=(const AccessoryTypeProperty&) = delete;
        AccessoryTypeProperty& operator=(TableViewCellAccessory t);
        operator TableViewCellAccessory() const { return m_value; }

    private:
        TableViewCell& m_cell;
        TableViewCellAccessory m_value = TableViewCellAccessory::None;
    };

    static std::shared_ptr<TableViewCell> create(TableViewCellStyle style, std::string reuseIdentifier) {
        return View::create<TableViewCell>(style, std::move(reuseIdentifier));
    }

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    TableViewCellStyle style() const { return m_style; }
    Label& textLabel() { return *m_textLabel; }
    Label& detailTextLabel() { return *m_detailLabel; }
    ImageView& imageView() { return *m_imageView; }
    View& contentView() { return *m_contentView; }

    AccessoryTypeProperty accessoryType{*this};
    void setAccessoryView(std::shared_ptr<View> v);
    View* accessoryView() const { return m_accessoryView.get(); }
    TableViewCellSelectionStyle selectionStyle = TableViewCellSelectionStyle::Blue;
    void setBackgroundView(std::shared_ptr<View> v);
    void setSelectedBackgroundView(std::shared_ptr<View> v);

    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool s, bool animated = false);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool h, bool animated = false);

    bool isEditing() const { return m_editing; }
    virtual void setEditing(bool e, bool animated = false);
    TableViewCellEditingStyle editingStyle() const { return m_editingStyle; }
    void setEditingStyle(TableViewCellEditingStyle s);
    bool showingDeleteConfirmation() const { return m_confirmButton != nullptr; }
    // Shows or hides the red confirmation button; its tap calls onConfirmDelete.
    void showDeleteConfirmation(bool show, const std::string& title = "Delete");
    std::function<void()> onConfirmDelete;
    std::function<void()> onAccessoryTapped;
    // A tap on the round control at the left while editing.
    std::function<void()> onEditControlTapped;
    Button* deleteConfirmationButton() const { return m_confirmButton.get(); }
    // The round delete (or insert) control shown while editing, else null.
    Control* editingControl() const { return m_editControl.get(); }
    // The drawn accessory (arrow, check mark, detail button), else null.
    View* accessoryIndicator() const { return m_accessoryIndicator.get(); }

    int indentationLevel = 0;
    // Set by the table: the line drawn along the cell's bottom edge.
    std::optional<gfx::Color> separatorColor;
    virtual void prepareForReuse();
    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    TableViewCell(TableViewCellStyle style, std::string reuseIdentifier);
    friend class View;
    void didCreate() override;

private:
    void updateHighlight();
    // Adds, removes and repaints the editing control and the drawn accessory.
    void updateDecorations();
    TableViewCellStyle m_style;
    std::string m_reuseIdentifier;
    std::shared_ptr<View> m_contentView;
    std::shared_ptr<Label> m_textLabel;
    std::shared_ptr<Label> m_detailLabel;
    std::shared_ptr<ImageView> m_imageView;
    std::shared_ptr<View> m_accessoryView;
    std::shared_ptr<Button> m_accessoryButton;
    std::shared_ptr<View> m_backgroundView;
    std::shared_ptr<View> m_selectedBackgroundView;
    std::shared_ptr<Button> m_confirmButton;
    std::shared_ptr<Control> m_editControl;
    std::shared_ptr<View> m_accessoryIndicator;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_editing = false;
    TableViewCellEditingStyle m_editingStyle = TableViewCellEditingStyle::Delete;
};

} // namespace pw::ui

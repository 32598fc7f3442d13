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
    static std::shared_ptr<TableViewCell> create(TableViewCellStyle style, std::string reuseIdentifier) {
        return View::create<TableViewCell>(style, std::move(reuseIdentifier));
    }

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    TableViewCellStyle style() const { return m_style; }
    Label& textLabel() { return *m_textLabel; }
    Label& detailTextLabel() { return *m_detailLabel; }
    ImageView& imageView() { return *m_imageView; }
    View& contentView() { return *m_contentView; }

    TableViewCellAccessory accessoryType = TableViewCellAccessory::None;
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
    void setEditingStyle(TableViewCellEditingStyle s) { m_editingStyle = s; }
    bool showingDeleteConfirmation() const { return m_confirmButton != nullptr; }
    // Shows or hides the red confirmation button; its tap calls onConfirmDelete.
    void showDeleteConfirmation(bool show, const std::string& title = "Delete");
    std::function<void()> onConfirmDelete;
    std::function<void()> onAccessoryTapped;
    Button* deleteConfirmationButton() const { return m_confirmButton.get(); }

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
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_editing = false;
    TableViewCellEditingStyle m_editingStyle = TableViewCellEditingStyle::Delete;
};

} // namespace pw::ui

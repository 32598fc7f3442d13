#include "shelf/MainCategoryCell.h"

namespace pw {

std::shared_ptr<MainCategoryCell> MainCategoryCell::create(const gfx::Rect& frame) {
    return View::create<MainCategoryCell>(frame);
}

void MainCategoryCell::didCreate() {
    View::didCreate();
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setup();
}

void MainCategoryCell::setup() {
    if (m_txtName)
        return;
    m_txtName = View::create<ui::TextField>(gfx::Rect(20, 5, 170, 30));
    m_txtName->setEnabled(false);
    m_txtName->setBorderStyle(ui::TextBorderStyle::None);
    m_txtName->setFont(gfx::Font::systemFont(14));
    m_txtName->setDelegate(std::static_pointer_cast<MainCategoryCell>(shared_from_this()));
    m_txtName->setPlaceholder("输入分类名称");
    m_txtName->returnKeyType = ui::ReturnKeyType::Done;
    addSubview(m_txtName);
}

void MainCategoryCell::reset() {
    m_txtName->setEnabled(false);
    m_txtName->setBorderStyle(ui::TextBorderStyle::None);
    // A reused cell may come from an editable row: the first row never gets
    // canEdit, so it must not keep that row's centred name.
    m_txtName->setTextAlignment(gfx::TextAlignment::Left);
}

void MainCategoryCell::canEdit(bool enable) {
    m_txtName->setEnabled(enable);
    m_txtName->setTextAlignment(enable ? gfx::TextAlignment::Center : gfx::TextAlignment::Left);
}

bool MainCategoryCell::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    if (m_delegate) {
        const std::string& text = field.text();
        m_delegate->returnKeyClick(field, !text.empty() && text != m_orgName, m_categoryId);
    }
    return true;
}

void MainCategoryCell::textFieldDidBeginEditing(ui::TextField& field) {
    if (m_delegate)
        m_delegate->beginEditingCategoryName(field, m_indexPath);
}

} // namespace pw

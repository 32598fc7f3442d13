#include "shelf/MainCategoryMenu.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/db/CategoryTB.h"
#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "shelf/BooklistCell.h"
#include "shelf/ShelfCategoryEdits.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

namespace {
constexpr const char* kCellIdentifier = "cellIdentifier";
constexpr const char* kEditImage = "main_chaptermenu_btnEdit.png";
constexpr const char* kEditingImage = "main_chaptermenu_btnEdit1.png";

// The row view the content view holds beside the cell's own (unused) labels.
MainCategoryCell* categoryRowViewOf(ui::TableViewCell& cell) {
    for (const auto& v : cell.contentView().subviews())
        if (auto* row = dynamic_cast<MainCategoryCell*>(v.get()))
            return row;
    return nullptr;
}
} // namespace

MainCategoryMenu::MainCategoryMenu() = default;

MainCategoryMenu::MainCategoryMenu(const gfx::Rect& frame) : View(frame) {}

MainCategoryMenu::~MainCategoryMenu() = default;

std::shared_ptr<MainCategoryMenu> MainCategoryMenu::create(const gfx::Rect& frame) {
    return View::create<MainCategoryMenu>(frame);
}

gfx::Rect MainCategoryMenu::panelFrame(const gfx::Rect& b, bool tablet) {
    if (tablet)
        return {b.midX() - 250, 40, 500, 320};
    return {b.midX() - 125, 40, 250, b.height() - 70};
}

void MainCategoryMenu::didCreate() {
    View::didCreate();
    m_tablet = currentDeviceKind() == DeviceKind::Tablet;
    setup();
}

void MainCategoryMenu::setup() {
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);
    std::weak_ptr<View> weak = weak_from_this();
    m_keyboardObserver = core::NotificationCenter::defaultCenter().addObserver(
        ui::kKeyboardWillShowNotification, [weak](const core::Notification& n) {
            if (auto self = std::static_pointer_cast<MainCategoryMenu>(weak.lock()))
                self->keyboardWillShowNotification(n);
        });
}

void MainCategoryMenu::getAllCategories() {
    const auto rows = bookcaseType == 1 ? CategoryTB::getAllRZCategory() : CategoryTB::getAllLocalCategory();
    m_allCategories.clear();
    if (rows)
        for (const core::Value& v : *rows)
            m_allCategories.push_back(CategoryRecord::fromValue(v));
    m_allCategories.insert(m_allCategories.begin(), CategoryRecord{-1, bookcaseType == 1 ? "最近阅读" : "导入电子书", 0,
                                                                   core::Clock::shared().now()});
}

std::shared_ptr<ui::Button> MainCategoryMenu::genBtnItem(const gfx::Rect& frame, const std::string& background) {
    auto b = ui::Button::create(ui::ButtonType::Custom);
    b->setFrame(frame);
    b->setEnabled(true);
    if (!background.empty())
        b->setBackgroundImage(ui::BundleImage::named(background));
    return b;
}

void MainCategoryMenu::setButton(ui::Button& button, double fontSize, const std::string& title,
                                 gfx::EdgeInsets insets) {
    // The list rows' action buttons are dressed the same way.
    BooklistCell::setButton(button, fontSize, title, insets);
}

void MainCategoryMenu::setEditImage(const std::string& name) {
    m_editImageName = name;
    m_btnBeginEdit->setBackgroundImage(ui::BundleImage::named(name));
}

void MainCategoryMenu::buildPanel() {
    const gfx::Rect b = bounds();
    auto dim = View::create<View>(b);
    dim->setBackgroundColor(gfx::Color::black());
    dim->setAlpha(0.3);
    dim->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(dim);

    m_container = View::create<View>(panelFrame(b, m_tablet));
    m_container->setClipsToBounds(true);
    m_container->setBackgroundColor(gfx::Color::white());
    m_container->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleBottomMargin |
                                     ui::FlexibleHeight);
    addSubview(m_container);
    const double cw = m_container->bounds().width();
    const double ch = m_container->bounds().height();

    auto title = View::create<ui::ImageView>(ui::BundleImage::named("main_chaptermenu_title.png"));
    title->setFrame({0, 0, cw, 37});
    if (title->image().isNull())
        title->setBackgroundColor(gfx::Color::fromRGB255(120, 141, 169));
    title->setUserInteractionEnabled(true);
    title->setAutoresizingMask(ui::FlexibleWidth);
    m_container->addSubview(title);
    m_btnClose = genBtnItem({10, 5, 50, 27}, "main_chaptermenu_btnClose.png");
    title->addSubview(m_btnClose);
    m_btnBeginEdit = genBtnItem({cw - 60, 5, 50, 27}, {});
    setEditImage(kEditImage);
    m_btnBeginEdit->setAutoresizingMask(ui::FlexibleLeftMargin);
    std::weak_ptr<View> weak = weak_from_this();
    auto act = [weak](void (MainCategoryMenu::*fn)()) {
        return [weak, fn](ui::Control&) {
            if (auto self = std::static_pointer_cast<MainCategoryMenu>(weak.lock()))
                ((*self).*fn)();
        };
    };
    m_btnBeginEdit->addTarget(act(&MainCategoryMenu::switchEditMode), ui::ControlEventTouchUpInside);
    title->addSubview(m_btnBeginEdit);
    auto caption = View::create<ui::Label>(gfx::Rect(cw / 2 - 75, 4, 150, 29));
    caption->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleWidth);
    caption->setBackgroundColor(gfx::Color::clear());
    caption->setOpaque(false);
    caption->setTextAlignment(gfx::TextAlignment::Center);
    caption->setTextColor(gfx::Color::white());
    caption->setFont(gfx::Font::systemFont(15));
    caption->setText("分类");
    title->addSubview(caption);

    m_table = ui::TableView::create({0, 37, cw, ch - 77});
    m_table->setAutoresizingMask(ui::FlexibleHeight | ui::FlexibleWidth);
    m_table->rowHeight = 40;
    m_table->setBackgroundColor(gfx::Color::white());
    auto self = std::static_pointer_cast<MainCategoryMenu>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    m_container->addSubview(m_table);

    auto bottom = View::create<ui::ImageView>(ui::BundleImage::named("main_chaptermenu_bottom.png"));
    bottom->setFrame({0, m_table->frame().maxY(), cw, 37});
    if (bottom->image().isNull())
        bottom->setBackgroundColor(gfx::Color::fromRGB255(200, 206, 214));
    bottom->setUserInteractionEnabled(true);
    bottom->setAutoresizingMask(ui::FlexibleTopMargin | ui::FlexibleWidth);
    m_container->addSubview(bottom);
    m_txtAddCategory = View::create<ui::TextField>(gfx::Rect(5, 5, cw - 65, 27));
    m_txtAddCategory->setBorderStyle(ui::TextBorderStyle::None);
    m_txtAddCategory->setFont(gfx::Font::systemFont(12));
    m_txtAddCategory->setDelegate(std::static_pointer_cast<ui::TextFieldDelegate>(self));
    m_txtAddCategory->clearButtonMode = ui::TextFieldViewMode::WhileEditing;
    m_txtAddCategory->setPlaceholder(" 输入分类名称");
    m_txtAddCategory->setBackgroundColor(gfx::Color::white());
    m_txtAddCategory->returnKeyType = ui::ReturnKeyType::Done;
    bottom->addSubview(m_txtAddCategory);
    m_btnAddCategory = genBtnItem({m_txtAddCategory->frame().maxX() + 9, 5, 45, 27}, "main_chaptermenu_btnAdd.png");
    m_btnAddCategory->setTitleColor(gfx::Color::white());
    m_btnAddCategory->addTarget(act(&MainCategoryMenu::addCategory), ui::ControlEventTouchUpInside);
    bottom->addSubview(m_btnAddCategory);

    setHidden(true);
    m_hasGenMenu = true;
}

void MainCategoryMenu::genMenuAndShow(bool prepareMoveBooks, bool enableEdit) {
    m_isPrepareMoveBooks = prepareMoveBooks;
    m_editingEnable = enableEdit;
    getAllCategories();
    if (!m_hasGenMenu)
        buildPanel();
    showWithAnimate();
}

void MainCategoryMenu::showWithAnimate() {
    ++m_showGeneration;
    for (ui::View* v : {static_cast<ui::View*>(m_btnBeginEdit.get()), static_cast<ui::View*>(m_btnAddCategory.get()),
                        static_cast<ui::View*>(m_txtAddCategory.get())})
        v->setHidden(!m_editingEnable);
    m_isEditing = false;
    setEditImage(kEditImage);
    m_table->setEditing(false, false);
    m_table->reloadData();
    performWithoutAnimation([this] {
        setHidden(false);
        setAlpha(0);
    });
    animate(0.2, [this] { setAlpha(1); });
}

void MainCategoryMenu::close() {
    didAddCategory();
    std::weak_ptr<View> weak = weak_from_this();
    const uint64_t generation = m_showGeneration;
    animate(
        0.2, [this] { setAlpha(0); },
        [weak, generation](bool) {
            auto self = std::static_pointer_cast<MainCategoryMenu>(weak.lock());
            if (self && self->m_showGeneration == generation)
                self->setHidden(true);
        });
}

std::shared_ptr<ui::TableViewCell> MainCategoryMenu::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell(kCellIdentifier);
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kCellIdentifier);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
        cell->setFrame({0, 0, table.bounds().width(), table.rowHeight});
        cell->contentView().setFrame(cell->bounds());
        auto row = MainCategoryCell::create(cell->bounds());
        row->setDelegate(this);
        cell->contentView().addSubview(row);
    }
    MainCategoryCell* row = categoryRowViewOf(*cell);
    if (!row || ip.row < 0 || ip.row >= static_cast<int64_t>(m_allCategories.size()))
        return cell;
    const CategoryRecord& c = m_allCategories[static_cast<size_t>(ip.row)];
    row->reset();
    row->setIndexPath(ip);
    row->txtName()->setText(c.cname);
    row->setOrgName(c.cname);
    row->setCategoryId(c.cid);
    if (ip.row != 0)
        row->canEdit(m_isEditing);
    return cell;
}

MainCategoryCell* MainCategoryMenu::rowView(int row) const {
    if (!m_table)
        return nullptr;
    ui::TableViewCell* cell = m_table->cellForRow({0, row});
    return cell ? categoryRowViewOf(*cell) : nullptr;
}

void MainCategoryMenu::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(m_allCategories.size()))
        return;
    const int64_t cid = m_allCategories[static_cast<size_t>(ip.row)].cid;
    if (m_isPrepareMoveBooks) {
        if (m_delegate)
            m_delegate->categoryChooseWithId(cid);
        close();
    } else {
        close();
        if (m_delegate)
            m_delegate->scrollToCategory(cid, static_cast<int>(ip.row));
    }
    table.deselectRow(ip, true);
}

ui::TableViewCellEditingStyle MainCategoryMenu::editingStyleForRow(ui::TableView&, const ui::IndexPath& ip) {
    return ip.row != 0 && m_editingEnable ? ui::TableViewCellEditingStyle::Delete : ui::TableViewCellEditingStyle::None;
}

void MainCategoryMenu::commitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle style,
                                          const ui::IndexPath& ip) {
    if (style == ui::TableViewCellEditingStyle::Delete)
        deleteRow(static_cast<int>(ip.row));
}

void MainCategoryMenu::deleteRow(int row) {
    if (!m_editingEnable || row <= 0 || row >= static_cast<int>(m_allCategories.size()))
        return;
    const int64_t cid = m_allCategories[static_cast<size_t>(row)].cid;
    if (cid < 0)
        return;
    if (!ShelfCategoryEdits::deleteCategory(cid))
        return;
    m_allCategories.erase(m_allCategories.begin() + row);
    if (m_table)
        m_table->deleteRows({{0, row}}, true);
    core::NotificationCenter::defaultCenter().post(shelfnote::CategoryAndBookReload);
}

void MainCategoryMenu::switchEditMode() {
    didAddCategory();
    m_isEditing = !m_isEditing;
    m_btnClose->setEnabled(true);
    m_table->setEditing(m_isEditing, true);
    setEditImage(m_isEditing ? kEditingImage : kEditImage);
    for (const ui::IndexPath& ip : m_table->indexPathsForVisibleRows()) {
        MainCategoryCell* row = rowView(static_cast<int>(ip.row));
        if (!row || row->categoryId() == -1 || ip.row >= static_cast<int64_t>(m_allCategories.size()))
            continue;
        row->canEdit(m_isEditing);
        row->txtName()->setText(m_allCategories[static_cast<size_t>(ip.row)].cname);
    }
}

void MainCategoryMenu::addCategory() {
    if (!m_editingEnable)
        return;
    const std::string text = m_txtAddCategory->text();
    if (!text.empty()) {
        ShelfCategoryEdits::addCategory(text);
        m_txtAddCategory->setText("");
        getAllCategories();
        m_table->reloadData();
        core::NotificationCenter::defaultCenter().post(shelfnote::CategoryUpdate);
    }
    if (!m_allCategories.empty())
        m_table->scrollToRow({0, static_cast<int64_t>(m_allCategories.size()) - 1}, ui::TableViewScrollPosition::Middle,
                             false);
    didAddCategory();
}

bool MainCategoryMenu::textFieldShouldReturn(ui::TextField&) {
    addCategory();
    return true;
}

void MainCategoryMenu::didAddCategory() {
    if (!m_hasGenMenu)
        return;
    m_txtAddCategory->resignFirstResponder();
    m_txtAddCategory->setText("");
    if (!m_tablet)
        returnPanelToPlace();
    for (const ui::IndexPath& ip : m_table->indexPathsForVisibleRows())
        if (MainCategoryCell* row = rowView(static_cast<int>(ip.row)))
            row->txtName()->resignFirstResponder();
}

void MainCategoryMenu::returnPanelToPlace() {
    const gfx::Rect place = panelFrame(bounds(), false);
    if (m_container->frame() == place)
        return;
    ui::View* panel = m_container.get();
    animate(0.25, [panel, place] { panel->setFrame(place); });
}

void MainCategoryMenu::beginEditingCategoryName(ui::TextField&, const ui::IndexPath& ip) {
    m_btnClose->setEnabled(false);
    if (m_tablet)
        return;
    m_opType = 2;
    std::weak_ptr<View> weak = weak_from_this();
    core::RunLoop::main().postAfter(0.5, [weak, ip] {
        if (auto self = std::static_pointer_cast<MainCategoryMenu>(weak.lock()))
            self->scrollCell(ip);
    });
}

void MainCategoryMenu::scrollCell(const ui::IndexPath& ip) {
    if (m_table && ip.row < m_table->numberOfRows(0))
        m_table->scrollToRow(ip, ui::TableViewScrollPosition::Middle, true);
}

void MainCategoryMenu::returnKeyClick(ui::TextField& field, bool hasChanged, int64_t categoryId) {
    m_btnClose->setEnabled(true);
    if (hasChanged) {
        std::string stored;
        for (const CategoryRecord& c : m_allCategories)
            if (c.cid == categoryId)
                stored = c.cname;
        ShelfCategoryEdits::renameCategory(field.text(), categoryId, stored);
        getAllCategories();
        m_table->reloadData();
        core::NotificationCenter::defaultCenter().post(shelfnote::CategoryUpdate);
    } else {
        m_table->reloadData();
    }
    if (!m_tablet)
        returnPanelToPlace();
}

void MainCategoryMenu::keyboardWillShowNotification(const core::Notification& n) {
    if (m_tablet || !m_container)
        return;
    const double kh = n.payload["frameEnd"]["height"].asDouble().value_or(0);
    gfx::Rect target = m_container->frame();
    if (m_opType == 1) {
        target.origin.y -= kh;
    } else if (m_opType == 2) {
        target.origin.y = 2;
        target.size.height = bounds().height() - kh + 35;
    } else {
        return;
    }
    m_opType = 0;
    ui::View* panel = m_container.get();
    ui::BlockAnimationOptions options;
    options.duration = 0.25;
    options.curve = ui::TimingFunction::EaseInOut;
    animate(options, [panel, target] { panel->setFrame(target); });
}

} // namespace pw

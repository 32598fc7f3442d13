#include "account/RZSettingTableController.h"

#include "foundation/config/RZConfig.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/util/Utils.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"

namespace pw {

namespace {
constexpr int kSettingContainerTag = 1001;
constexpr int kThemeList = 3;
} // namespace

RZSettingTableController::~RZSettingTableController() {
    m_scroll.cancel();
}

void RZSettingTableController::viewDidLoad() {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, true);
    auto v = view();
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Grouped);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->rowHeight = 42;
    auto self = std::static_pointer_cast<RZSettingTableController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
    v->addSubview(m_table);
    if (m_lstIndexPath) {
        std::weak_ptr<RZSettingTableController> weak = self;
        m_scroll = core::RunLoop::current().postAfter(kScrollDelay, [weak] {
            if (auto s = weak.lock())
                s->scrollToPos();
        });
    }
}

bool RZSettingTableController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void RZSettingTableController::scrollToPos() {
    if (m_table && m_lstIndexPath && m_lstIndexPath->row < static_cast<int64_t>(m_arrMenuValues.size()))
        m_table->scrollToRow(*m_lstIndexPath, ui::TableViewScrollPosition::Middle, true);
}

std::shared_ptr<ui::TableViewCell> RZSettingTableController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell("Cell");
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, "Cell");
        auto container = ui::View::create(cell->contentView().bounds());
        container->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        container->setTag(kSettingContainerTag);
        cell->contentView().addSubview(container);
    }
    ui::View* container = nullptr;
    for (const auto& v : cell->contentView().subviews())
        if (v->tag() == kSettingContainerTag)
            container = v.get();
    cell->accessoryType = m_lstIndexPath && *m_lstIndexPath == ip ? ui::TableViewCellAccessory::Checkmark
                                                                  : ui::TableViewCellAccessory::None;
    if (!container)
        return cell;
    while (!container->subviews().empty())
        container->subviews().back()->removeFromSuperview();
    const size_t row = static_cast<size_t>(ip.row);
    const std::string text = row < m_arrMenuTitles.size() ? m_arrMenuTitles[row] : std::string();
    gfx::Rect labelFrame(10, 6, 160, 30);
    if (m_setType == kThemeList && row < m_arrMenuValues.size()) {
        auto picture = ui::View::create<ui::ImageView>(gfx::Rect(15, 2, 36, 36));
        picture->setImage(ui::BundleImage::named(std::to_string(static_cast<int>(m_arrMenuValues[row])) + ".png"));
        container->addSubview(picture);
        labelFrame = gfx::Rect(75, 6, 140, 30);
    }
    auto label = ui::View::create<ui::Label>(labelFrame);
    label->setFont(gfx::Font::boldSystemFont(14));
    label->setBackgroundColor(gfx::Color::clear());
    label->setText(text);
    container->addSubview(label);
    return cell;
}

void RZSettingTableController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    if (m_lstIndexPath)
        if (auto* old = table.cellForRow(*m_lstIndexPath))
            old->accessoryType = ui::TableViewCellAccessory::None;
    if (auto* chosen = table.cellForRow(ip))
        chosen->accessoryType = ui::TableViewCellAccessory::Checkmark;
    table.deselectRow(ip, true);
    m_lstIndexPath = ip;
    cellSelected(ip);
    table.scrollToRow(ip, ui::TableViewScrollPosition::Middle, true);
}

void RZSettingTableController::cellSelected(const ui::IndexPath& ip) {
    if (!m_rzConfig)
        return;
    const size_t row = static_cast<size_t>(ip.row);
    if (ip.row >= 0 && row < m_arrMenuValues.size()) {
        const double value = m_arrMenuValues[row];
        switch (m_setType) {
        case 0:
            m_rzConfig->setReadingFont(value);
            break;
        case 1:
            m_rzConfig->setPageTurningType(static_cast<int>(value));
            break;
        case 2:
            m_rzConfig->setAutoScrollSpeed(static_cast<int>(value));
            break;
        case 3: {
            const auto o = interfaceOrientation();
            m_rzConfig->setPageBgImageColorTag(static_cast<int>(value),
                                               o == device::Orientation::Portrait ||
                                                   o == device::Orientation::PortraitUpsideDown);
            break;
        }
        case 4:
            m_rzConfig->setLineSpace(static_cast<float>(value));
            break;
        default:
            break;
        }
    }
    m_rzConfig->saveConfig();
}

} // namespace pw

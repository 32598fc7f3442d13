// Screens laid out for their window at both sizes: a controller's view has
// its container's size before it builds its controls, whatever way it comes
// on screen; table rows show their accessories and editing controls above
// their own backgrounds; section titles wrap.
#include "UiTestSupport.h"

#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TableView.h"

namespace pw::ui::test {
namespace {

using gfx::Rect;

// Builds a centred control from the width its view has when it loads, as
// the screens do; the view starts at the old 320-point size.
class WidthScreen : public ViewController {
public:
    double widthAtLoad = 0;
    std::shared_ptr<View> field;
    void loadView() override { setView(View::create(Rect(0, 0, 320, 460))); }
    void viewDidLoad() override {
        widthAtLoad = view()->bounds().width();
        field = View::create(Rect(100, 20, widthAtLoad - 200, 31));
        field->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
        view()->addSubview(field);
    }
};

class LayoutTest : public UiTest {
protected:
    // A fresh window of the given size, the device's screen with it.
    void useScreen(double w, double h) {
        m_window.reset();
        Application::shared().reset();
        device::Device::current().setScreen({w, h, 1});
        m_window = View::create<Window>(Rect(0, 0, w, h));
        m_window->makeKeyAndVisible();
    }
};

TEST_F(LayoutTest, AScreensViewHasItsContainersWidthBeforeItBuildsControls) {
    enum class Way { Push, Root, Tab, TabStack, Modal, PresentedStack };
    struct Case {
        const char* what;
        Way way;
    };
    const Case cases[] = {{"pushed", Way::Push},        {"root of a stack", Way::Root},
                          {"a tab", Way::Tab},          {"pushed on a tab's stack", Way::TabStack},
                          {"presented", Way::Modal},    {"pushed on a presented stack", Way::PresentedStack}};
    for (const auto& [w, h] : {std::pair{768.0, 1024.0}, std::pair{320.0, 480.0}})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " at width " + std::to_string(w));
            useScreen(w, h);
            auto screen = ViewController::create<WidthScreen>();
            auto root = ViewController::create();
            std::shared_ptr<ViewController> keep;
            switch (c.way) {
            case Way::Push: {
                auto nav = ViewController::create<NavigationController>(root);
                m_window->setRootViewController(nav);
                nav->pushViewController(screen, false);
                keep = nav;
                break;
            }
            case Way::Root:
                m_window->setRootViewController(ViewController::create<NavigationController>(screen));
                break;
            case Way::Tab:
            case Way::TabStack: {
                auto tabs = ViewController::create<TabBarController>();
                auto nav = ViewController::create<NavigationController>(c.way == Way::Tab ? screen : root);
                tabs->setViewControllers({nav, ViewController::create()});
                m_window->setRootViewController(tabs);
                if (c.way == Way::TabStack)
                    nav->pushViewController(screen, false);
                break;
            }
            case Way::Modal:
            case Way::PresentedStack: {
                auto nav = ViewController::create<NavigationController>(root);
                m_window->setRootViewController(nav);
                if (c.way == Way::Modal) {
                    root->presentViewController(screen, false);
                } else {
                    auto store = ViewController::create<NavigationController>(ViewController::create());
                    root->presentViewController(store, false);
                    store->pushViewController(screen, false);
                }
                break;
            }
            }
            settle();
            EXPECT_EQ(screen->widthAtLoad, w);
            EXPECT_EQ(screen->field->frame().x(), 100);
            EXPECT_EQ(screen->field->frame().width(), w - 200);
            m_window->setRootViewController(nullptr);
        }
}

// A data source of three rows, every row deletable, with a background that
// covers the whole row as the store's cells have.
struct LayoutRows : TableViewDataSource, TableViewDelegate {
    std::vector<std::string> names{"一", "二", "三"};
    TableViewCellAccessory accessory = TableViewCellAccessory::DisclosureIndicator;
    std::string title;
    int64_t numberOfRows(TableView&, int64_t) override { return static_cast<int64_t>(names.size()); }
    std::shared_ptr<TableViewCell> cellForRow(TableView&, const IndexPath& ip) override {
        auto cell = TableViewCell::create(TableViewCellStyle::Default, "row");
        auto back = View::create();
        back->setBackgroundColor(gfx::Color::fromRGB255(250, 250, 240));
        cell->setBackgroundView(back);
        cell->textLabel().setText(names[static_cast<size_t>(ip.row)]);
        cell->accessoryType = accessory;
        return cell;
    }
    std::string titleForHeader(TableView&, int64_t) override { return title; }
    void commitEditingStyle(TableView& t, TableViewCellEditingStyle, const IndexPath& ip) override {
        names.erase(names.begin() + ip.row);
        t.reloadData();
    }
    std::string titleForDeleteConfirmation(TableView&, const IndexPath&) override { return "删除"; }
};

// True when some pixel of the box is far from the row's pale background and from white.
bool inkIn(const gfx::Image& img, Rect box) {
    for (double y = box.y(); y < box.maxY(); ++y)
        for (double x = box.x(); x < box.maxX(); ++x) {
            const auto c = img.pixelAt(static_cast<int>(x), static_cast<int>(y));
            if (c.r < 180 || c.g < 180 || c.b < 150)
                return true;
        }
    return false;
}

TEST_F(LayoutTest, RowAccessoriesShowAboveTheRowsBackground) {
    for (const double w : {768.0, 320.0}) {
        SCOPED_TRACE(w);
        useScreen(w, w == 768 ? 1024 : 480);
        auto rows = std::make_shared<LayoutRows>();
        auto table = TableView::create(Rect(0, 0, w, 300));
        table->setDataSource(rows);
        table->setTableDelegate(rows);
        m_window->addSubview(table);
        table->layoutIfNeeded();
        auto* cell = table->cellForRow({0, 0});
        ASSERT_TRUE(cell);
        cell->layoutIfNeeded();
        ASSERT_TRUE(cell->accessoryIndicator());
        EXPECT_EQ(cell->accessoryIndicator()->frame().maxX(), w);
        EXPECT_LE(cell->contentView().frame().maxX(), cell->accessoryIndicator()->frame().x());
        auto picture = renderScreen();
        EXPECT_TRUE(inkIn(picture, Rect(w - 30, 5, 30, 34))) << "no arrow drawn at the row's right";
        // A kind set later shows at once; none takes the indicator away.
        cell->accessoryType = TableViewCellAccessory::None;
        EXPECT_FALSE(cell->accessoryIndicator());
        cell->accessoryType = TableViewCellAccessory::Checkmark;
        ASSERT_TRUE(cell->accessoryIndicator());
        table->removeFromSuperview();
    }
}

TEST_F(LayoutTest, EditingRowsShowDeleteControlsThatAskThenDelete) {
    for (const double w : {768.0, 320.0}) {
        SCOPED_TRACE(w);
        useScreen(w, w == 768 ? 1024 : 480);
        auto rows = std::make_shared<LayoutRows>();
        auto table = TableView::create(Rect(0, 0, w, 300));
        table->setDataSource(rows);
        table->setTableDelegate(rows);
        m_window->addSubview(table);
        table->layoutIfNeeded();
        table->setEditing(true, false);
        settle();
        auto* cell = table->cellForRow({0, 1});
        ASSERT_TRUE(cell && cell->editingControl());
        cell->layoutIfNeeded();
        EXPECT_FALSE(cell->accessoryIndicator()) << "editing rows hide their accessory";
        auto picture = renderScreen();
        // The disc, above the white bar across its middle.
        const auto red = picture.pixelAt(19, 44 + 15);
        EXPECT_GT(red.r, 180);
        EXPECT_LT(red.g, 80);
        // A tap in the gutter asks; a second tap takes the question back.
        tap({19, 66});
        settle();
        ASSERT_TRUE(cell->showingDeleteConfirmation());
        EXPECT_EQ(cell->deleteConfirmationButton()->currentTitle(), "删除");
        tap({19, 66});
        settle();
        EXPECT_FALSE(cell->showingDeleteConfirmation());
        EXPECT_TRUE(cell->isEditing());
        // Asked again, the confirmation deletes the row.
        tap({19, 66});
        settle();
        ASSERT_TRUE(cell->showingDeleteConfirmation());
        tapView(cell->deleteConfirmationButton());
        settle();
        EXPECT_EQ(rows->names, (std::vector<std::string>{"一", "三"}));
        table->removeFromSuperview();
    }
}

TEST_F(LayoutTest, SectionTitlesWrapOverTheLinesTheyNeed) {
    const std::string longTitle = "手机和 PC 需在同一个局域网内，文件上传时请保持屏幕打开";
    struct Case {
        double width;
        std::string title;
        bool wraps;
    };
    const Case cases[] = {{320, longTitle, true}, {768, longTitle, false}, {320, "轻击导入书籍", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + " at " + std::to_string(c.width));
        auto rows = std::make_shared<LayoutRows>();
        rows->title = c.title;
        auto table = TableView::create(Rect(0, 0, c.width, 400), TableViewStyle::Grouped);
        table->setDataSource(rows);
        table->setTableDelegate(rows);
        m_window->addSubview(table);
        table->layoutIfNeeded();
        const Rect header = table->rectForHeaderInSection(0);
        EXPECT_EQ(header.height() > 36, c.wraps);
        // The label shows the whole title in the header's height.
        Label* label = nullptr;
        for (auto& v : table->subviews())
            if (auto* l = dynamic_cast<Label*>(v.get()); l && l->text() == c.title)
                label = l;
        ASSERT_TRUE(label);
        EXPECT_GE(label->frame().height() + 1, label->sizeThatFits({label->frame().width(), 10000}).height);
        EXPECT_EQ(table->rectForRow({0, 0}).y(), header.maxY());
        table->removeFromSuperview();
    }
}

} // namespace
} // namespace pw::ui::test

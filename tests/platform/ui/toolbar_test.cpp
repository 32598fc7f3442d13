#include "platform/ui/UiTestSupport.h"

#include "platform/ui/Toolbar.h"

namespace pw::ui {
namespace {

using gfx::Rect;

class ToolbarTest : public test::UiTest {};

TEST_F(ToolbarTest, ItemsStandInSlotsAndFlexibleSpacesShareTheRest) {
    using S = Toolbar::Slot;
    const struct {
        std::vector<S> slots;
        std::vector<double> xs;
        std::vector<double> widths;
    } cases[] = {
        {{{50, false}}, {6}, {50}},
        {{{50, false}, {60, false}}, {6, 66}, {50, 60}},                      // a gap between touching items
        {{{50, false}, {0, true}, {60, false}}, {6, 56, 254}, {50, 198, 60}}, // pushed to both ends
        {{{0, true}, {50, false}, {0, true}}, {6, 135, 185}, {129, 50, 129}}, // centred
        {{{50, false}, {20, false}, {0, true}}, {6, 66, 86}, {50, 20, 228}},
        {{{400, false}, {0, true}}, {6, 406}, {400, 0}}, // no room: the space shrinks to 0
    };
    for (const auto& c : cases) {
        const auto frames = Toolbar::layoutSlots({320, 44}, c.slots);
        ASSERT_EQ(frames.size(), c.xs.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].x(), c.xs[i]) << i;
            EXPECT_EQ(frames[i].width(), c.widths[i]) << i;
        }
    }
}

TEST_F(ToolbarTest, ButtonsActAndTheBarDrawsItsTint) {
    auto bar = View::create<Toolbar>(Rect(0, 436, 320, 44));
    m_window->addSubview(bar);
    int edits = 0, done = 0;
    auto edit = BarButtonItem::withTitle("编辑", [&] { ++edits; });
    edit->width = 60;
    auto finish = BarButtonItem::withTitle(
        "完成", [&] { ++done; }, BarButtonItemStyle::Done);
    finish->width = 60;
    bar->setItems({edit, BarButtonItem::withFlexibleSpace(), finish});
    bar->layoutIfNeeded();
    ASSERT_EQ(bar->itemViews().size(), 3u);
    EXPECT_EQ(bar->itemViews()[1], nullptr);
    EXPECT_EQ(bar->itemViews()[0]->frame(), Rect(6, 7, 60, 30));
    EXPECT_EQ(bar->itemViews()[2]->frame(), Rect(254, 7, 60, 30));
    tapView(bar->itemViews()[2].get());
    tapView(bar->itemViews()[0].get());
    EXPECT_EQ(done, 1);
    EXPECT_EQ(edits, 1);
    auto img = renderScreen();
    // The default tint, darker in the lower half, under the gap between the buttons.
    const gfx::Pixel lower = img.pixelAt(160, 470);
    EXPECT_NEAR(lower.r, 120, 3);
    EXPECT_NEAR(lower.g, 141, 3);
    EXPECT_NEAR(lower.b, 169, 3);
    EXPECT_GT(img.pixelAt(160, 440).r, lower.r + 20);
    // Replacing the items takes the old buttons away.
    bar->setItems({BarButtonItem::withFixedSpace(20), edit});
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->subviews().size(), 1u);
    EXPECT_EQ(bar->itemViews()[1]->frame().x(), 26);
}

} // namespace
} // namespace pw::ui

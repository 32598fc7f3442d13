#include "platform/ui/UiTestSupport.h"

#include "WidgetPictures.h"
#include "foundation/widgets/HorizontalPickerView.h"

namespace pw {
namespace {

using gfx::Rect;

struct PickerListener : HorizontalPickerDelegate {
    std::vector<core::Value> values;
    void selectedValue(const core::Value& v, HorizontalPickerView&) override { values.push_back(v); }
};

class HorizontalPickerTest : public ui::test::UiTest {
protected:
    std::shared_ptr<HorizontalPickerView> makePicker(int cellWidth, std::vector<std::string> names) {
        auto p = HorizontalPickerView::initWithFrame({10, 100, 300, 40});
        m_window->addSubview(p);
        p->setFontSize(13);
        if (cellWidth > 0)
            p->setCellWidth(cellWidth);
        p->setNamesWithArray(names);
        p->setPickerDelegate(m_listener);
        return p;
    }
    std::shared_ptr<PickerListener> m_listener = std::make_shared<PickerListener>();
};

TEST_F(HorizontalPickerTest, Geometry) {
    EXPECT_EQ(HorizontalPickerView::leftMarginFor(300, 100), 100);
    EXPECT_EQ(HorizontalPickerView::contentWidthFor(100, 4, 100), 600);
    EXPECT_EQ(HorizontalPickerView::leftMarginFor(300, 75), 112.5);
    const struct {
        int index;
        double leftMargin;
        int cw;
        double offset;
    } snaps[] = {{2, 112.5, 75, 150}, {0, 112.5, 75, 0}, {0, 100, 100, 0}, {3, 100, 100, 300}, {1, 110, 81, 82}};
    for (const auto& s : snaps)
        EXPECT_EQ(HorizontalPickerView::snapOffsetFor(s.index, s.leftMargin, s.cw, 300), s.offset) << s.index;
    // Cells 75 wide from 112.5: the centre line (150 from the offset) picks a cell as
    // soon as its left edge reaches it.
    const struct {
        double x;
        int index;
    } unders[] = {{0, 0}, {-100, 0}, {37.4, 0}, {37.5, 1}, {187.5, 3}, {187.4, 2}, {1000, 4}};
    for (const auto& u : unders)
        EXPECT_EQ(HorizontalPickerView::indexUnderCentre(u.x, 300, 112.5, 75, 5), u.index) << u.x;
    EXPECT_EQ(HorizontalPickerView::indexUnderCentre(0, 300, 100, 100, 0), 0);
}

TEST_F(HorizontalPickerTest, BuildsItsCellsOnceWithTheDefaultWidth) {
    auto p = makePicker(-1, {"全部", "免费", "VIP", "完本"});
    EXPECT_EQ(p->cellWidth(), 100);
    EXPECT_EQ(p->leftMargin(), 100);
    EXPECT_EQ(p->scroll().contentSize().width, 600);
    ASSERT_EQ(p->arrButtons().size(), 4u);
    EXPECT_EQ(p->arrButtons()[1]->frame(), Rect(200, 3, 100, 34));
    EXPECT_EQ(p->topPointer().frame(), Rect(141, -19.5, 18, 35));
    EXPECT_EQ(p->bottomPointer().frame(), Rect(141, 24.5, 18, 35));
    EXPECT_EQ(p->layer()->cornerRadius(), 10);
    EXPECT_EQ(p->dropshadowLayer().frame(), Rect(1, 1, 298, 38));
    p->setNamesWithArray({"一", "二", "三", "四", "五", "六"});
    EXPECT_EQ(p->arrButtons().size(), 4u);
    EXPECT_EQ(p->arrButtons()[3]->currentTitle(), "四");
    EXPECT_EQ(p->getSeletedValue(), core::Value("一"));
}

TEST_F(HorizontalPickerTest, TapsSelectAndTellTheDelegateTheValue) {
    auto p = makePicker(75, {"a", "b", "c", "d", "e"});
    tapView(p->arrButtons()[1].get());
    settle();
    EXPECT_EQ(p->currentIndex(), 1);
    EXPECT_EQ(p->scroll().contentOffset().x, 75);
    ASSERT_EQ(m_listener->values.size(), 1u);
    EXPECT_EQ(m_listener->values[0], core::Value("b")); // no values: the title
    p->setValuesWithArray({core::Value(10), core::Value(20), core::Value(30), core::Value(40), core::Value(50)});
    EXPECT_EQ(p->getSeletedValue(), core::Value(20));
    tapView(p->arrButtons()[2].get());
    settle();
    EXPECT_EQ(p->scroll().contentOffset().x, 150);
    EXPECT_EQ(m_listener->values.back(), core::Value(30));
    // Values shorter than the cells answer none rather than reading past their end.
    p->setValuesWithArray({core::Value(1)});
    EXPECT_EQ(p->getSeletedValue(), std::nullopt);
}

TEST_F(HorizontalPickerTest, SelectingKeepsTheIndexButTheCentreStaysOnACell) {
    auto p = makePicker(75, {"a", "b", "c", "d", "e"});
    const struct { int asked, chosen; } cases[] = {{2, 2}, {-3, 0}, {99, 4}, {4, 4}};
    for (const auto& c : cases) {
        p->selectItemAtIndex(c.asked);
        settle();
        EXPECT_EQ(p->currentIndex(), c.asked) << c.asked;
        EXPECT_EQ(p->getCurrentIndexTemp(), c.chosen) << c.asked;
        EXPECT_EQ(p->getSeletedValue(), core::Value(std::string(1, static_cast<char>('a' + c.chosen)))) << c.asked;
    }
    EXPECT_TRUE(m_listener->values.empty());
    auto empty = HorizontalPickerView::initWithFrame({0, 0, 300, 40});
    empty->selectItemAtIndex(3);
    EXPECT_EQ(empty->currentIndex(), 3);
    EXPECT_EQ(empty->getCurrentIndexTemp(), 0);
    EXPECT_EQ(empty->getSeletedValue(), std::nullopt);
}

TEST_F(HorizontalPickerTest, ADragSnapsTheCellUnderTheCentreToTheMiddle) {
    auto p = makePicker(75, {"a", "b", "c", "d", "e"});
    // Left edges at 112.5 + 75 i in the row; the centre line is 150 from the offset.
    const struct {
        double from, to;
        int index;
    } drags[] = {{160, 80, 2}, {160, 130, 1}, {305, 15, 4}, {15, 305, 0}};
    for (const auto& d : drags) {
        p->scroll().setContentOffset({75, 0});
        // A slow drag that rests before letting go: no flick.
        drag({d.from, 120}, {d.to, 120}, 1.0, 20, false);
        advance(0.2);
        touch(1, ui::TouchPhase::Moved, {d.to, 120});
        touch(1, ui::TouchPhase::Ended, {d.to, 120});
        settle();
        EXPECT_EQ(p->currentIndex(), d.index) << d.from << "->" << d.to;
        EXPECT_EQ(p->scroll().contentOffset().x, HorizontalPickerView::snapOffsetFor(d.index, 112.5, 75, 300));
        EXPECT_EQ(p->getSeletedValue(), core::Value(std::string(1, static_cast<char>('a' + d.index))));
    }
    EXPECT_TRUE(m_listener->values.empty()); // only taps tell the delegate
}

TEST_F(HorizontalPickerTest, ReLayoutRecentresForTheNewWidth) {
    auto p = makePicker(100, {"a", "b", "c"});
    p->selectItemAtIndex(1);
    settle();
    p->setFrame({0, 100, 400, 40});
    p->reLayout();
    EXPECT_EQ(p->leftMargin(), 150);
    EXPECT_EQ(p->arrButtons()[2]->frame().x(), 350);
    settle();
    EXPECT_EQ(p->scroll().contentOffset().x, 100);
    p->layoutIfNeeded();
    EXPECT_EQ(p->gradientLayer().frame(), Rect(1, 1, 398, 38));
}

TEST_F(HorizontalPickerTest, RendersTheMarkerAndTheShadedEdges) {
    m_window->setBackgroundColor(gfx::Color::white());
    auto p = makePicker(75, {"全部", "免费", "VIP", "完本", "连载"});
    p->setBackgroundColor(gfx::Color::white());
    p->selectItemAtIndex(2);
    settle();
    const gfx::Image img = renderScreen();
    test::keepWidgetPicture(img, "horizontal_picker");
    auto lum = [&](int x, int y) {
        const gfx::Pixel px = img.pixelAt(x, y);
        return px.r + px.g + px.b;
    };
    // The drum: dark at the ends, light in the middle, top and bottom darker than the centre row.
    EXPECT_LT(lum(14, 120), lum(60, 120) - 60);
    EXPECT_LT(lum(305, 120), lum(260, 120) - 60);
    EXPECT_LT(lum(120, 104), lum(120, 120) - 30);
    // The marker's tabs: bluish at the middle of the top and bottom edges only.
    auto bluish = [](gfx::Pixel p) { return p.b > p.r + 8; };
    EXPECT_GT(countPixels(img, {152, 104, 16, 10}, bluish), 40);
    EXPECT_GT(countPixels(img, {152, 126, 16, 10}, bluish), 40);
    EXPECT_EQ(countPixels(img, {40, 104, 16, 10}, bluish), 0);
    // The selected title sits in the middle cell, under the marker.
    auto ink = [](gfx::Pixel p) { return p.r < 90 && p.g < 90 && p.b < 90; };
    EXPECT_GT(countPixels(img, {135, 110, 50, 20}, ink), 10);
}

} // namespace
} // namespace pw

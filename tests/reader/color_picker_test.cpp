#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "reader/ColorPickerBox.h"
#include "reader/ColorPickerBoxDelegate.h"
#include "reader/ColorPickerMapping.h"
#include "reader/ColorPickerView.h"

namespace pw {
namespace {

// A picker of 300 x 205: allArea (10, 10, 280, 185), grid (20, 20, 220, 165),
// strip (250, 20, 40, 165).
const gfx::Rect kBounds{0, 0, 300, 205};

TEST(ColorPickerMapping, Areas) {
    const auto a = colorPickerAreas(kBounds);
    EXPECT_EQ(a.all, gfx::Rect(10, 10, 280, 185));
    EXPECT_EQ(a.left, gfx::Rect(20, 20, 220, 165));
    EXPECT_EQ(a.right, gfx::Rect(250, 20, 40, 165));
    EXPECT_EQ(a.right.maxX(), a.all.maxX());
}

TEST(ColorPickerMapping, TouchesToColours) {
    const auto a = colorPickerAreas(kBounds);
    struct Case {
        gfx::Point p;
        bool picked;
        bool fromStrip;
        double hue, saturation, brightness;
    };
    const double cellW = 220.0 / 21, cellH = 165.0 / 21, stripCell = 165.0 / 31;
    const Case cases[] = {
        {{5, 5}, false},                    // outside the touch area
        {{245, 100}, false},                // the gap between grid and strip
        {{20, 20}, true, false, 0.6, 0, 0}, // top-left: black
        {{20 + 3.5 * cellW, 20 + 7.5 * cellH}, true, false, 0.6, 0.15, 0.35},
        {{239.9, 184.9}, true, false, 0.6, 1, 1}, // last column and row
        {{260, 20}, true, true, 0, 1, 1},         // top of the strip: red
        {{260, 20 + 15.5 * stripCell}, true, true, 0.5, 1, 1},
        {{260, 184.99}, true, true, 1, 1, 1}, // bottom edge: capped at 1
    };
    for (const auto& c : cases) {
        const auto t = colorPickerTouch(a, c.p, 0.6);
        ASSERT_EQ(t.has_value(), c.picked) << c.p.x << "," << c.p.y;
        if (!t)
            continue;
        EXPECT_EQ(t->fromStrip, c.fromStrip);
        EXPECT_NEAR(t->hsb.hue, c.hue, 1e-9) << c.p.x << "," << c.p.y;
        EXPECT_NEAR(t->hsb.saturation, c.saturation, 1e-9);
        EXPECT_NEAR(t->hsb.brightness, c.brightness, 1e-9);
    }
}

struct Recorder : ColorPickerBoxDelegate {
    std::vector<std::string> calls;
    void colorPicking(const gfx::Color&) override { calls.push_back("picking"); }
    void colorPickCancel(const gfx::Color& bg, const gfx::Color&, bool image, int tag) override {
        calls.push_back("cancel " + std::to_string(image) + " " + std::to_string(tag));
        EXPECT_EQ(bg, gfx::Color::fromRGB255(1, 2, 3));
    }
    void colorPickConfirm(const gfx::Color&) override { calls.push_back("confirm"); }
    void pickedPresetBackgroundColor(const gfx::Color& bg, const gfx::Color&) override {
        calls.push_back(bg == gfx::Color::fromRGB255(251, 240, 218) ? "picked smooth" : "picked other");
    }
    void pickingPresetBackgroundColor(const gfx::Color&, const gfx::Color&) override { calls.push_back("preset"); }
};

// The picker view of kBounds reporting its colours to a box, as on screen.
struct Picker : ColorPickerDelegate {
    explicit Picker(ColorPickerBox& box) : box(box) {}
    void colorPicked(const gfx::Color& c) override { box.colorPicked(c); }
    static std::pair<std::shared_ptr<Picker>, std::shared_ptr<ColorPickerView>> on(ColorPickerBox& box) {
        auto forward = std::make_shared<Picker>(box);
        auto view = ColorPickerView::create(kBounds);
        view->delegate = forward;
        return {forward, view};
    }
    ColorPickerBox& box;
};

struct BoxCase {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> calls;
    bool closed;
};

TEST(ColorPickerBox, ChoicesAndTheirAnswers) {
    const BoxCase cases[] = {
        {"nothing picked", {"confirm"}, {}, true},
        {"grid then confirm", {"grid", "confirm"}, {"picking", "confirm"}, true},
        {"preset then grid", {"smooth", "grid", "confirm"}, {"preset", "picking", "confirm"}, true},
        {"grid then preset", {"grid", "smooth", "confirm"}, {"picking", "preset", "picked smooth"}, true},
        {"reset clears the pick", {"grid", "reset", "confirm"}, {"picking", "cancel 1 15003"}, true},
        {"reset keeps the box", {"grid", "reset"}, {"picking", "cancel 1 15003"}, false},
        {"cancel", {"grid", "cancel"}, {"picking", "cancel 1 15003"}, true},
        // Reset forgets the grid's pick only: a preset chosen before stays.
        {"reset keeps the preset", {"smooth", "reset", "confirm"}, {"preset", "cancel 1 15003", "picked smooth"}, true},
        // A closing box takes no second answer.
        {"second confirm", {"grid", "confirm", "confirm", "cancel"}, {"picking", "confirm"}, true},
        {"confirm after cancel", {"grid", "cancel", "confirm", "reset"}, {"picking", "cancel 1 15003"}, true},
        {"gap touches nothing", {"gap", "confirm"}, {}, true},
    };
    for (const auto& c : cases) {
        auto d = std::make_shared<Recorder>();
        ColorPickerBox box(d, gfx::Color::fromRGB255(1, 2, 3), gfx::Color::black(), true, 15003);
        auto [forward, picker] = Picker::on(box);
        for (const auto& s : c.steps) {
            if (s == "grid")
                picker->handleViewPan({100, 100});
            else if (s == "gap")
                picker->handleViewPan({245, 100});
            else if (s == "smooth")
                box.smooth();
            else if (s == "confirm")
                box.confirm();
            else if (s == "cancel")
                box.cancel();
            else if (s == "reset")
                box.reset();
        }
        EXPECT_EQ(d->calls, c.calls) << c.name;
        EXPECT_EQ(box.closed(), c.closed) << c.name;
    }
}

TEST(ColorPickerBox, StripMovesTheGridHue) {
    auto d = std::make_shared<Recorder>();
    ColorPickerBox box(d, gfx::Color::black(), gfx::Color::black(), false, 0);
    auto [forward, picker] = Picker::on(box);
    EXPECT_DOUBLE_EQ(picker->rightColorHue(), 0.6);
    picker->handleViewPan({260, 20});
    EXPECT_DOUBLE_EQ(picker->rightColorHue(), 0);
    EXPECT_EQ(*picker->rightColorPicked(), gfx::Color::fromHSB({0, 1, 1}));
    picker->handleViewPan({239.9, 184.9});
    EXPECT_EQ(*picker->leftColorPicked(), gfx::Color::fromHSB({0, 1, 1}));
    EXPECT_EQ(*box.currPickColor(), gfx::Color::fromHSB({0, 1, 1}));
    EXPECT_EQ(d->calls.size(), 2u);
    EXPECT_TRUE(picker->isSetup());
    EXPECT_DOUBLE_EQ(picker->colorHueCell(), 1.0 / 30);
    EXPECT_DOUBLE_EQ(picker->colorSaturationCell(), 0.05);
    EXPECT_DOUBLE_EQ(picker->colorBrightnessCell(), 0.05);
    EXPECT_EQ(picker->allArea(), colorPickerAreas(kBounds).all);
    EXPECT_EQ(picker->leftArea(), colorPickerAreas(kBounds).left);
    EXPECT_EQ(picker->rightArea(), colorPickerAreas(kBounds).right);
}

TEST(ColorPickerBox, GoneDelegateIsNotCalled) {
    auto d = std::make_shared<Recorder>();
    ColorPickerBox box(d, gfx::Color::black(), gfx::Color::black(), false, 0);
    auto [forward, picker] = Picker::on(box);
    d.reset();
    picker->handleViewPan({100, 100});
    box.reset();
    box.confirm();
    EXPECT_TRUE(box.closed());
}

} // namespace
} // namespace pw

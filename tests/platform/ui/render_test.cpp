#include "UiTestSupport.h"

#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/GradientLayer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

namespace pw::ui::test {
namespace {

using gfx::Rect;

class RenderTest : public UiTest {};

TEST_F(RenderTest, LabelDrawsItsTextInsideItsFrameOnly) {
    auto label = View::create<Label>(Rect(20, 40, 200, 30));
    label->setText("书架 Shelf");
    m_window->addSubview(label);
    const auto img = renderScreen();
    EXPECT_GT(countPixels(img, label->frame(), isDark), 30);
    EXPECT_EQ(countPixels(img, Rect(20, 80, 200, 30), isDark), 0);
    // Centred text leaves both ends blank.
    label->setTextAlignment(gfx::TextAlignment::Center);
    label->setText("中");
    const auto centred = renderScreen();
    EXPECT_EQ(countPixels(centred, Rect(20, 40, 60, 30), isDark), 0);
    EXPECT_GT(countPixels(centred, Rect(100, 40, 40, 30), isDark), 5);
}

// Line breaks in a one-line label's text read as spaces: the text stays on
// the label's line, nothing drawn above or below its frame.
TEST_F(RenderTest, OneLineLabelKeepsTextWithLineBreaksOnItsLine) {
    for (const char* text : {"《红楼梦》\n\n\n 第一", "甲\r\n乙\r丙"}) {
        auto label = View::create<Label>(Rect(20, 60, 200, 20));
        label->setText(text);
        m_window->addSubview(label);
        const auto img = renderScreen();
        EXPECT_GT(countPixels(img, label->frame(), isDark), 20) << text;
        EXPECT_EQ(countPixels(img, Rect(20, 20, 200, 40), isDark), 0) << text;
        EXPECT_EQ(countPixels(img, Rect(20, 80, 200, 60), isDark), 0) << text;
        EXPECT_LE(label->sizeThatFits({}).height, 20) << text;
        label->removeFromSuperview();
    }
}

TEST_F(RenderTest, MultiLineLabelWrapsAndStopsAtItsLineCount) {
    auto label = View::create<Label>(Rect(0, 0, 100, 200));
    label->setText("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十");
    label->setNumberOfLines(0);
    const auto all = label->sizeThatFits({100, 0});
    label->setNumberOfLines(2);
    const auto two = label->sizeThatFits({100, 0});
    EXPECT_GT(all.height, two.height * 1.3);
    EXPECT_LE(two.width, 100);
}

TEST_F(RenderTest, RoundedButtonLooksDifferentWhenPressed) {
    auto button = Button::create(ButtonType::RoundedRect);
    button->setFrame({50, 50, 120, 44});
    button->setTitle("OK");
    m_window->addSubview(button);
    auto blue = [](gfx::Pixel p) { return p.b > 180 && p.r < 80; };
    const auto normal = renderScreen();
    EXPECT_EQ(countPixels(normal, Rect(55, 55, 110, 34), blue), 0);
    button->setHighlighted(true);
    const auto pressed = renderScreen();
    EXPECT_GT(countPixels(pressed, Rect(55, 55, 110, 34), blue), 1000);
    // Titles per state fall back to the normal one.
    button->setTitle("按下", ControlStateHighlighted);
    EXPECT_EQ(button->currentTitle(), "按下");
    button->setHighlighted(false);
    EXPECT_EQ(button->currentTitle(), "OK");
    button->setEnabled(false);
    EXPECT_EQ(button->currentTitle(), "OK");
}

// Insets move a title off the centre (beside or under a picture's icon) and
// bound its room; a title that fits is never cut.
TEST_F(RenderTest, TitleInsetsMoveTheTitleAndCutOnlyWhatDoesNotFit) {
    struct Case {
        Rect frame;
        gfx::EdgeInsets insets;
        std::string title;
        double centreX, centreY; // in the button
        bool whole;
    };
    const Case cases[] = {
        {{0, 0, 75, 32}, {0, 25, 0, 0}, "开/关灯", 50, 16, true},             // beside an icon on the left
        {{0, 0, 50, 45}, {32, 0, 0, 0}, "设置面板", 25, 38.5, true},          // under an icon
        {{0, 0, 60, 80}, {43, -8, 0, 0}, "书签目录", 26, 61.5, true},         // under it, a little left
        {{0, 0, 75, 32}, {0, 25, 0, 0}, "一二三四五六七八九", 50, 16, false}, // too long for the room
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        auto button = Button::create();
        button->setFrame(c.frame);
        button->titleLabel().setFont(gfx::Font::systemFont(12));
        button->setTitle(c.title);
        button->setTitleEdgeInsets(c.insets);
        button->layoutIfNeeded();
        const Rect t = button->titleLabel().frame();
        const double natural = button->titleLabel().sizeThatFits({}).width;
        EXPECT_NEAR(t.midX(), c.centreX, 1);
        EXPECT_NEAR(t.midY(), c.centreY, 1);
        if (c.whole)
            EXPECT_DOUBLE_EQ(t.width(), natural);
        else
            EXPECT_DOUBLE_EQ(t.width(), c.frame.width() - c.insets.left - c.insets.right);
    }
}

TEST_F(RenderTest, OnlyChangedAreasAreRedrawn) {
    auto a = View::create(Rect(0, 100, 50, 50));
    auto b = View::create(Rect(200, 300, 50, 50));
    m_window->addSubview(a);
    m_window->addSubview(b);
    m_compositor.renderAll();
    EXPECT_TRUE(m_compositor.renderFrame().isEmpty());
    b->setBackgroundColor(gfx::Color::red());
    const Rect dirty = m_compositor.renderFrame();
    EXPECT_TRUE(dirty.contains(Rect(200, 300, 50, 50)));
    EXPECT_FALSE(dirty.intersects(Rect(0, 100, 50, 50)));
    const auto img = m_compositor.snapshot();
    EXPECT_EQ(img.pixelAt(225, 325), (gfx::Pixel{255, 0, 0, 255}));
}

TEST_F(RenderTest, ClippingCornerRadiusAndAlpha) {
    auto outer = View::create(Rect(10, 30, 100, 100));
    outer->setClipsToBounds(true);
    outer->layer()->setCornerRadius(30);
    outer->setBackgroundColor(gfx::Color::blue());
    auto inner = View::create(Rect(50, 50, 100, 100)); // sticks out
    inner->setBackgroundColor(gfx::Color::green());
    outer->addSubview(inner);
    auto faded = View::create(Rect(200, 30, 50, 50));
    faded->setBackgroundColor(gfx::Color::black());
    faded->setAlpha(0.5);
    m_window->addSubview(outer);
    m_window->addSubview(faded);
    const auto img = renderScreen();
    EXPECT_EQ(img.pixelAt(12, 32), (gfx::Pixel{255, 255, 255, 255})); // rounded corner
    EXPECT_EQ(img.pixelAt(30, 50), (gfx::Pixel{0, 0, 255, 255}));
    EXPECT_EQ(img.pixelAt(80, 100), (gfx::Pixel{0, 255, 0, 255}));
    EXPECT_EQ(img.pixelAt(130, 150), (gfx::Pixel{255, 255, 255, 255})); // clipped away
    const auto half = img.pixelAt(225, 55);
    EXPECT_NEAR(half.r, 128, 2);
}

TEST_F(RenderTest, GradientLayerRunsFromStartToEnd) {
    auto g = GradientLayer::create();
    g->setFrame({0, 100, 100, 100});
    g->setColors({gfx::Color::black(), gfx::Color::white()});
    g->setStartPoint({0, 0.5});
    g->setEndPoint({1, 0.5});
    m_window->layer()->addSublayer(g);
    settle();
    const auto img = renderScreen();
    EXPECT_LT(img.pixelAt(2, 150).r, 20);
    EXPECT_NEAR(img.pixelAt(50, 150).r, 128, 10);
    EXPECT_GT(img.pixelAt(97, 150).r, 235);
    EXPECT_EQ(img.pixelAt(50, 120), img.pixelAt(50, 180)); // horizontal only
}

TEST_F(RenderTest, StatusBarIsDrawnUnlessHidden) {
    m_window->setBackgroundColor(gfx::Color::red());
    Application::shared().setStatusBarStyle(StatusBarStyle::BlackOpaque);
    auto img = renderScreen();
    EXPECT_EQ(img.pixelAt(3, 3), (gfx::Pixel{0, 0, 0, 255}));
    EXPECT_EQ(img.pixelAt(3, 25), (gfx::Pixel{255, 0, 0, 255}));
    Application::shared().setStatusBarHidden(true);
    img = renderScreen();
    EXPECT_EQ(img.pixelAt(3, 3), (gfx::Pixel{255, 0, 0, 255}));
    EXPECT_EQ(Application::shared().applicationFrame(), Rect(0, 0, 320, 480));
}

TEST_F(RenderTest, FrameAnimationsAndSpinnerFollowTheClock) {
    std::vector<gfx::Image> frames;
    for (int i = 0; i < 4; ++i)
        frames.push_back(gfx::Image::filled(4, 4, {static_cast<uint8_t>(i * 60), 0, 0, 255}));
    auto iv = View::create<ImageView>();
    iv->setAnimationImages(frames);
    iv->setAnimationDuration(0.4);
    iv->startAnimating();
    EXPECT_EQ(iv->currentFrameIndex(), 0);
    advance(0.25);
    EXPECT_EQ(iv->currentFrameIndex(), 2);
    iv->stopAnimating();
    EXPECT_FALSE(iv->isAnimating());

    auto spinner = View::create<ActivityIndicatorView>(ActivityIndicatorStyle::WhiteLarge);
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_EQ(spinner->bounds().size, gfx::Size(37, 37));
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    const int before = spinner->phase();
    advance(0.25);
    EXPECT_NE(spinner->phase(), before);
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
}

} // namespace
} // namespace pw::ui::test

#include "platform/ui/UiTestSupport.h"

#include "platform/core/TextCut.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextInput.h"
#include "platform/ui/TextView.h"

namespace pw::ui {
namespace {

using gfx::Rect;

// Records what the application asks of the input method.
struct FakeInputMethod : TextInputHandler {
    int starts = 0, stops = 0;
    std::vector<Rect> rects;
    bool running = false;
    void startTextInput() override {
        ++starts;
        running = true;
    }
    void stopTextInput() override {
        ++stops;
        running = false;
    }
    void setTextInputRect(const Rect& r) override { rects.push_back(r); }
};

class TextInputTest : public test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TextInput::shared().setHandler(&m_ime);
        m_field = View::create<TextField>(Rect(20, 100, 200, 31));
        m_field->setBorderStyle(TextBorderStyle::RoundedRect);
        m_window->addSubview(m_field);
    }
    void TearDown() override {
        TextInput::shared().setHandler(nullptr);
        m_field.reset();
        UiTest::TearDown();
    }
    FakeInputMethod m_ime;
    std::shared_ptr<TextField> m_field;
};

TEST_F(TextInputTest, TextInputRunsWhileATextClientIsFirstResponder) {
    EXPECT_FALSE(TextInput::shared().isActive());
    tapView(m_field.get());
    EXPECT_TRUE(m_field->isFirstResponder());
    EXPECT_EQ(m_ime.starts, 1);
    EXPECT_TRUE(m_ime.running);
    ASSERT_FALSE(m_ime.rects.empty());
    // The candidate window goes to the caret: inside the field, at its text's start.
    const Rect caret = m_ime.rects.back();
    EXPECT_GE(caret.x(), 28);
    EXPECT_LT(caret.x(), 40);
    EXPECT_GT(caret.y(), 100);
    EXPECT_LT(caret.maxY(), 131);

    // A second field: the first one's composition is dropped, the window moves.
    auto other = View::create<TextField>(Rect(20, 200, 200, 31));
    m_window->addSubview(other);
    TextInput::shared().setMarkedText("zhong", 5);
    EXPECT_EQ(m_field->markedText(), "zhong");
    tapView(other.get());
    EXPECT_EQ(m_field->markedText(), "");
    EXPECT_EQ(m_ime.stops, 1);
    EXPECT_EQ(m_ime.starts, 2);
    EXPECT_GT(m_ime.rects.back().y(), 200);
}

TEST_F(TextInputTest, TheCompositionShowsAtTheCaretUntilItIsCommitted) {
    m_field->becomeFirstResponder();
    Application::shared().sendText("书名：");
    const double before = m_ime.rects.back().x();
    TextInput::shared().setMarkedText("ni'hao", 6);
    EXPECT_EQ(m_field->text(), "书名：");
    EXPECT_EQ(m_field->markedText(), "ni'hao");
    const double composing = m_ime.rects.back().x();
    EXPECT_GT(composing, before + 20);
    // The cursor inside the composition moves the caret back.
    TextInput::shared().setMarkedText("ni'hao", 2);
    EXPECT_LT(m_ime.rects.back().x(), composing);

    auto img = renderScreen();
    // The composition is underlined; the committed text is not.
    auto ink = [](gfx::Pixel p) { return p.r < 60 && p.g < 60 && p.b < 60; };
    const Rect field = m_field->convertRectToView(m_field->bounds(), nullptr);
    int underlineRow = -1;
    for (int y = static_cast<int>(field.y()) + 16; y < static_cast<int>(field.maxY()) - 2 && underlineRow < 0; ++y)
        if (countPixels(img, {before + 4, static_cast<double>(y), composing - before - 8, 1}, ink) >=
            (composing - before - 8) * 0.9)
            underlineRow = y;
    EXPECT_GE(underlineRow, 0);
    if (underlineRow >= 0)
        EXPECT_EQ(
            countPixels(img, {field.x() + 10, static_cast<double>(underlineRow), before - field.x() - 14, 1}, ink), 0);

    Application::shared().sendText("你好");
    EXPECT_EQ(m_field->text(), "书名：你好");
    EXPECT_EQ(m_field->markedText(), "");
    TextInput::shared().setMarkedText("a", 1);
    TextInput::shared().setMarkedText("", 0); // the input method took it back
    EXPECT_EQ(m_field->markedText(), "");
    EXPECT_EQ(m_field->text(), "书名：你好");
    m_field->resignFirstResponder();
    EXPECT_EQ(m_ime.stops, 1);
    EXPECT_FALSE(TextInput::shared().isActive());
    TextInput::shared().setMarkedText("ignored", 7); // nobody composes now
    EXPECT_EQ(m_field->markedText(), "");
}

TEST_F(TextInputTest, ATextViewTakesCompositionsToo) {
    auto view = View::create<TextView>(Rect(20, 250, 280, 120));
    m_window->addSubview(view);
    view->becomeFirstResponder();
    EXPECT_EQ(m_ime.starts, 1);
    Application::shared().sendText("第一行");
    Application::shared().sendReturn();
    const Rect lineStart = m_ime.rects.back();
    TextInput::shared().setMarkedText("di'er", 5);
    EXPECT_EQ(view->markedText(), "di'er");
    EXPECT_GT(m_ime.rects.back().x(), lineStart.x() + 10);
    EXPECT_EQ(m_ime.rects.back().y(), lineStart.y());
    Application::shared().sendText("第二");
    EXPECT_EQ(view->text(), "第一行\n第二");
    EXPECT_EQ(view->markedText(), "");
}

TEST_F(TextInputTest, AFirstResponderThatGoesAwayStopsTextInput) {
    m_field->becomeFirstResponder();
    TextInput::shared().setMarkedText("pin", 3);
    m_field->removeFromSuperview();
    m_field.reset();
    EXPECT_FALSE(TextInput::shared().isActive());
    EXPECT_EQ(m_ime.stops, 1);
    TextInput::shared().setMarkedText("yin", 3); // reaches no one, touches nothing freed
}

TEST_F(TextInputTest, LengthLimitsNeverSplitACharacter) {
    const struct {
        std::u16string text;
        size_t max;
        std::u16string cut;
    } cuts[] = {
        {u"abc", 5, u"abc"},
        {u"abc", 2, u"ab"},
        {u"a\U0001F600b", 2, u"a"}, // the cut would fall inside the emoji's pair
        {u"a\U0001F600b", 3, u"a\U0001F600"},
        {u"\U0001F600", 1, u""},
        {u"", 0, u""},
    };
    for (const auto& c : cuts)
        EXPECT_EQ(core::text::cutToLength(c.text, c.max), c.cut) << c.max;
    EXPECT_EQ(core::text::utf8Prefix("中文ab", 3), "中文a");
    EXPECT_EQ(core::text::utf8Prefix("ab", 9), "ab");

    m_field->maxLength = 4;
    m_field->becomeFirstResponder();
    Application::shared().sendText("ab");
    Application::shared().sendText("c\U0001F600"); // only "c" fits; half a face never goes in
    EXPECT_EQ(m_field->text(), "abc");
    EXPECT_FALSE(m_field->insertText("\U0001F600"));
    EXPECT_TRUE(m_field->insertText("de"));
    EXPECT_EQ(m_field->text(), "abcd");
    EXPECT_FALSE(m_field->insertText("x"));

    auto view = View::create<TextView>(Rect(20, 250, 280, 120));
    m_window->addSubview(view);
    view->maxLength = 3;
    view->becomeFirstResponder();
    Application::shared().sendText("好\U0001F600\U0001F600");
    EXPECT_EQ(view->text(), "好\U0001F600");
}

} // namespace
} // namespace pw::ui

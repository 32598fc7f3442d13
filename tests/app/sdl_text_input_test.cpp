// The input-method bridge with SDL's text events made by hand: what SDL is
// asked to do is recorded instead of done, so no display is needed.
#include "platform/ui/UiTestSupport.h"

#include "app/SdlTextInput.h"
#include "platform/ui/TextField.h"

#include <cstring>

namespace pw::app {
namespace {

using gfx::Rect;

class SdlTextInputTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        SdlTextInput::Ops ops;
        ops.start = [this] { calls.push_back("start"); };
        ops.stop = [this] { calls.push_back("stop"); };
        ops.setRect = [this](const SDL_Rect& r) { rects.push_back(r); };
        m_input = std::make_unique<SdlTextInput>(2.0, ops);
        ui::TextInput::shared().setHandler(m_input.get());
        m_field = ui::View::create<ui::TextField>(Rect(20, 100, 200, 31));
        m_window->addSubview(m_field);
    }
    void TearDown() override {
        ui::TextInput::shared().setHandler(nullptr);
        m_field.reset();
        UiTest::TearDown();
    }
    static SDL_Event editing(const char* text, int start) {
        SDL_Event e{};
        e.type = SDL_TEXTEDITING;
        std::strncpy(e.edit.text, text, sizeof(e.edit.text) - 1);
        e.edit.start = start;
        e.edit.length = 0;
        return e;
    }
    static SDL_Event input(const char* text) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::strncpy(e.text.text, text, sizeof(e.text.text) - 1);
        return e;
    }
    std::vector<std::string> calls;
    std::vector<SDL_Rect> rects;
    std::unique_ptr<SdlTextInput> m_input;
    std::shared_ptr<ui::TextField> m_field;
};

TEST_F(SdlTextInputTest, StartsAndStopsWithTheFieldAndPlacesTheCandidatesAtItsCaret) {
    EXPECT_TRUE(calls.empty());
    tapView(m_field.get());
    EXPECT_EQ(calls, std::vector<std::string>{"start"});
    EXPECT_TRUE(m_input->isRunning());
    ASSERT_FALSE(rects.empty());
    // Window pixels at scale 2 of the caret in points.
    const Rect caret = ui::TextInput::shared().caretRectOnScreen();
    const SDL_Rect r = rects.back();
    EXPECT_EQ(r.x, static_cast<int>(std::floor(caret.x() * 2)));
    EXPECT_EQ(r.y, static_cast<int>(std::floor(caret.y() * 2)));
    EXPECT_GE(r.h, static_cast<int>(caret.height() * 2));
    EXPECT_GT(r.y, 200);
    m_field->resignFirstResponder();
    EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop"}));
    EXPECT_FALSE(m_input->isRunning());
}

TEST_F(SdlTextInputTest, CompositionsShowInTheFieldUntilCommitted) {
    m_field->becomeFirstResponder();
    EXPECT_TRUE(m_input->handleEvent(editing("zhong'wen", 9)));
    EXPECT_TRUE(m_input->isComposing());
    EXPECT_EQ(m_field->markedText(), "zhong'wen");
    EXPECT_EQ(m_field->text(), "");
    const int composingX = rects.back().x;
    // Backspace and Return belong to the input method while it composes.
    EXPECT_TRUE(m_input->ownsKey(SDLK_BACKSPACE));
    EXPECT_TRUE(m_input->ownsKey(SDLK_RETURN));
    EXPECT_FALSE(m_input->ownsKey(SDLK_a));
    EXPECT_TRUE(m_input->handleEvent(input("中文")));
    EXPECT_FALSE(m_input->isComposing());
    EXPECT_FALSE(m_input->ownsKey(SDLK_BACKSPACE));
    EXPECT_EQ(m_field->text(), "中文");
    EXPECT_EQ(m_field->markedText(), "");
    EXPECT_LT(rects.back().x, composingX);

    // A long composition comes as an extended event whose text SDL leaves to us to free.
    const std::string longText = "zhong'hua'ren'min'gong'he'guo'wan'sui";
    SDL_Event ext{};
    ext.type = SDL_TEXTEDITING_EXT;
    ext.editExt.text = SDL_strdup(longText.c_str());
    ext.editExt.start = 3;
    EXPECT_TRUE(m_input->handleEvent(ext));
    EXPECT_EQ(m_field->markedText(), longText);
    // An empty composition ends it without text.
    EXPECT_TRUE(m_input->handleEvent(editing("", 0)));
    EXPECT_EQ(m_field->markedText(), "");
    EXPECT_EQ(m_field->text(), "中文");

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    EXPECT_FALSE(m_input->handleEvent(key));
}

TEST_F(SdlTextInputTest, WindowRectsCoverTheCaretInWholePixels) {
    const struct {
        Rect points;
        double scale;
        SDL_Rect pixels;
    } cases[] = {
        {{10, 20, 2, 18}, 1, {10, 20, 2, 18}},
        {{10.5, 20.25, 2, 18}, 2, {21, 40, 4, 37}},
        {{10.4, 0, 1, 1}, 1.5, {15, 0, 3, 2}},
    };
    for (const auto& c : cases) {
        const SDL_Rect r = SdlTextInput::toWindowRect(c.points, c.scale);
        EXPECT_EQ(r.x, c.pixels.x);
        EXPECT_EQ(r.y, c.pixels.y);
        EXPECT_EQ(r.w, c.pixels.w);
        EXPECT_EQ(r.h, c.pixels.h);
    }
}

} // namespace
} // namespace pw::app

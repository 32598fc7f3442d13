#include "UiTestSupport.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextField.h"

namespace pw::ui::test {
namespace {

using gfx::Point;
using gfx::Rect;

class EventTest : public UiTest {};

TEST_F(EventTest, ButtonSendsTouchEventsByWhereTheFingerLifts) {
    auto button = Button::create();
    button->setFrame({100, 100, 80, 40});
    m_window->addSubview(button);
    std::vector<unsigned> events;
    for (unsigned e :
         {ControlEventTouchDown, ControlEventTouchUpInside, ControlEventTouchUpOutside, ControlEventTouchCancel})
        button->addTarget([&events, e](Control&) { events.push_back(e); }, e);
    tap({120, 120});
    EXPECT_EQ(events, (std::vector<unsigned>{ControlEventTouchDown, ControlEventTouchUpInside}));
    EXPECT_FALSE(button->isHighlighted());
    events.clear();
    drag({120, 120}, {120, 300});
    EXPECT_EQ(events.back(), ControlEventTouchUpOutside);
    // A disabled button takes no touches at all.
    events.clear();
    button->setEnabled(false);
    tap({120, 120});
    EXPECT_TRUE(events.empty());
}

TEST_F(EventTest, TapRecognizerCancelsTheViewsTouchesOnceRecognized) {
    struct Tracker : View {
        std::vector<std::string> seen;
        void touchesBegan(const TouchSet&) override { seen.push_back("began"); }
        void touchesEnded(const TouchSet&) override { seen.push_back("ended"); }
        void touchesCancelled(const TouchSet&) override { seen.push_back("cancelled"); }
    };
    auto v = View::create<Tracker>();
    v->setFrame({0, 0, 320, 480});
    m_window->addSubview(v);
    int taps = 0;
    v->addGestureRecognizer(TapGestureRecognizer::create([&](GestureRecognizer&) { ++taps; }));
    tap({50, 50});
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(v->seen, (std::vector<std::string>{"began", "cancelled"}));
    // Moving too far is not a tap.
    drag({50, 50}, {50, 120});
    EXPECT_EQ(taps, 1);
}

TEST_F(EventTest, SingleTapWaitsForTheDoubleTapToFail) {
    auto v = View::create(Rect(0, 0, 320, 480));
    m_window->addSubview(v);
    int singles = 0, doubles = 0;
    auto single = TapGestureRecognizer::create([&](GestureRecognizer&) { ++singles; });
    auto twice = TapGestureRecognizer::create([&](GestureRecognizer&) { ++doubles; });
    twice->numberOfTapsRequired = 2;
    single->requireGestureRecognizerToFail(twice);
    v->addGestureRecognizer(single);
    v->addGestureRecognizer(twice);
    tap({100, 100});
    EXPECT_EQ(singles, 0); // not yet: a second tap may come
    advance(0.5);
    EXPECT_EQ(singles, 1);
    EXPECT_EQ(doubles, 0);
    tap({100, 100});
    advance(0.1);
    tap({100, 100});
    advance(0.5);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(singles, 1);
}

TEST_F(EventTest, PanReportsStatesTranslationAndVelocity) {
    auto v = View::create(Rect(0, 0, 320, 480));
    m_window->addSubview(v);
    std::vector<GestureState> states;
    Point lastTranslation;
    Point velocity;
    auto pan = PanGestureRecognizer::create([&](GestureRecognizer& g) {
        auto& p = static_cast<PanGestureRecognizer&>(g);
        states.push_back(p.state());
        lastTranslation = p.translationInView(v.get());
        velocity = p.velocityInView(v.get());
    });
    v->addGestureRecognizer(pan);
    drag({100, 100}, {200, 100}, 0.5, 10);
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.front(), GestureState::Began);
    EXPECT_EQ(states.back(), GestureState::Ended);
    EXPECT_NEAR(lastTranslation.x, 100, 1e-6);
    EXPECT_NEAR(velocity.x, 200, 20);                // 100 points in half a second
    EXPECT_EQ(pan->state(), GestureState::Possible); // ready again
}

TEST_F(EventTest, LongPressBeginsAfterItsDurationAndSwipeNeedsItsDirection) {
    auto v = View::create(Rect(0, 0, 320, 480));
    m_window->addSubview(v);
    std::vector<GestureState> presses;
    v->addGestureRecognizer(
        LongPressGestureRecognizer::create([&](GestureRecognizer& g) { presses.push_back(g.state()); }));
    touch(1, TouchPhase::Began, {50, 50});
    advance(0.4);
    EXPECT_TRUE(presses.empty());
    advance(0.2);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0], GestureState::Began);
    touch(1, TouchPhase::Ended, {50, 50});
    EXPECT_EQ(presses.back(), GestureState::Ended);

    auto w = View::create(Rect(0, 0, 320, 480));
    m_window->addSubview(w);
    int lefts = 0;
    auto swipe = SwipeGestureRecognizer::create([&](GestureRecognizer&) { ++lefts; });
    swipe->direction = SwipeLeft;
    w->addGestureRecognizer(swipe);
    drag({250, 200}, {100, 200}, 0.2);
    EXPECT_EQ(lefts, 1);
    drag({100, 200}, {250, 200}, 0.2); // wrong way
    drag({250, 200}, {100, 200}, 1.5); // too slow
    EXPECT_EQ(lefts, 1);
}

TEST_F(EventTest, TextFieldTakesKeysAndRaisesTheKeyboard) {
    struct Limit : TextFieldDelegate {
        bool shouldChangeCharacters(TextField&, int64_t, int64_t, const std::string& s) override { return s != "x"; }
        int returns = 0;
        bool textFieldShouldReturn(TextField&) override {
            ++returns;
            return true;
        }
    };
    auto delegate = std::make_shared<Limit>();
    auto field = View::create<TextField>(Rect(10, 100, 200, 31));
    field->setDelegate(delegate);
    m_window->addSubview(field);
    Application::shared().setHasOnScreenKeyboard(true);
    std::vector<std::string> notes;
    auto& nc = core::NotificationCenter::defaultCenter();
    auto t1 = nc.addObserver(kKeyboardWillShowNotification, [&](const core::Notification& n) {
        notes.push_back("show");
        EXPECT_GT(n.payload["frameEnd"]["height"].asDouble().value_or(0), 0);
    });
    auto t2 =
        nc.addObserver(kKeyboardWillHideNotification, [&](const core::Notification&) { notes.push_back("hide"); });
    int changes = 0;
    field->addTarget([&](Control&) { ++changes; }, ControlEventEditingChanged);

    tap({50, 110});
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->isEditing());
    EXPECT_GT(Application::shared().keyboardHeight(), 0);
    Application::shared().sendText("书");
    Application::shared().sendText("x"); // refused by the delegate
    Application::shared().sendText("ab");
    EXPECT_EQ(field->text(), "书ab");
    Application::shared().sendBackspace();
    EXPECT_EQ(field->text(), "书a");
    EXPECT_EQ(changes, 3);
    Application::shared().sendReturn();
    EXPECT_EQ(delegate->returns, 1);
    field->resignFirstResponder();
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(notes, (std::vector<std::string>{"show", "hide"}));
    // Removing a field from its window takes first-responder status with it.
    field->becomeFirstResponder();
    field->removeFromSuperview();
    EXPECT_EQ(Application::shared().firstResponder(), nullptr);
}

// Typed on the computer's own keyboard: a field takes focus and keys, and no
// screen hears of a keyboard that would cover it.
TEST_F(EventTest, APhysicalKeyboardRaisesNoKeyboardNotices) {
    auto field = View::create<TextField>(Rect(10, 100, 200, 31));
    m_window->addSubview(field);
    ASSERT_FALSE(Application::shared().hasOnScreenKeyboard());
    int notes = 0;
    auto& nc = core::NotificationCenter::defaultCenter();
    std::vector<core::ObserverToken> tokens;
    for (const char* name : {kKeyboardWillShowNotification, kKeyboardDidShowNotification,
                             kKeyboardWillHideNotification, kKeyboardDidHideNotification})
        tokens.push_back(nc.addObserver(name, [&](const core::Notification&) { ++notes; }));
    tap({50, 110});
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_EQ(Application::shared().keyboardHeight(), 0);
    Application::shared().sendText("书");
    EXPECT_EQ(field->text(), "书");
    field->resignFirstResponder();
    EXPECT_EQ(notes, 0);
}

} // namespace
} // namespace pw::ui::test

#include "platform/ui/ProgressView.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"

namespace pw::ui::test {
namespace {

TEST_F(EventTest, SliderSwitchAndProgressTakeTheirValues) {
    auto slider = View::create<Slider>(Rect(10, 100, 223, 23));
    slider->minimumValue = 0;
    slider->maximumValue = 100;
    m_window->addSubview(slider);
    std::vector<float> values;
    slider->addTarget([&](Control& c) { values.push_back(static_cast<Slider&>(c).value()); }, ControlEventValueChanged);
    // Touching the track moves the thumb there; dragging follows the finger, clamped at the ends.
    drag({10 + 11.5 + 50, 111}, {400, 111}, 0.2, 4);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.front(), 25, 1);
    EXPECT_EQ(slider->value(), 100);
    slider->continuous = false;
    values.clear();
    drag({230, 111}, {10, 111}, 0.2, 4);
    EXPECT_EQ(values, (std::vector<float>{0})); // once, when the finger lifts
    slider->setValue(500);
    EXPECT_EQ(slider->value(), 100);

    auto sw = View::create<Switch>();
    sw->setCenter({160, 300});
    m_window->addSubview(sw);
    int flips = 0;
    sw->addTarget([&](Control&) { ++flips; }, ControlEventValueChanged);
    tapView(sw.get());
    EXPECT_TRUE(sw->isOn());
    drag({160, 300}, {160, 420}); // lifted far away: no change
    EXPECT_TRUE(sw->isOn());
    EXPECT_EQ(flips, 1);

    auto bar = View::create<ProgressView>(Rect(0, 0, 100, 9));
    for (float p : {-1.0f, 0.5f, 3.0f})
        bar->setProgress(p);
    EXPECT_EQ(bar->progress(), 1.0f);
}

} // namespace
} // namespace pw::ui::test

#include "platform/ui/PageControl.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TextView.h"

namespace pw::ui::test {
namespace {

TEST_F(EventTest, PageControlStepsOnePageTowardsTheTap) {
    auto pc = View::create<PageControl>(Rect(0, 400, 320, 36));
    pc->setNumberOfPages(3);
    m_window->addSubview(pc);
    int changes = 0;
    pc->addTarget([&](Control&) { ++changes; }, ControlEventValueChanged);
    tap({300, 418});
    tap({300, 418});
    tap({300, 418}); // already on the last page
    EXPECT_EQ(pc->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    tap({10, 418});
    EXPECT_EQ(pc->currentPage(), 1);
    pc->setNumberOfPages(1);
    EXPECT_EQ(pc->currentPage(), 0);
}

TEST_F(EventTest, TextViewTakesLinesAndGrowsItsContent) {
    auto tv = View::create<TextView>(Rect(10, 100, 300, 100));
    m_window->addSubview(tv);
    int changes = 0;
    tv->onChange = [&](TextView&) { ++changes; };
    tapView(tv.get());
    ASSERT_TRUE(tv->isFirstResponder());
    for (int i = 0; i < 8; ++i) {
        Application::shared().sendText("第" + std::to_string(i) + "行");
        Application::shared().sendReturn();
    }
    Application::shared().sendBackspace();
    EXPECT_EQ(changes, 17);
    EXPECT_TRUE(tv->text().ends_with("第7行")); // the last newline went again
    tv->layoutIfNeeded();
    EXPECT_GT(tv->contentSize().height, 100);
    tv->editable = false;
    EXPECT_FALSE(tv->insertText("x"));
}

TEST_F(EventTest, SearchBarReportsTypingSearchAndCancel) {
    struct Log : SearchBarDelegate {
        std::vector<std::string> seen;
        void textDidChange(SearchBar&, const std::string& t) override { seen.push_back("text:" + t); }
        void searchBarSearchButtonClicked(SearchBar& b) override { seen.push_back("search:" + b.text()); }
        void searchBarCancelButtonClicked(SearchBar&) override { seen.push_back("cancel"); }
    };
    auto log = std::make_shared<Log>();
    auto bar = View::create<SearchBar>();
    bar->setFrame({0, 20, 320, SearchBar::kHeight});
    bar->setDelegate(log);
    bar->setShowsCancelButton(true);
    m_window->addSubview(bar);
    tapView(&bar->textField());
    Application::shared().sendText("红楼");
    Application::shared().sendReturn();
    tapView(bar->cancelButton());
    EXPECT_EQ(log->seen, (std::vector<std::string>{"text:红楼", "search:红楼", "cancel"}));
}

} // namespace
} // namespace pw::ui::test

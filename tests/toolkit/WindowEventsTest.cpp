// Events a window hands on from the frame's idle: late clicks carry the
// buttons of their press, wheel turns and typed keys reach the views, a
// press being tracked is never re-entered, and a closed edit box hands back
// what was typed.
#include "ToolkitFixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/Knob.h"

namespace strellon::test {
namespace {

class WindowEventsTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        window->paintAll();
    }
    RecordingListener listener;
};

TEST_F(WindowEventsTest, AShortClickHandledLateStillToggles) {
    auto* button = add(new OnOffButton(Rect(10, 10, 50, 30), &listener, 3, nullptr));
    auto* toggle = add(new ToggleButton(Rect(60, 10, 100, 30), &listener, 4, nullptr));
    // By the idle that handles them, both buttons are up again; the pointer
    // rests where the second click was.
    system.setCursor(Point(70, 20));
    window->queuePress(Point(20, 20), leftButton());
    window->queuePress(Point(70, 20), leftButton());
    EXPECT_EQ(button->getValue(), 0.0f);
    frame->idle();
    EXPECT_EQ(window->eventsProcessed(), 2);
    EXPECT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(toggle->getValue(), 1.0f);
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 4", "end 4"}));

    // Without the press's state the live buttons decide: nothing happens.
    window->pressMouse(Point(20, 20));
    EXPECT_EQ(button->getValue(), 1.0f);
}

TEST_F(WindowEventsTest, ThePressStateCarriesItsModifiers) {
    auto* knob = add(new Knob(Rect(100, 50, 150, 100), &listener, 7, nullptr, nullptr));
    knob->setDefaultValue(0.25f);
    knob->setValue(0.8f);
    // Control-click resets, even when Control is let go before the idle.
    window->queuePress(Point(125, 60), leftButton(false, true));
    frame->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
}

TEST_F(WindowEventsTest, APressBeingTrackedIsNotReentered) {
    auto* first = add(new Knob(Rect(0, 0, 50, 50), &listener, 1, nullptr, nullptr));
    auto* second = add(new Knob(Rect(100, 50, 150, 100), &listener, 2, nullptr, nullptr));
    (void)first;
    (void)second;
    // The first drag's loop pumps the idle, which processes events again
    // while the second press waits in the queue.
    std::vector<platform::ScriptStep> held;
    for (int i = 0; i < 5; ++i) held.push_back({Point(25, 10 + i), leftButton(), 0});
    system.script(held);
    window->queuePress(Point(25, 10), leftButton());
    window->queuePress(Point(125, 60), leftButton());
    frame->idle();
    EXPECT_GT(editor.idles, 3);
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 1", "end 1", "begin 2", "end 2"}));
}

TEST_F(WindowEventsTest, WheelAndKeysReachTheViewUnderThePointer) {
    auto* knob = add(new Knob(Rect(100, 50, 150, 100), &listener, 7, nullptr, nullptr));
    knob->setValue(0.5f);
    system.setCursor(Point(120, 70));
    window->queueWheel(Point(120, 70), 1.0f);
    frame->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.6f);
    // Shift held at the turn makes the step fine.
    window->queueWheel(Point(120, 70), -1.0f, leftButton(true) /* shift */);
    frame->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.59f);

    window->queueKey(platform::KeyEvent{0, KeyCode::keyUp, 0});
    frame->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.69f);
    // A key the knob does not take changes nothing.
    window->queueKey(platform::KeyEvent{'a', 0, 0});
    frame->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.69f);
}

struct RecordingEditBoxClient : platform::EditBoxClient {
    std::vector<std::string> ended;
    void editBoxEnded(const char* text) override { ended.emplace_back(text); }
};

TEST_F(WindowEventsTest, ClosingAnOpenEditBoxHandsBackTheTypedText) {
    RecordingEditBoxClient client;
    platform::EditBoxRequest request;
    request.text = "old";
    request.client = &client;
    ASSERT_TRUE(window->openEditBox(request));
    window->typeInEditBox("new");
    window->closeEditBox();
    window->closeEditBox();
    EXPECT_EQ(client.ended, std::vector<std::string>{"new"});
}

} // namespace
} // namespace strellon::test

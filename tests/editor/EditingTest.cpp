// Editor to plug-in: the user's drags and clicks reach the host as one
// begin-edit, automated values and one end-edit; clicks on LEDs, links,
// the about and help screens; keys and knob mode; the idle pump's timing.
#include "tests/editor/EditorFixture.h"
#include "toolkit/SplashScreen.h"

namespace strellon::test {
namespace {

class Editing : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        open();
        session->paint();
        plugin().clearCalls();
    }
    std::vector<host::HostCall> editCalls() {
        std::vector<host::HostCall> kept;
        for (const host::HostCall& c : plugin().calls())
            if (c.opcode == vst2::audioMasterBeginEdit || c.opcode == vst2::audioMasterEndEdit ||
                c.opcode == vst2::audioMasterAutomate)
                kept.push_back(c);
        return kept;
    }
};

TEST_F(Editing, AKnobDragIsOneEditGestureAtTheHost) {
    plugin().dispatch(vst2::effSetEditKnobMode, 0, 2);  // linear: up raises
    set(83, 0.2f);
    idle();
    plugin().clearCalls();
    session->dragTo(Point(551, 272), Point(551, 200));  // Volume
    const std::vector<host::HostCall> calls = editCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, vst2::audioMasterBeginEdit);
    EXPECT_EQ(calls.back().opcode, vst2::audioMasterEndEdit);
    for (const host::HostCall& c : calls) EXPECT_EQ(c.index, 83);
    for (std::size_t i = 1; i + 1 < calls.size(); ++i) EXPECT_EQ(calls[i].opcode, vst2::audioMasterAutomate);
    EXPECT_GT(plugin().getParameter(83), 0.2f);
    EXPECT_EQ(calls[calls.size() - 2].opt, plugin().getParameter(83));
    idle();
    EXPECT_EQ(value(at::globals + 11), plugin().getParameter(83));
}

TEST_F(Editing, ClicksOnShapingLeds) {
    set(60, 0.45f);  // LED 5 lit
    idle();
    session->click(Point(456, 373));  // LED 1, dark
    idle();
    EXPECT_EQ(plugin().getParameter(60), 1.0f);
    for (int n = 0; n < 10; ++n) EXPECT_EQ(value(at::led + n), 1.0f) << n;
    EXPECT_EQ(value(at::globals + 5), 1.0f);
    session->click(Point(472, 383));  // LED 8, lit
    idle();
    EXPECT_EQ(plugin().getParameter(60), 0.0f);
    for (int n = 0; n < 10; ++n) EXPECT_EQ(value(at::led + n), 0.0f) << n;
}

TEST_F(Editing, ALinkButtonClickStoresTheLink) {
    set(3, 1.0f);
    idle();
    plugin().clearCalls();
    session->click(Point(55 + 39 * 3 + 5, 265));
    EXPECT_EQ(plugin().getParameter(3), 0.0f);
    const auto calls = editCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, vst2::audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 3);
}

TEST_F(Editing, AboutAndHelpOpenAndCloseOnClicks) {
    auto* about = dynamic_cast<SplashScreen*>(control(at::about));
    auto* help = dynamic_cast<SplashScreen*>(control(at::help));
    session->click(Point(300, 20));
    EXPECT_EQ(about->getValue(), 1.0f);
    EXPECT_EQ(frame()->getModalView(), about);
    session->click(Point(300, 200));
    EXPECT_EQ(about->getValue(), 0.0f);
    EXPECT_EQ(frame()->getModalView(), nullptr);
    session->click(Point(465, 354));
    EXPECT_EQ(help->getValue(), 1.0f);
    EXPECT_EQ(frame()->getModalView(), help);
    session->click(Point(440, 390));
    EXPECT_EQ(help->getValue(), 0.0f);
    EXPECT_EQ(frame()->getModalView(), nullptr);
    // Neither is a parameter.
    EXPECT_TRUE(editCalls().empty());
}

TEST_F(Editing, KeysWheelAndKnobModeReachTheEditor) {
    plugin().dispatch(vst2::effSetEditKnobMode, 0, 2);
    EXPECT_EQ(Frame::getKnobMode(), 2);
    EXPECT_EQ(plugin().dispatch(vst2::effSetEditKnobMode, 0, 7), 1);
    EXPECT_EQ(Frame::getKnobMode(), 7);
    // Arrow keys step the knob under nothing in focus: no view takes them.
    EXPECT_EQ(plugin().dispatch(vst2::effEditKeyDown, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(plugin().dispatch(vst2::effEditKeyUp, 'a', 0, nullptr, 0.0f), -1);
    set(83, 0.5f);
    idle();
    session->system().setCursor(Point(551, 272));
    EXPECT_TRUE(editor().onWheel(1.0f));
    EXPECT_GT(plugin().getParameter(83), 0.5f);
}

TEST_F(Editing, IdlePumpWorksAboutEveryFiftyMilliseconds) {
    auto& clock = session->system();
    const auto hostIdles = [&] { return plugin().countCalls(vst2::audioMasterIdle); };
    editor().pumpIdle();
    ASSERT_EQ(hostIdles(), 1);
    const uint32_t start = clock.ticks();
    // Within 10 ms of the work: both calls only sleep 4 ms.
    editor().pumpIdle();
    editor().pumpIdle();
    EXPECT_EQ(hostIdles(), 1);
    EXPECT_EQ(clock.ticks(), start + 8);
    // A tight loop works again 50 ms after the last work.
    int calls = 0;
    while (hostIdles() == 1 && calls < 100) {
        editor().pumpIdle();
        ++calls;
    }
    EXPECT_EQ(hostIdles(), 2);
    EXPECT_EQ(clock.ticks(), start + 52);
    EXPECT_FALSE(editor().inIdlePump());
}

TEST_F(Editing, IdlePumpKeepsWorkingWhenTheTickCountWraps) {
    auto& clock = session->system();
    // 30 ms before the wrap; the jump itself looks like a step back of a
    // second, which the pump sits out.
    clock.advanceClock(0xFFFFFFFFu - clock.ticks() - 30);
    for (int i = 0; i < 400; ++i) editor().pumpIdle();
    ASSERT_LT(clock.ticks(), 0x80000000u);  // wrapped
    const int before = plugin().countCalls(vst2::audioMasterIdle);
    for (int i = 0; i < 200; ++i) editor().pumpIdle();  // 800 ms
    EXPECT_GE(plugin().countCalls(vst2::audioMasterIdle), before + 14);
}

TEST_F(Editing, TheHostsIdleInsideThePumpDoesNotRedraw) {
    bool dirtyAfterNestedIdle = false;
    plugin().settings().duringCall = [&](vst2::int32 opcode) {
        if (opcode != vst2::audioMasterIdle) return;
        // A host that answers its idle with an editor idle of its own.
        set(83, 0.75f);
        plugin().dispatch(vst2::effEditIdle);
        dirtyAfterNestedIdle = control(at::globals + 11)->isDirty();
    };
    session->system().advanceClock(200);
    editor().pumpIdle();
    plugin().settings().duringCall = nullptr;
    EXPECT_TRUE(dirtyAfterNestedIdle);
    EXPECT_EQ(value(at::globals + 11), 0.75f);
    idle();
    EXPECT_FALSE(control(at::globals + 11)->isDirty());
}

TEST_F(Editing, PumpedIdleRedrawsAChangedControl) {
    set(83, 0.9f);
    session->system().advanceClock(200);
    editor().pumpIdle();
    EXPECT_EQ(value(at::globals + 11), 0.9f);
    EXPECT_FALSE(control(at::globals + 11)->isDirty());
}

}  // namespace
}  // namespace strellon::test

// Plug-in to editor: stored changes move their controls, the linked strings'
// controls, the shaping LEDs and the ToneRama knob at the next idle.
#include <limits>

#include "tests/editor/EditorFixture.h"
#include "toolkit/ParamDisplay.h"

namespace strellon::test {
namespace {

class Sync : public EditorTest {
protected:
    // Links as given (1 on, 0 off), every exciter and tuning value distinct
    // and shown.
    void openWithLinks(const std::vector<int>& on) {
        for (int k = 0; k < 12; ++k) set(k, 0.0f);
        for (int k = 0; k < 12; ++k) {
            set(12 + k, 0.01f * float(k + 1));
            set(24 + k, 0.5f + 0.01f * float(k + 1));
        }
        for (int k : on) set(k - 1, 1.0f);
        open();
    }
    // Strings (1-based) whose knob of the row shows v.
    std::vector<int> showing(int row, float v) {
        std::vector<int> strings;
        for (int k = 0; k < 12; ++k)
            if (value(row + k) == v) strings.push_back(k + 1);
        return strings;
    }
    std::vector<int> litLeds() {
        std::vector<int> lit;
        for (int n = 0; n < 10; ++n)
            if (value(at::led + n) == 1.0f) lit.push_back(n + 1);
        return lit;
    }
};

using Strings = std::vector<int>;

TEST_F(Sync, LinkOneIsTheMasterSwitch) {
    openWithLinks({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    set(13, 0.7f);  // Exciter2, Link1 off
    idle();
    EXPECT_EQ(showing(at::exciter, 0.7f), Strings{2});
}

TEST_F(Sync, LinkedStringsFollowThroughStringOne) {
    openWithLinks({1, 3});
    set(12, 0.7f);  // Exciter1
    idle();
    EXPECT_EQ(showing(at::exciter, 0.7f), (Strings{1, 3}));
    set(13, 0.8f);  // Exciter2, not linked
    idle();
    EXPECT_EQ(showing(at::exciter, 0.8f), Strings{2});
    set(14, 0.9f);  // Exciter3
    idle();
    EXPECT_EQ(showing(at::exciter, 0.9f), (Strings{1, 3}));
}

TEST_F(Sync, TuningMovesKnobsAndDisplaysOfLinkedStrings) {
    openWithLinks({1, 5, 7});
    set(28, 0.25f);  // Tuning5
    idle();
    EXPECT_EQ(showing(at::tuning, 0.25f), (Strings{1, 5, 7}));
    EXPECT_EQ(showing(at::display, 0.25f), (Strings{1, 5, 7}));
}

TEST_F(Sync, ALinkChangeMovesOnlyItsButton) {
    openWithLinks({1});
    const float exciter2 = value(at::exciter + 1);
    set(1, 1.0f);  // Link2 on
    idle();
    EXPECT_EQ(value(at::link + 1), 1.0f);
    EXPECT_EQ(value(at::exciter + 1), exciter2);
}

TEST_F(Sync, ControlsFollowOnlyAtTheNextIdle) {
    openWithLinks({});
    set(83, 0.3f);
    set(72, 0.6f);
    // The host's thread touched no control.
    EXPECT_NE(value(at::globals + 11), 0.3f);
    idle();
    EXPECT_EQ(value(at::globals + 11), 0.3f);  // Volume
    EXPECT_EQ(value(at::globals + 0), 0.6f);   // Modulation
}

TEST_F(Sync, ShapingLedsFollowTheBands) {
    openWithLinks({});
    const std::vector<std::pair<float, std::vector<int>>> cases = {
        {0.0f, {}},  {0.1f, {1}},  {0.15f, {2}}, {0.5f, {5}},  {0.95f, {10}},
        {0.98f, {10}}, {0.99f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, {-0.5f, {}}};
    for (const auto& [shaping, lit] : cases) {
        set(60, shaping);
        idle();
        EXPECT_EQ(litLeds(), lit) << shaping;
        EXPECT_EQ(value(at::globals + 5), shaping);
    }
}

TEST_F(Sync, ToneRamaRestsInTheMiddleWhileDynaToneIsOff) {
    openWithLinks({});
    set(77, 0.0f);
    set(78, 0.8f);
    idle();
    EXPECT_EQ(value(at::globals + 7), 0.5f);
    // DynaTone alone does not move it; the next ToneRama change does.
    set(77, 0.4f);
    idle();
    EXPECT_EQ(value(at::globals + 7), 0.5f);
    set(78, 0.8f);
    idle();
    EXPECT_EQ(value(at::globals + 7), 0.8f);
}

TEST_F(Sync, SlotsWithoutControlsMoveNothingButAskForAnUpdate) {
    openWithLinks({});
    idle();
    std::vector<float> before;
    for (int i = 0; i < InstrumentEditor::kControlCount; ++i) before.push_back(value(i));
    for (int index : {61, 66, 71, 79, 84, 200, -1}) {
        editor().setParameter(index, 0.9f);
        idle();
    }
    for (int i = 0; i < InstrumentEditor::kControlCount; ++i) EXPECT_EQ(value(i), before[i]) << i;
}

TEST_F(Sync, ChangesWhileClosedShowAtTheNextOpen) {
    open();
    close();
    set(83, 0.123f);
    set(60, 0.99f);
    idle();  // closed: nothing to do
    open();
    EXPECT_EQ(value(at::globals + 11), 0.123f);
    EXPECT_EQ(litLeds().size(), 10u);
}

TEST_F(Sync, ProgramChangesMoveEveryControl) {
    open();
    plugin().changeProgram(3);
    idle();
    for (int i = 0; i < at::link; ++i) {
        const int tag = control(i)->getTag();
        if (tag == 78 && plugin().getParameter(77) == 0.0f) continue;
        EXPECT_EQ(value(i), plugin().getParameter(tag)) << i;
    }
}

TEST_F(Sync, StringLampsFollowHeldNotesAfterAnIdle) {
    open();
    session->holdNotes({60, 64, 71 + 12});  // C, E, B
    idle();
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(value(at::lamp + k), (k == 0 || k == 4 || k == 11) ? 1.0f : 0.0f) << k;
    host::MidiEventList off;
    off.add(0, 0x80, 64, 0);
    plugin().sendEvents(off.get());
    float left[64], right[64];
    float* outputs[] = {left, right};
    plugin().processReplacing(outputs, 64);
    idle();
    EXPECT_EQ(value(at::lamp + 4), 0.0f);
    EXPECT_EQ(value(at::lamp + 0), 1.0f);
}

TEST(TuningDisplay, TextsTruncateTowardZero) {
    const auto text = [](float v) {
        char buffer[kDisplayTextSize];
        InstrumentEditor::formatTuning(v, buffer);
        return std::string(buffer);
    };
    EXPECT_EQ(text(0.5f), "0");
    EXPECT_EQ(text(0.0f), "-100");
    EXPECT_EQ(text(1.0f), "100");
    EXPECT_EQ(text(0.005f), "-99");
    EXPECT_EQ(text(0.996f), "99");
    // Stored values are not clamped; the text stays defined.
    EXPECT_EQ(text(std::numeric_limits<float>::quiet_NaN()), "0");
    EXPECT_EQ(text(1e30f), "1000000000");
}

}  // namespace
}  // namespace strellon::test

// The parameter store: names, the link mechanism, the ToneRama rule and the
// display texts.
#include <cmath>
#include <vector>

#include "FrameTest.h"
#include "engine/Parameters.h"
#include "instrument/Instrument.h"

using namespace strellon;
using strellon::test::loadStrellon;
using strellon::test::textOrMarker;

class Parameters : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadStrellon();
        ASSERT_TRUE(plugin);
    }
    void set(int index, float value) { plugin->setParameter(index, value); }
    float get(int index) { return plugin->getParameter(index); }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Parameters, NamesAreByteExact) {
    const std::pair<int, const char*> names[] = {
        {0, "Link1 "}, {9, "Link10 "}, {11, "Link12 "}, {12, "Exciter1"}, {13, "Exciter2"},
        {14, "Exciter3 "}, {23, "Exciter12 "}, {24, "Tuning1 "}, {35, "Tuning12 "},
        {36, "Fixing1 "}, {47, "Fixing12 "}, {48, " nisFilter1  "}, {56, " nisFilter9  "},
        {57, " nisFilter10 "}, {59, " nisFilter12 "}, {60, "Shaping "}, {72, "Modulation  "},
        {73, "SelfBend "}, {74, "Sympathetic "}, {75, "Damp"}, {76, "ThePick "},
        {77, "DynaTone "}, {78, "ToneRama  "}, {80, "Velocity "}, {81, "Pitch "},
        {82, "Chorus   "}, {83, "Volume "},
    };
    for (auto [index, name] : names) EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamName, index), name);
    int named = 0;
    for (int i = 0; i < kNumParams; ++i) {
        const std::string name = textOrMarker(*plugin, vst2::effGetParamName, i);
        if (name != "<untouched>") {
            ++named;
            EXPECT_LE(name.size(), 13u) << i;
        }
    }
    EXPECT_EQ(named, 72);
    for (int i : {61, 66, 71, 79, 84, -1, 1000})
        EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamName, i), "<untouched>") << i;
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamLabel, 83), "<untouched>");
}

TEST_F(Parameters, DisplayShowsOnlyTuning1ShapingAndVolume) {
    set(kLink, 0.0f);
    set(kTuning, 0.5f);
    set(kTuning + 1, 0.7f);
    set(kShaping, 0.415f);
    set(kVolume, 12.5f);
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, kTuning), "0.500000");
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, kTuning + 1), "");
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, kShaping), "0.414999");
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, kVolume), "12.50000");
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, kDamp), "");
    EXPECT_EQ(textOrMarker(*plugin, vst2::effGetParamDisplay, 200), "");
}

TEST_F(Parameters, ALinkedMemberSetsTheWholeSetInOneGroupOnly) {
    for (int s = 0; s < kNumStrings; ++s) set(kLink + s, 0.0f);
    set(kLink, 1.0f);
    set(kLink + 2, 0.5f);   // string 3
    set(kLink + 6, 0.08f);  // string 7: small but on
    set(kTuning + 2, 0.3f);
    set(kExciter + 2, 0.7f);
    for (int s : {1, 3, 7}) EXPECT_FLOAT_EQ(get(kExciter + s - 1), 0.7f) << s;
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.3f);  // string 2 is not linked
    // The store reached the current program too: reloading keeps it.
    plugin->dispatch(vst2::effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(get(kExciter + 6), 0.7f);
    EXPECT_FLOAT_EQ(get(kExciter + 1), 0.3f);
    // Other groups are untouched by an Exciter store.
    EXPECT_FLOAT_EQ(get(kTuning + 2), 0.3f);
    EXPECT_FLOAT_EQ(get(kFixing + 2), 0.415f);
}

TEST_F(Parameters, WithLink1OffNothingIsLinked) {
    set(kLink, 0.0f);
    set(kExciter + 4, 0.9f);
    set(kExciter, 0.1f);
    EXPECT_FLOAT_EQ(get(kExciter), 0.1f);
    EXPECT_FLOAT_EQ(get(kExciter + 4), 0.9f);  // Link5 is 1.0 but Link1 is off
    EXPECT_FLOAT_EQ(get(kExciter + 5), 0.3f);
}

TEST_F(Parameters, LinkedReadsFollowString1WithoutMovingStoredValues) {
    set(kLink, 0.0f);
    set(kTuning + 1, 0.9f);
    EXPECT_FLOAT_EQ(get(kTuning + 1), 0.9f);
    set(kLink, 1.0f);  // linking takes effect at the next read
    EXPECT_FLOAT_EQ(get(kTuning + 1), 0.5f);
    set(kLink, 0.0f);
    EXPECT_FLOAT_EQ(get(kTuning + 1), 0.9f);
}

TEST_F(Parameters, ToneRamaHoldsHalfWhileDynaToneIsZero) {
    set(kDynaTone, 0.0f);
    set(kToneRama, 0.9f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);
    set(kDynaTone, 0.4f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);  // the stored 0.5
    set(kToneRama, 0.9f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.9f);
    set(kDynaTone, 0.0f);
    EXPECT_FLOAT_EQ(get(kToneRama), 0.5f);
}

TEST_F(Parameters, ValuesAreStoredUnclampedButNeverNonFinite) {
    set(kVolume, 1.7f);
    EXPECT_FLOAT_EQ(get(kVolume), 1.7f);
    set(kVolume, -0.2f);
    EXPECT_FLOAT_EQ(get(kVolume), -0.2f);
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        set(kVolume, bad);
        set(kExciter, bad);
        EXPECT_FLOAT_EQ(get(kVolume), -0.2f);
        EXPECT_FLOAT_EQ(get(kExciter + 5), 0.3f);
    }
}

TEST_F(Parameters, UnnamedSlotsAndOutsideIndexesHoldNothing) {
    for (int i : {61, 70, 71, 79, 84, -1, 100000}) {
        set(i, 0.3f);
        EXPECT_EQ(get(i), 0.0f) << i;
    }
}

// The editor is told of every store, as received.
namespace {

struct CountingEditor : EditorInterface {
    using EditorInterface::EditorInterface;
    void setParameter(vst2::int32 index, float value) override {
        received.push_back({index, value});
    }
    std::vector<std::pair<int, float>> received;
};

struct EditedInstrument : Instrument {
    EditedInstrument() : Instrument(nullptr) { setEditor(counting = new CountingEditor(this)); }
    CountingEditor* counting;
};

}  // namespace

TEST(ParameterEditor, EveryStoreTellsTheEditorTheValueReceived) {
    EditedInstrument instrument;
    instrument.setParameter(70, 0.3f);
    instrument.setParameter(kToneRama, 0.9f);  // stored as 0.5
    ASSERT_EQ(instrument.counting->received.size(), 2u);
    EXPECT_EQ(instrument.counting->received[0], (std::pair<int, float>{70, 0.3f}));
    EXPECT_EQ(instrument.counting->received[1], (std::pair<int, float>{kToneRama, 0.9f}));
    EXPECT_TRUE(instrument.counting->updateRequested());
    EXPECT_EQ(instrument.getParameter(kToneRama), 0.5f);
}

TEST(ParameterEditor, LoadingAProgramStoresEverySlotButSeventyNine) {
    EditedInstrument instrument;
    instrument.setProgram(7);
    std::vector<int> indexes;
    for (auto [index, value] : instrument.counting->received) indexes.push_back(index);
    ASSERT_EQ(indexes.size(), 83u);
    for (int i = 0, expected = 0; i < 83; ++i, ++expected) {
        if (expected == 79) ++expected;
        EXPECT_EQ(indexes[i], expected);
    }
}

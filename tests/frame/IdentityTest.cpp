// What the instrument says about itself: names, outputs, capabilities and
// the General MIDI names per channel.
#include <cstring>

#include "FrameTest.h"

using namespace strellon;
using strellon::test::loadStrellon;

class Identity : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadStrellon();
        ASSERT_TRUE(plugin);
    }
    vst2::intptr canDo(const char* text) {
        return plugin->dispatch(vst2::effCanDo, 0, 0, const_cast<char*>(text));
    }
    vst2::intptr programName(vst2::int32 channel, vst2::int32 program, vst2::MidiProgramName& r) {
        std::memset(&r, 0x5A, sizeof(r));
        r.thisProgramIndex = program;
        return plugin->dispatch(vst2::effGetMidiProgramName, channel, 0, &r);
    }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Identity, NamesAndVersion) {
    EXPECT_EQ(plugin->text(vst2::effGetEffectName), "Strellon");
    EXPECT_EQ(plugin->text(vst2::effGetVendorString), "Quorvanix");
    EXPECT_EQ(plugin->text(vst2::effGetProductString), "Quorvanix Strellon");
    char buffer[64];
    EXPECT_EQ(plugin->dispatch(vst2::effGetEffectName, 0, 0, buffer), 1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetVendorString, 0, 0, buffer), 1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProductString, 0, 0, buffer), 1);
}

TEST_F(Identity, CapabilitiesMatchExactly) {
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("midiProgramNames"), 1);
    EXPECT_EQ(canDo("receiveVstTimeInfo"), -1);
    EXPECT_EQ(canDo("midiProgramNames "), -1);
    EXPECT_EQ(canDo("ReceiveVstEvents"), -1);
    EXPECT_EQ(canDo(""), -1);
}

TEST_F(Identity, TwoStereoOutputPins) {
    vst2::VstPinProperties pin{};
    std::strcpy(pin.shortLabel, "host");
    pin.arrangementType = 77;
    EXPECT_EQ(plugin->dispatch(vst2::effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Strellon 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.shortLabel, "host");
    EXPECT_EQ(pin.arrangementType, 77);
    EXPECT_EQ(plugin->dispatch(vst2::effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Strellon 1");
    vst2::VstPinProperties untouched{};
    std::strcpy(untouched.label, "keep");
    for (int index : {2, -1}) {
        EXPECT_EQ(plugin->dispatch(vst2::effGetOutputProperties, index, 0, &untouched), 0);
        EXPECT_STREQ(untouched.label, "keep");
    }
    EXPECT_EQ(plugin->dispatch(vst2::effGetInputProperties, 0, 0, &untouched), 0);
}

TEST_F(Identity, GeneralMidiProgramNames) {
    vst2::MidiProgramName r;
    EXPECT_EQ(programName(0, 7, r), 128);
    EXPECT_STREQ(r.name, "Clavi");
    EXPECT_EQ(r.midiProgram, 7);
    EXPECT_EQ(r.parentCategoryIndex, 1);
    EXPECT_EQ(static_cast<unsigned char>(r.midiBankMsb), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(r.midiBankLsb), 0xFF);
    EXPECT_EQ(r.reserved, 0);
    EXPECT_EQ(r.flags, 0);

    EXPECT_EQ(programName(0, 6, r), 128);
    EXPECT_STREQ(r.name, "Harpsichord");
    EXPECT_EQ(r.parentCategoryIndex, 0);
    const std::pair<int, const char*> samples[] = {
        {0, "Acoustic Grand Piano"}, {31, "Guitar harmonics"}, {46, "Orchestral Harp"},
        {109, "Bag pipe"}, {127, "Gunshot"}};
    for (auto [program, name] : samples) {
        EXPECT_EQ(programName(3, program, r), 128);
        EXPECT_STREQ(r.name, name);
    }
    EXPECT_EQ(r.parentCategoryIndex, 15);
    EXPECT_EQ(programName(0, 120, r), 128);
    EXPECT_EQ(r.parentCategoryIndex, 15);
    EXPECT_EQ(programName(0, 119, r), 128);
    EXPECT_EQ(r.parentCategoryIndex, 14);
}

TEST_F(Identity, DrumChannelHasOneProgram) {
    vst2::MidiProgramName r;
    EXPECT_EQ(programName(9, 40, r), 1);
    EXPECT_STREQ(r.name, "Standard");
    EXPECT_EQ(r.midiProgram, 0);
    EXPECT_EQ(r.parentCategoryIndex, 0);
}

TEST_F(Identity, OutOfRangeProgramLeavesTheRecord) {
    vst2::MidiProgramName r;
    for (int program : {128, -1}) {
        EXPECT_EQ(programName(0, program, r), 0);
        EXPECT_EQ(static_cast<unsigned char>(r.name[0]), 0x5A);
    }
}

TEST_F(Identity, CurrentProgramPerChannel) {
    vst2::MidiProgramName r{};
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, 4, 0, &r), 4);
    EXPECT_EQ(r.thisProgramIndex, 4);
    EXPECT_STREQ(r.name, "Electric Piano 1");
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, 9, 0, &r), 9);
    EXPECT_STREQ(r.name, "Standard");
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, 16, 0, &r), -1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, -1, 0, &r), -1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, 0, 0, nullptr), -1);
}

TEST_F(Identity, Categories) {
    vst2::MidiProgramCategory c{};
    c.thisCategoryIndex = 16;
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramCategory, 0, 0, &c), 17);
    EXPECT_STREQ(c.name, "DrumSets");
    EXPECT_EQ(c.parentCategoryIndex, -1);
    c.thisCategoryIndex = 11;
    plugin->dispatch(vst2::effGetMidiProgramCategory, 0, 0, &c);
    EXPECT_STREQ(c.name, "SynthPad");
    c.thisCategoryIndex = 17;
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramCategory, 0, 0, &c), 17);
    EXPECT_STREQ(c.name, "");
    c.thisCategoryIndex = 3;
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramCategory, 9, 0, &c), 1);
    EXPECT_STREQ(c.name, "Drums");
}

TEST_F(Identity, KeyNamesAreEmptyAndNothingChanges) {
    vst2::MidiKeyName k{};
    std::strcpy(k.keyName, "C4");
    k.reserved = 3;
    k.flags = 5;
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiKeyName, 0, 0, &k), 0);
    EXPECT_STREQ(k.keyName, "");
    EXPECT_EQ(k.reserved, 0);
    EXPECT_EQ(k.flags, 0);
    EXPECT_EQ(plugin->dispatch(vst2::effHasMidiProgramsChanged, 0), 0);
}

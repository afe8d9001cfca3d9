// Records the plug-in fills for the host, byte by byte: what it writes, and
// that the fields it has no business with keep the host's bytes.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "Conformance.h"

namespace strellon::conformance {
namespace {

constexpr unsigned char kFill = 0x5A;

// The General MIDI level 1 sound set, in program order.
const char* const kGeneralMidi[128] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi", "Celesta", "Glockenspiel",
    "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion",
    "Harmonica", "Tango Accordion", "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)",
    "Electric Guitar (jazz)", "Electric Guitar (clean)", "Electric Guitar (muted)",
    "Overdriven Guitar", "Distortion Guitar", "Guitar harmonics", "Acoustic Bass",
    "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass", "Slap Bass 1",
    "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani", "String Ensemble 1",
    "String Ensemble 2", "SynthStrings 1", "SynthStrings 2", "Choir Aahs", "Voice Oohs",
    "Synth Voice", "Orchestra Hit", "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn",
    "Brass Section", "SynthBrass 1", "SynthBrass 2", "Soprano Sax", "Alto Sax", "Tenor Sax",
    "Baritone Sax", "Oboe", "English Horn", "Bassoon", "Clarinet", "Piccolo", "Flute", "Recorder",
    "Pan Flute", "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina", "Lead 1 (square)",
    "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)", "Lead 5 (charang)",
    "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)", "Pad 1 (new age)", "Pad 2 (warm)",
    "Pad 3 (polysynth)", "Pad 4 (choir)", "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)",
    "Pad 8 (sweep)", "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)", "Sitar", "Banjo",
    "Shamisen", "Koto", "Kalimba", "Bag pipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo",
    "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter",
    "Applause", "Gunshot",
};

int categoryOf(int program) {
    const int bounds[] = {0, 7, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120, 128};
    for (int i = 0; i < 16; ++i)
        if (bounds[i] <= program && program < bounds[i + 1]) return i;
    return -1;
}

// Bytes in [from, to) of a record still hold the fill.
template <class Record>
bool untouched(const Record& r, std::size_t from, std::size_t to) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (std::size_t i = from; i < to; ++i)
        if (bytes[i] != kFill) return false;
    return true;
}

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = load();
        ASSERT_TRUE(plugin);
    }
    vst2::intptr programName(int channel, int program, vst2::MidiProgramName& r) {
        std::memset(&r, kFill, sizeof(r));
        r.thisProgramIndex = program;
        return plugin->dispatch(vst2::effGetMidiProgramName, channel, 0, &r);
    }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Records, EveryGeneralMidiNameWithItsCategory) {
    for (int channel : {0, 8, 10, 15}) {
        for (int p = 0; p < 128; ++p) {
            vst2::MidiProgramName r;
            ASSERT_EQ(programName(channel, p, r), 128) << p;
            EXPECT_EQ(r.thisProgramIndex, p);
            EXPECT_STREQ(r.name, kGeneralMidi[p]) << p;
            EXPECT_EQ(static_cast<unsigned char>(r.midiProgram), p);
            EXPECT_EQ(static_cast<unsigned char>(r.midiBankMsb), 0xFF);
            EXPECT_EQ(static_cast<unsigned char>(r.midiBankLsb), 0xFF);
            EXPECT_EQ(r.reserved, 0);
            EXPECT_EQ(r.parentCategoryIndex, categoryOf(p)) << p;
            EXPECT_EQ(r.flags, 0);
        }
    }
}

TEST_F(Records, ChannelIndexesBeyondSixteenAreNamedLikeAnyOtherChannel) {
    // Only the drum channel is special in the program list; the channel
    // index is not range checked there.
    vst2::MidiProgramName r;
    EXPECT_EQ(programName(16, 7, r), 128);
    EXPECT_STREQ(r.name, "Clavi");
    EXPECT_EQ(programName(-1, 46, r), 128);
    EXPECT_STREQ(r.name, "Orchestral Harp");
}

TEST_F(Records, DrumChannelDescribesEveryProgramAsStandard) {
    for (int p : {0, 1, 40, 127}) {
        vst2::MidiProgramName r;
        EXPECT_EQ(programName(9, p, r), 1) << p;
        EXPECT_EQ(r.thisProgramIndex, p);
        EXPECT_STREQ(r.name, "Standard");
        EXPECT_EQ(r.midiProgram, 0);
        EXPECT_EQ(static_cast<unsigned char>(r.midiBankMsb), 0xFF);
        EXPECT_EQ(static_cast<unsigned char>(r.midiBankLsb), 0xFF);
        EXPECT_EQ(r.reserved, 0);
        EXPECT_EQ(r.parentCategoryIndex, 0);
        EXPECT_EQ(r.flags, 0);
    }
    vst2::MidiProgramName r;
    EXPECT_EQ(programName(9, 128, r), 0);
    EXPECT_TRUE(untouched(r, offsetof(vst2::MidiProgramName, name), sizeof(r)));
}

TEST_F(Records, CurrentProgramOfEveryChannel) {
    for (int channel = 0; channel < 16; ++channel) {
        vst2::MidiProgramName r;
        std::memset(&r, kFill, sizeof(r));
        EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, channel, 0, &r), channel);
        EXPECT_EQ(r.thisProgramIndex, channel);
        EXPECT_STREQ(r.name, channel == 9 ? "Standard" : kGeneralMidi[channel]);
        EXPECT_EQ(r.midiProgram, channel == 9 ? 0 : channel);
        EXPECT_EQ(r.parentCategoryIndex, channel == 9 ? 0 : categoryOf(channel));
        EXPECT_EQ(r.flags, 0);
        EXPECT_EQ(r.reserved, 0);
    }
    vst2::MidiProgramName r;
    std::memset(&r, kFill, sizeof(r));
    EXPECT_EQ(plugin->dispatch(vst2::effGetCurrentMidiProgram, 16, 0, &r), -1);
    EXPECT_TRUE(untouched(r, 0, sizeof(r)));
}

TEST_F(Records, CategoriesKeepTheAskedIndex) {
    const char* expected[17] = {"Piano",         "Percussion", "Organ",      "Guitar",  "Bass",
                                "Strings",       "Ensemble",   "Brass",      "Reed",    "Pipe",
                                "Synth Lead",    "SynthPad",   "Synth Effects", "Ethnic", "Percussive",
                                "Effects",       "DrumSets"};
    for (int c = -1; c <= 17; ++c) {
        vst2::MidiProgramCategory r;
        std::memset(&r, kFill, sizeof(r));
        r.thisCategoryIndex = c;
        EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramCategory, 3, 0, &r), 17);
        EXPECT_EQ(r.thisCategoryIndex, c);
        EXPECT_STREQ(r.name, c >= 0 && c < 17 ? expected[c] : "") << c;
        EXPECT_EQ(r.parentCategoryIndex, -1);
        EXPECT_EQ(r.flags, 0);
    }
    vst2::MidiProgramCategory r;
    std::memset(&r, kFill, sizeof(r));
    r.thisCategoryIndex = 40;
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramCategory, 9, 0, &r), 1);
    EXPECT_EQ(r.thisCategoryIndex, 40);
    EXPECT_STREQ(r.name, "Drums");
    EXPECT_EQ(r.parentCategoryIndex, -1);
    EXPECT_EQ(r.flags, 0);
}

TEST_F(Records, KeyNamesClearOnlyTheirOwnFields) {
    vst2::MidiKeyName r;
    std::memset(&r, kFill, sizeof(r));
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiKeyName, 2, 0, &r), 0);
    EXPECT_TRUE(untouched(r, 0, offsetof(vst2::MidiKeyName, keyName)));  // program and key asked
    EXPECT_EQ(r.keyName[0], '\0');
    EXPECT_EQ(r.reserved, 0);
    EXPECT_EQ(r.flags, 0);
}

TEST_F(Records, OutputPinsWriteLabelAndFlagsOnly) {
    for (int index : {0, 1}) {
        vst2::VstPinProperties r;
        std::memset(&r, kFill, sizeof(r));
        EXPECT_EQ(plugin->dispatch(vst2::effGetOutputProperties, index, 0, &r), 1);
        EXPECT_STREQ(r.label, index == 0 ? "Strellon 1" : "Strellon 2");
        EXPECT_EQ(r.flags, 3);
        EXPECT_TRUE(untouched(r, offsetof(vst2::VstPinProperties, arrangementType), sizeof(r)));
    }
    vst2::VstPinProperties r;
    std::memset(&r, kFill, sizeof(r));
    EXPECT_EQ(plugin->dispatch(vst2::effGetOutputProperties, 2, 0, &r), 0);
    EXPECT_TRUE(untouched(r, 0, sizeof(r)));
}

TEST_F(Records, CapabilitiesAreWholeTextsOnly) {
    auto canDo = [&](const char* text) {
        return plugin->dispatch(vst2::effCanDo, 0, 0, const_cast<char*>(text));
    };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVst"), -1);          // a prefix
    EXPECT_EQ(canDo("midiProgramName"), -1);     // one short
    EXPECT_EQ(canDo("receiveVstMidiEvents"), -1);
    EXPECT_EQ(canDo("sendVstMidiEvent"), -1);
    EXPECT_EQ(canDo("bypass"), -1);
}

TEST_F(Records, TextsFromTheHostBufferAreWrittenWithTheirZero) {
    char buffer[64];
    std::memset(buffer, kFill, sizeof(buffer));
    plugin->dispatch(vst2::effGetEffectName, 0, 0, buffer);
    EXPECT_EQ(std::string(buffer, 9), std::string("Strellon\0", 9));
    EXPECT_EQ(static_cast<unsigned char>(buffer[9]), kFill);
    std::memset(buffer, kFill, sizeof(buffer));
    plugin->dispatch(vst2::effGetParamName, 48, 0, buffer);
    EXPECT_EQ(std::string(buffer, 14), std::string(" nisFilter1  \0", 14));
}

}  // namespace
}  // namespace strellon::conformance

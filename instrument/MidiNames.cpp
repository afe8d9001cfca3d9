#include "instrument/MidiNames.h"

#include <cstring>

namespace strellon {

namespace {

// The General MIDI level 1 sound set, in program order.
constexpr const char* kGeneralMidiNames[kNumMidiPrograms] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)", "Electric Guitar (clean)",
    "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "SynthBrass 1", "SynthBrass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
    "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

constexpr const char* kCategoryNames[kNumMidiCategories] = {
    "Piano", "Percussion", "Organ", "Guitar", "Bass", "Strings",
    "Ensemble", "Brass", "Reed", "Pipe", "Synth Lead", "SynthPad",
    "Synth Effects", "Ethnic", "Percussive", "Effects", "DrumSets",
};

// Category i holds programs bound[i] to bound[i + 1] - 1; the first ends at
// 7 so that "Clavi" opens the percussion group.
constexpr short kCategoryBounds[kNumMidiCategories] = {
    0, 7, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120, 128,
};

void copyName(char* destination, const char* text) {
    std::strncpy(destination, text, kMidiNameSize - 1);
    destination[kMidiNameSize - 1] = '\0';
}

}  // namespace

const char* generalMidiName(int program) {
    return program >= 0 && program < kNumMidiPrograms ? kGeneralMidiNames[program] : nullptr;
}

const char* midiCategoryName(int category) {
    return category >= 0 && category < kNumMidiCategories ? kCategoryNames[category] : nullptr;
}

int midiCategoryOf(int program) {
    for (int i = 0; i + 1 < kNumMidiCategories; ++i)
        if (kCategoryBounds[i] <= program && program < kCategoryBounds[i + 1]) return i;
    return -1;
}

void fillMidiProgramName(int channel, int program, vst2::MidiProgramName& record) {
    record.midiBankMsb = static_cast<char>(0xFF);  // no bank
    record.midiBankLsb = static_cast<char>(0xFF);
    record.reserved = 0;
    record.flags = 0;
    if (channel == kDrumChannel) {
        copyName(record.name, "Standard");
        record.midiProgram = 0;
        record.parentCategoryIndex = 0;
        return;
    }
    const char* name = generalMidiName(program);
    copyName(record.name, name ? name : "");
    record.midiProgram = static_cast<char>(program);
    record.parentCategoryIndex = midiCategoryOf(program);
}

}  // namespace strellon

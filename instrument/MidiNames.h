// The General MIDI program and category names the instrument offers per
// channel. They describe; they select nothing.
#pragma once

#include "plugin/vst2.h"

namespace strellon {

constexpr int kNumMidiPrograms = 128;
constexpr int kNumMidiCategories = 17;
constexpr int kNumMidiChannels = 16;
constexpr int kDrumChannel = 9;  // MIDI channel 10
constexpr int kMidiNameSize = 64;

// Null outside 0..127 and 0..16.
const char* generalMidiName(int program);
const char* midiCategoryName(int category);
// The category a program belongs to, or -1 outside 0..127.
int midiCategoryOf(int program);

// Fills name, program, bank and category of a record for one channel.
void fillMidiProgramName(int channel, int program, vst2::MidiProgramName& record);

}  // namespace strellon

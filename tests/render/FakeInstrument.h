// A tiny VST 2 instrument for the renderer's tests: a sine at the pitch of
// the last key held (NaN for key 0), and a log of everything the host sent it, with the
// absolute frame at which it arrived, and of the host's time information at
// each block. It writes two channels more than the two it declares, as some
// plug-ins do. Built twice: as an instrument, and without the synth flag as
// a plain effect.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/vst2.h"

namespace strellon::render::testing {

struct FakeLogEntry {
    std::int64_t frame;  // absolute frame: frames processed before the block plus deltaFrames
    int deltaFrames;
    unsigned char status, data1, data2;
    int program;  // -1 for MIDI events, else the program set through effSetProgram
};

struct FakeSwitches {
    bool mainsOn = false;
    bool processing = false;
};

struct FakeState {
    std::int64_t framesDone = 0;
    int program = 0;
    int key = -1;
    double phase = 0.0;
    float sampleRate = 44100.0f;
    std::vector<FakeLogEntry> log;
    std::vector<int> blockSizes;
    std::vector<vst2::VstTimeInfo> times;  // zeros where the host answered none
    FakeSwitches switches;
};

}  // namespace strellon::render::testing

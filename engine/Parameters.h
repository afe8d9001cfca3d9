// The 84 live parameter values and the indexes the engine reads them by.
// The instrument model owns and writes them; the engine only reads.
#pragma once

#include <array>
#include <atomic>

namespace strellon {

constexpr int kNumParams = 84;
constexpr int kNumStrings = 12;

enum ParamIndex : int {
    kLink = 0,        // 0..11, one per string
    kExciter = 12,    // 12..23
    kTuning = 24,     // 24..35
    kFixing = 36,     // 36..47
    kNisFilter = 48,  // 48..59
    kShaping = 60,
    kModulation = 72,
    kSelfBend = 73,
    kSympathetic = 74,
    kDamp = 75,
    kThePick = 76,
    kDynaTone = 77,
    kToneRama = 78,
    kVelocity = 80,
    kPitch = 81,
    kChorus = 82,
    kVolume = 83,
};

// Written by the host's threads and the editor, read by the audio thread: one
// value at a time, so relaxed atomics are all the ordering needed.
using ParamValues = std::array<std::atomic<float>, kNumParams>;

inline float readParam(const ParamValues& p, int index) {
    return p[index].load(std::memory_order_relaxed);
}

}  // namespace strellon

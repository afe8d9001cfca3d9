// One program: the 84 parameter values and a name. The bank of 128 lives in
// the Instrument.
#pragma once

#include <array>
#include <atomic>
#include <cstring>

#include "engine/Parameters.h"

namespace strellon {

constexpr int kNumPrograms = 128;
constexpr int kProgramNameSize = 24;  // 23 characters and the terminating zero

// The record every program starts with before the factory bank is written.
constexpr std::array<float, kNumParams> defaultRecord() {
    std::array<float, kNumParams> v{};
    for (int i = 0; i < kNumParams; ++i) {
        float value = 0.89f;  // Shaping and the unnamed slots after it
        if (i < kExciter) value = 1.0f;            // Link
        else if (i < kTuning) value = 0.3f;        // Exciter
        else if (i < kFixing) value = 0.5f;        // Tuning
        else if (i < kNisFilter) value = 0.415f;   // Fixing
        else if (i < kShaping) value = 0.8f;       // nisFilter
        v[i] = value;
    }
    v[kModulation] = 0.5f;
    v[kSelfBend] = 0.0f;
    v[kSympathetic] = 0.8f;
    v[kDamp] = 0.0f;
    v[kThePick] = 0.4f;
    v[kDynaTone] = 0.0f;
    v[kToneRama] = 0.5f;
    v[79] = 0.0f;  // never loaded; 0 like every factory program
    v[kVelocity] = 0.8f;
    v[kPitch] = 0.5f;
    v[kChorus] = 0.28f;
    v[kVolume] = 1.0f;
    return v;
}

inline constexpr char kDefaultProgramName[] = "Basic";

struct Program {
    Program() { reset(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void reset() {
        const auto defaults = defaultRecord();
        for (int i = 0; i < kNumParams; ++i) setValue(i, defaults[i]);
        setName(kDefaultProgramName);
    }
    void copyFrom(const Program& other) {
        for (int i = 0; i < kNumParams; ++i) setValue(i, other.value(i));
        std::memcpy(name, other.name, sizeof(name));
    }
    // Longer names are cut to what the record holds.
    void setName(const char* text) {
        std::strncpy(name, text, kProgramNameSize - 1);
        name[kProgramNameSize - 1] = '\0';
    }

    float value(int index) const { return values[index].load(std::memory_order_relaxed); }
    void setValue(int index, float v) { values[index].store(v, std::memory_order_relaxed); }

    // Values are stored from whichever thread sets a parameter.
    std::array<std::atomic<float>, kNumParams> values;
    char name[kProgramNameSize];
};

}  // namespace strellon

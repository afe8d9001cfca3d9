// Where each parameter index stands: its name for the host, its group, and
// which indexes follow string 1 when strings are linked.
#pragma once

#include "engine/Parameters.h"

namespace strellon {

constexpr int kUnnamed79 = 79;
// The four per-string groups that linking ties together.
constexpr int kLinkGroups[] = {kExciter, kTuning, kFixing, kNisFilter};

// The name shown to the host, blanks included, or null for unnamed slots and
// indexes outside the table.
const char* parameterName(int index);

// True for the slots that hold nothing (61 to 71 and 79).
constexpr bool isUnnamedSlot(int index) {
    return (index > kShaping && index < kModulation) || index == kUnnamed79;
}

// The base index of the per-string group holding index, or -1.
constexpr int linkGroupBase(int index) {
    for (int base : kLinkGroups)
        if (index >= base && index < base + kNumStrings) return base;
    return -1;
}

// Only an exact zero switches a link off.
constexpr bool isOn(float value) { return value != 0.0f; }

}  // namespace strellon

// The 41 factory programs that the instrument writes into its bank at start.
#pragma once

#include <array>

#include "engine/Parameters.h"
#include "instrument/Program.h"

namespace strellon {

struct FactoryProgram {
    using Strings = std::array<float, kNumStrings>;
    const char* name;
    Strings link, exciter, tuning, fixing, nisFilter;
    float shaping, modulation, selfBend, sympathetic, damp, thePick, dynaTone, toneRama,
        velocity, pitch, chorus, volume;

    // All 84 values by parameter index; the unnamed slots hold 0.
    std::array<float, kNumParams> values() const;
};

class FactoryBank {
public:
    static constexpr int kSize = 41;

    static const FactoryProgram& entry(int index);
    // Writes the values and names straight into programs 0 to 40 of bank,
    // without the parameter store: nothing live changes.
    static void fill(Program* bank);
};

}  // namespace strellon

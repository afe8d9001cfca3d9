#include "engine/EngineTables.h"

namespace strellon {

EngineTables::EngineTables() {
    double a = 8.175798915636872;
    for (int i = 0; i < 128; ++i) {
        noteFrequency[i] = static_cast<float>(a);
        a *= 1.059463094359;
    }

    for (int i = 0; i < kLimiterSize; ++i) limiter[i] = i / 4096.0 < 1.0 ? 1.0f : static_cast<float>(4096.0 / i);

    // Products of the scale with the C-major mask; entries from 128 on are
    // built from the start of the table again and double as the glissando
    // table, whose entry 0 is P[128] = 0.
    static constexpr int kMajor[12] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1};
    for (int j = 0; j < 132; ++j) {
        const int s = j < 128 ? j : products[j - 128];
        products[j] = s * kMajor[j % 12];
    }
    glissandoCount = 0;
    for (int i = 1; i <= 55; ++i) {
        if (products[i] != 0) {
            ++glissandoCount;
            products[128 + glissandoCount] = products[i];
        }
    }
}

const EngineTables& EngineTables::get() {
    static const EngineTables tables;
    return tables;
}

}  // namespace strellon

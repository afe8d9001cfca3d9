// Tables the engine computes once: note frequencies, the limiter's
// 1 / max(1, |x|) curve and the C-major glissando steps. They never change,
// so every engine instance shares one copy.
#pragma once

#include <array>

namespace strellon {

struct EngineTables {
    static constexpr int kLimiterSize = 32768;

    std::array<float, 128> noteFrequency;
    std::array<float, kLimiterSize> limiter;
    // Entries 0..glissandoCount are meaningful: 0 and the C-major offsets.
    // 132 scale products; the glissando table shares their storage from
    // entry 128 on and runs past it, hence the extra room.
    std::array<int, 128 + 33> products;
    int glissandoCount = 0;

    int glissando(int step) const { return products[128 + step]; }

    // Built on first use; call first from a non-audio thread.
    static const EngineTables& get();

private:
    EngineTables();
};

}  // namespace strellon

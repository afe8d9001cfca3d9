// The runtime's linear congruential generator, reproduced so that the sound
// does not depend on the C library in use. One state per thread: the audio
// thread and the editor draw from separate sequences.
#pragma once

#include <cstdint>

namespace strellon {

// Initial-exec: a thread's first draw must not make the dynamic loader
// allocate a TLS block, since that first draw happens inside an audio
// callback. Four bytes fit the static TLS space kept for loaded libraries.
inline thread_local std::uint32_t randomState __attribute__((tls_model("initial-exec"))) = 1;

// One step of the generator on a caller-held state (lets the voice bank draw
// a whole sample's numbers without touching thread-local storage each time).
inline int nextRandom(std::uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

// The generator k steps ahead in one go: state_k = multiplier[k] * state +
// increment[k]. Lets a caller compute a run of draws without a serial chain.
struct RandomJumps {
    static constexpr int kMax = 32;
    std::uint32_t multiplier[kMax + 1];
    std::uint32_t increment[kMax + 1];
    constexpr RandomJumps() : multiplier(), increment() {
        multiplier[0] = 1;
        increment[0] = 0;
        for (int k = 1; k <= kMax; ++k) {
            multiplier[k] = multiplier[k - 1] * 214013u;
            increment[k] = increment[k - 1] * 214013u + 2531011u;
        }
    }
};
inline constexpr RandomJumps kRandomJumps{};

// Any thread: a uniform integer 0..32767 from the calling thread's sequence.
inline int engineRandom() { return nextRandom(randomState); }

// Any thread: restarts the calling thread's sequence (tests compare runs).
inline void resetEngineRandom() { randomState = 1; }

// r / 32768, exact in single precision.
inline float randomUnit(int r) { return static_cast<float>(r) * 3.0517578125e-05f; }

}  // namespace strellon

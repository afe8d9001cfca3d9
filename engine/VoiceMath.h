// Formulas of the string voice that the scalar StringVoice and the
// twelve-lane VoiceBank share, so both compute every value the same way.
#pragma once

#include <cmath>

#include "engine/Random.h"

namespace strellon {

// Loop capacity the length unit D is rounded through; the buffers themselves
// are larger so low notes keep their pitch at high rates.
constexpr int kVoiceCapacity = 3000;

// The rates the engine plays at; the loop buffers are sized for the lowest
// note at the highest of them, with every tuning offset and the drift's 6 %
// swing.
constexpr float kMinimumRate = 8000.0f;
constexpr float kMaximumRate = 384000.0f;
constexpr int kLoopCapacity = 32768;
constexpr int kCombCapacity = 32768;
constexpr int kModeBMinimumSize = 65536;

constexpr float kLoopGainLimit = 0.99999988f;
constexpr float kSilence = 1.8e-6f;

// Character operation chosen by the Shaping value (shared by all voices),
// named for what it does to the loop sample: now and then dulled (by the
// nisFilter amount), inverted or replaced when a low-passed copy peaks, or
// low-passed at the tone frequency.
enum class Character {
    kNone,                     // Shaping 0 (or not a number)
    kSometimesDulled,          // up to 0.1
    kSometimesDulledThenTone,  // up to 0.2
    kInvertOnTonePeak,         // up to 0.3
    kInvertOnPeakThenTone,     // up to 0.4
    kPeakTo09,                 // up to 0.5
    kPeakTo09ElseTone,         // up to 0.6
    kPeakTo05,                 // up to 0.7
    kPeakTo05ElseTone,         // up to 0.8
    kToneOnly,                 // up to 0.98
    kModeB,                    // above 0.98: the other loop, no character
};

inline Character characterFor(float shaping) {
    if (shaping > 0.98f) return Character::kModeB;
    if (shaping > 0.8f) return Character::kToneOnly;
    if (shaping > 0.7f) return Character::kPeakTo05ElseTone;
    if (shaping > 0.6f) return Character::kPeakTo05;
    if (shaping > 0.5f) return Character::kPeakTo09ElseTone;
    if (shaping > 0.4f) return Character::kPeakTo09;
    if (shaping > 0.3f) return Character::kInvertOnPeakThenTone;
    if (shaping > 0.2f) return Character::kInvertOnTonePeak;
    if (shaping > 0.1f) return Character::kSometimesDulledThenTone;
    if (shaping > 0.0f) return Character::kSometimesDulled;
    return Character::kNone;  // also for a value that is not a number
}

// The first two bands draw one extra number per voice and sample.
constexpr bool drawsCharacter(Character c) {
    return c == Character::kSometimesDulled || c == Character::kSometimesDulledThenTone;
}

// The bands whose pluck adds a sine (Shaping above 0.3 up to 0.5).
constexpr bool addsSine(Character c) { return c == Character::kInvertOnPeakThenTone || c == Character::kPeakTo09; }

// How many samples a pluck's pulse lasts.
inline float pulseLength(float lengthUnit) {
    const float L = 2.0f * lengthUnit;
    return L >= 5.0f ? L : 5.0f;
}

// "Sometimes" in the character table: 2q/32768 <= 0.11764706.
constexpr int kSometimesLimit = 1927;

struct VoiceRates {
    float angular;
    float attack;   // 1 ms to 1 %
    float release;  // 400 ms to 1 %
    // The one-pole step runs away once its coefficient passes 2 and rings
    // above 1; a cutoff is held to where the coefficient is 1 (the filter
    // then passes its input), which at 44.1 kHz and above no cutoff reaches.
    float highestCutoff;
    // The self-bend shortens the loop by a number of samples, set for
    // 44.1 kHz; scaled by rate / 44100 it bends the pitch alike at every rate.
    float bendScale;
    // The envelope's growth per sample was set for 44.1 kHz; a loop D
    // samples long grows it by D * 1e-7 per sample there. Per second that is
    // (rate / 44100)^2 times more at another rate, so it is scaled back.
    float growthScale;
};

inline VoiceRates voiceRates(float sampleRate) {
    const float relative = 44100.0f / sampleRate;
    return {6.28319f / sampleRate,
            static_cast<float>(std::pow(0.01, 1.0 / (sampleRate * 0.001))),
            static_cast<float>(std::pow(0.01, 1.0 / (sampleRate * 0.4))),
            sampleRate / 6.28319f,
            sampleRate / 44100.0f,
            relative * relative};
}

// The one-pole cutoffs of the loop filters that are fixed in Hz.
inline float heldCutoff(float hz, const VoiceRates& r) { return hz > r.highestCutoff ? r.highestCutoff : hz; }

// The envelope's factor per sample, 1 + D * 1e-7 at 44.1 kHz. Where that
// growth would outrun the 400 ms release (the lowest notes) the level
// would climb for good; it is held just below the release, which leaves
// every note that decayed before as it was.
inline float envelopeGrowth(float lengthUnit, const VoiceRates& r) {
    float growth = lengthUnit * 1e-7f * r.growthScale;
    const float most = 0.98f * (1.0f - r.release);
    if (!(growth <= most)) growth = most;
    return 1.0f + growth;
}

// What setFrequency derives from the string frequency.
struct StringTuning {
    float loopGain;
    float noiseCutoff;
    float lengthUnit;  // D, samples
    float brightness;  // F, Hz
    // F as the loop's low-passes use it (F + 950 to F + 992 Hz): held so
    // that F + 992 stays within the highest cutoff.
    float filterBrightness;
};

inline StringTuning tuneString(float f, float velocity, float nis, float shaping, float sampleRate) {
    const bool modeB = shaping > 0.98f;
    const double fd = f;
    StringTuning t;
    float gain = static_cast<float>(modeB ? (fd - 620.0) * 9e-6 + 0.99 : (fd - 420.0) * 9e-6 + 0.99);
    t.loopGain = gain > kLoopGainLimit ? kLoopGainLimit : gain;
    double cutoff = (velocity * 0.9 + 0.1) * nis * fd * 3.0 + 40.0;
    if (cutoff > 6500.0) cutoff = 6500.0;
    const double highest = sampleRate / 6.28319f;
    t.noiseCutoff = static_cast<float>(cutoff > highest ? highest : cutoff);
    double stretched = fd;
    if (sampleRate < 50000.0f) {
        if (modeB) {
            stretched = (fd * 9e-6 + 1.0) * fd;
        } else {
            stretched = fd - fd * fd * 9e-6;
            if (stretched > 1200.0) stretched -= 8.0;
        }
    }
    t.lengthUnit = static_cast<float>(sampleRate / stretched / kVoiceCapacity * kVoiceCapacity);
    // A note near or above half the rate (the top notes at low rates) would
    // make a loop shorter than the cubic read's reach, which then feeds back
    // more than it takes in; at 44.1 kHz every note's unit is longer.
    if (t.lengthUnit < 1.0f) t.lengthUnit = 1.0f;
    double bright = 8.0 * fd;
    t.brightness = static_cast<float>(bright > sampleRate / 8.0 ? sampleRate / 8.0 : bright);
    t.filterBrightness = t.brightness;
    if (t.brightness + 992.0 > highest) t.filterBrightness = static_cast<float>(highest - 992.0);
    return t;
}

inline float toneFrequencyFor(int note, float sampleRate) {
    double f = std::pow(2.0, (note - 69) * 0.11666667) * 1320.0 + 40.0;
    if (f > sampleRate / 8.0) f = sampleRate / 8.0;
    if (f < 100.0) f = 100.0;
    return static_cast<float>(f);
}

// The excitation pulse of one voice for one sample: a noise-coloured
// triangle (with a sine part in the sine band) over L = 2D samples.
// Advances the excitation counter and fixes the attack ramp's length.
struct PluckInput {
    bool noteActive;
    float lengthUnit;
    float shaping;
    float brightness;
    float sampleRate;
    float noise;     // n
    float envelopeE; // e = (n + 2) * 0.5
    float exciter;
    float velocity;
};

inline float pluckSample(const PluckInput& in, int& counter, float& rampLength) {
    if (!in.noteActive) {
        counter = 0;
        return 1e-7f;
    }
    const float L = pulseLength(in.lengthUnit);
    if (counter == 1) rampLength = L <= 264.0f ? (in.envelopeE + 0.1f) * L : 0.1f;
    // The counter stops short of overflowing (after some thirteen hours at
    // 44.1 kHz); by then the pulse is long over either way.
    if (counter < 0x7FFFFFFF) ++counter;
    const int k = counter;
    const float kf = static_cast<float>(k);
    if (kf > L) return 1e-7f;

    const bool sineBand = in.shaping > 0.3f && in.shaping <= 0.5f;
    float s = 0.0f;
    if (sineBand) {
        const float m = in.shaping <= 0.4f ? 2.0512819f : 1.5f;
        s = std::sin(in.brightness * 0.7853987f / in.sampleRate * kf * m) * 1.4f;
    }
    const float T = 0.3f * L;
    const float half = L * 0.5f;
    float p;
    if (kf <= T) p = (2.0f / T) * kf;
    else if (kf <= L - T) p = (kf - half) * 2.0f / (T - half);
    else p = (kf - L) * 2.0f / T;

    const float n = in.noise;
    float x;
    if (std::fabs(p) <= 0.3f) x = sineBand ? s * 0.8f + 4.0f * n : 4.0f * n;
    else if (sineBand) x = (0.8f * p + 0.3f * s + 2.8f * n) * in.exciter;
    else x = (0.8f * p + 4.0f * n) * in.exciter;
    if (x > 2.0f) x = 2.0f;
    if (x < -2.0f) x = -2.0f;
    return x * in.velocity;
}

}  // namespace strellon

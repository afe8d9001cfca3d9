#include "engine/VoiceBank.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <immintrin.h>
#include <type_traits>

#include "engine/ProcessorVersions.h"

namespace strellon {

namespace {

using V4 = float __attribute__((vector_size(16)));
using I4 = std::int32_t __attribute__((vector_size(16)));
using V8 = float __attribute__((vector_size(32)));
using I8 = std::int32_t __attribute__((vector_size(32)));
constexpr int kLanes = VoiceBank::kLanes;
constexpr unsigned kVoices = (1u << kNumStrings) - 1;

// The integer vector of a float vector's width, how many vectors cover the
// twelve voices, and a value in every lane (written out, so that constants
// fold).
template <class V>
struct LaneTraits;
template <>
struct LaneTraits<V4> {
    using I = I4;
    static constexpr int kWidth = 4;
    static V4 splat(float x) { return V4{x, x, x, x}; }
    static I4 splatInt(std::int32_t x) { return I4{x, x, x, x}; }
};
template <>
struct LaneTraits<V8> {
    using I = I8;
    static constexpr int kWidth = 8;
    // Built for AVX2: the default target would assemble them lane by lane.
    STRELLON_AVX2_VERSION static V8 splat(float x) { return V8{x, x, x, x, x, x, x, x}; }
    STRELLON_AVX2_VERSION static I8 splatInt(std::int32_t x) { return I8{x, x, x, x, x, x, x, x}; }
};
template <class V>
using IntLanes = typename LaneTraits<V>::I;
template <class V>
constexpr int kWidth = LaneTraits<V>::kWidth;
template <class V>
constexpr int kGroups = (kNumStrings + kWidth<V> - 1) / kWidth<V>;

// The per-voice arrays seen as vectors (this file is built without strict
// aliasing, so floats and vectors of floats may share storage).
template <class V>
inline V* lanes(float* p) { return reinterpret_cast<V*>(p); }
template <class V>
inline const V* lanes(const float* p) { return reinterpret_cast<const V*>(p); }
template <class I>
inline I* intLanes(std::int32_t* p) { return reinterpret_cast<I*>(p); }
template <class I>
inline const I* intLanes(const std::int32_t* p) { return reinterpret_cast<const I*>(p); }

template <class V>
inline V splat(float x) { return LaneTraits<V>::splat(x); }
template <class I>
inline I splatInt(std::int32_t x) {
    return LaneTraits<std::conditional_t<sizeof(I) == 16, V4, V8>>::splatInt(x);
}

// Lanes g * width onwards of an array of twelve that was written four
// lanes at a time: read four at a time too, since a wider load that spans
// two narrower stores waits for them to reach the cache. Spare lanes are 0.
template <class V>
inline V loadQuads(const float* p, int g) {
    V4 low;
    std::memcpy(&low, p + kWidth<V> * g, sizeof low);
    if constexpr (kWidth<V> == 4) {
        return low;
    } else {
        V4 high{};
        if (kWidth<V> * g + 4 < kNumStrings) std::memcpy(&high, p + kWidth<V> * g + 4, sizeof high);
        return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
    }
}

// The multipliers and increments that take the generator from this
// sample's state to each voice's draw: voice v's drift draw is the
// (v + 1)th number, or the (2v + 1)th when each voice also draws for its
// character (the (2v + 2)th). Spare lanes draw the first number.
struct DrawJumps {
    std::uint32_t noiseMultiplier[2][kLanes], noiseIncrement[2][kLanes];
    std::uint32_t characterMultiplier[kLanes], characterIncrement[kLanes];
    constexpr DrawJumps() : noiseMultiplier(), noiseIncrement(), characterMultiplier(), characterIncrement() {
        for (int v = 0; v < kLanes; ++v) {
            const bool voice = v < kNumStrings;
            for (int both = 0; both < 2; ++both) {
                const int k = !voice ? 1 : both ? 2 * v + 1 : v + 1;
                noiseMultiplier[both][v] = kRandomJumps.multiplier[k];
                noiseIncrement[both][v] = kRandomJumps.increment[k];
            }
            characterMultiplier[v] = kRandomJumps.multiplier[voice ? 2 * v + 2 : 1];
            characterIncrement[v] = kRandomJumps.increment[voice ? 2 * v + 2 : 1];
        }
    }
};
alignas(32) constexpr DrawJumps kDrawJumps{};

// Lane select by bit mask: exact, whatever the values.
template <class I, class V>
inline V select(I mask, V a, V b) {
    return reinterpret_cast<V>((mask & reinterpret_cast<I>(a)) | (~mask & reinterpret_cast<I>(b)));
}
template <class I>
inline I selectInt(I mask, I a, I b) { return (mask & a) | (~mask & b); }
template <class V>
inline V absolute(V x) {
    using I = IntLanes<V>;
    return reinterpret_cast<V>(reinterpret_cast<I>(x) & splatInt<I>(0x7FFFFFFF));
}

// One bit per lane of a mask.
inline unsigned bitsOf(I4 mask) { return static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(mask))); }
STRELLON_AVX2_VERSION inline unsigned bitsOf(I8 mask) {
    return static_cast<unsigned>(_mm256_movemask_ps(reinterpret_cast<__m256>(mask)));
}

// Each lane's index.
template <class I>
inline I laneIndex() {
    I m{};
    for (int k = 0; k < kWidth<std::conditional_t<sizeof(I) == 16, V4, V8>>; ++k) m[k] = k;
    return m;
}

// Each lane's own bit.
template <class I>
inline I laneBit() {
    I m{};
    for (int k = 0; k < kWidth<std::conditional_t<sizeof(I) == 16, V4, V8>>; ++k) m[k] = 1 << k;
    return m;
}

// All lanes set but lane i.
template <class I>
inline I allBut(int i) {
    I m{};
    for (int k = 0; k < kWidth<std::conditional_t<sizeof(I) == 16, V4, V8>>; ++k) m[k] = k == i ? 0 : -1;
    return m;
}

}  // namespace

static_assert(kCombCapacity <= LaneRings<1>::kMaximumCapacity && kLoopCapacity <= LaneRings<2>::kMaximumCapacity);

VoiceBank::VoiceBank()
    : attack_(static_cast<float>(std::pow(0.01, 1.0 / 44.1))),
      release_(static_cast<float>(std::pow(0.01, 0.0002061430534946508))),
      loops_(kLoopCapacity),
      comb_(kCombCapacity),
      modeBLoop_(kModeBMinimumSize) {
    step_ = pickVersion(&VoiceBank::stepPlain, &VoiceBank::stepAvx2);
    feed_ = pickVersion(&VoiceBank::feedPlain, &VoiceBank::feedAvx2);
    run_ = pickVersion(&VoiceBank::runPlain, &VoiceBank::runAvx2);
    reset();
}


void VoiceBank::reset() {
    auto fill = [](auto& lanes, auto value) { std::fill(std::begin(lanes), std::end(lanes), value); };
    for (float* lanes : {hp_, n_, tone_, drift_, excitationLowpass_, b_, l_, driftTarget_, y_, r_, velocity_, nisFilter_,
                         exciter_, modulation_, envelope_, level_, fixing_, sympathetic_, noiseCutoff_, lengthUnit_,
                         noiseScale_, rampCounter_, brightness_, filterBrightness_})
        std::fill(lanes, lanes + kLanes, 0.0f);
    fill(driftCounter_, 0);
    fill(tickCounter_, 0);
    fill(excitationCounter_, 0);
    active_ = 0;
    countersBehind_ = countersQuiet_ = 0;
    fill(loopGain_, kLoopGainLimit);
    fill(envelopeGrowth_, envelopeGrowth(0.0f, rates_));
    fill(rampLength_, 1.0f);
    fill(toneFrequency_, 200.0f);
    for (int v = 0; v < kNumStrings; ++v) {
        frequency_[v] = 0.0f;
        note_[v] = -1;
        loops_.setDelay(kLoopA, v, 0.0f);
        loops_.setDelay(kLoopB, v, 0.0f);
        comb_.setDelay(0, v, 0.0f);
        modeBLoop_.setDelay(v, 0.0);
    }
    loops_.clear();
    comb_.clear();
    modeBLoop_.clear();
    pulsing_ = 0;
    ramping_ = (1u << kNumStrings) - 1;
    shaping_ = selfBend_ = damp_ = 0.0f;
    character_ = Character::kNone;
}

// As StringVoice::setSampleRate: a new rate re-derives each voice's values.
void VoiceBank::setSampleRate(float sampleRate) {
    const bool changed = sampleRate != sampleRate_;
    sampleRate_ = sampleRate;
    rates_ = voiceRates(sampleRate);
    w_ = rates_.angular;
    attack_ = rates_.attack;
    release_ = rates_.release;
    lowCut_ = heldCutoff(3900.0f, rates_);
    for (int v = 0; v < kNumStrings; ++v) {
        if (changed && note_[v] >= 0) toneFrequency_[v] = toneFrequencyFor(note_[v], sampleRate);
        if (changed && frequency_[v] != 0.0f) derive(v);
        envelopeGrowth_[v] = envelopeGrowth(lengthUnit_[v], rates_);
    }
}

void VoiceBank::setSelfBend(float v) { selfBend_ = v < 0.01f ? 0.0f : v; }

void VoiceBank::setShaping(float v) {
    shaping_ = v <= 0.01f ? 0.0f : v;
    character_ = characterFor(shaping_);
}

void VoiceBank::setDamp(float v) { damp_ = v; }

void VoiceBank::setFrequency(int voice, float hz) {
    frequency_[voice] = hz;
    loopGain_[voice] = tuneString(hz, velocity_[voice], nisFilter_[voice], shaping_, sampleRate_).loopGain;
    derive(voice);
}

void VoiceBank::derive(int voice) {
    const StringTuning t =
        tuneString(frequency_[voice], velocity_[voice], nisFilter_[voice], shaping_, sampleRate_);
    noiseCutoff_[voice] = t.noiseCutoff;
    lengthUnit_[voice] = t.lengthUnit;
    envelopeGrowth_[voice] = envelopeGrowth(t.lengthUnit, rates_);
    brightness_[voice] = t.brightness;
    filterBrightness_[voice] = t.filterBrightness;
}

void VoiceBank::startNote(int voice, const NoteStart& s) {
    active_ |= 1u << voice;
    pulsing_ |= 1u << voice;
    ramping_ |= 1u << voice;
    note_[voice] = s.note;
    toneFrequency_[voice] = toneFrequencyFor(s.note, sampleRate_);
    velocity_[voice] = s.velocity;
    nisFilter_[voice] = s.nis;
    exciter_[voice] = s.exciter;
    noiseScale_[voice] = (s.velocity + 0.1f) * (s.pick * 0.8f) + s.exciter * 0.1f;
    modulation_[voice] = s.modulation;
    fixing_[voice] = s.fixing;
    setFrequency(voice, s.frequency);
    excitationCounter_[voice] = 0;
    rampCounter_[voice] = 0.0f;
    catchUpCounters();
    tickCounter_[voice] = 1;
}

// Moves every counter on by the samples it fell behind; the next sample
// steps them all.
void VoiceBank::catchUpCounters() {
    for (int v = 0; v < kLanes; ++v) {
        driftCounter_[v] += countersBehind_;
        tickCounter_[v] += countersBehind_;
    }
    countersBehind_ = countersQuiet_ = 0;
}

void VoiceBank::dampNote(int voice) {
    active_ &= ~(1u << voice);
    if (damp_ != 0.0f) {
        float& g = loopGain_[voice];
        g = (1.0f - damp_ * damp_) * (g - 0.5f) + 0.5f;
    }
}

// Each voice sums the others in voice order. Adding +0 leaves a sum
// unchanged (the sum starts at +0, so it is never -0), so a voice's own
// output is masked to +0 instead of being skipped; only the vector that
// holds voice j needs the mask.
template <class V>
inline __attribute__((always_inline)) void VoiceBank::feed(const float* out, float body, float gain) {
    using I = IntLanes<V>;
    constexpr int W = kWidth<V>, G = kGroups<V>;
    V sum[G];
    for (int g = 0; g < G; ++g) sum[g] = splat<V>(0.0f);
#pragma GCC unroll 12
    for (int j = 0; j < kNumStrings; ++j) {
        const V o = splat<V>(out[j]);
        const V masked = reinterpret_cast<V>(reinterpret_cast<I>(o) & allBut<I>(j % W));
#pragma GCC unroll 3
        for (int g = 0; g < G; ++g) sum[g] = sum[g] + (g == j / W ? masked : o);
    }
    V* const sympathetic = lanes<V>(sympathetic_);
    for (int g = 0; g < G; ++g) sympathetic[g] = (sum[g] + body) * gain;
}

template <class V, Character C, bool ToneOutput>
inline __attribute__((always_inline)) void VoiceBank::step(float* out, std::uint32_t& random) {
    using I = IntLanes<V>;
    constexpr int G = kGroups<V>;
    constexpr bool modeB = C == Character::kModeB;
    // This sample's numbers as the voices would draw them one after the
    // other: each voice's drift draw, then its character draw (in the bands
    // that draw one).
    const std::uint32_t state = random;
    constexpr bool character = drawsCharacter(C);
    constexpr int drawn = character ? 2 * kNumStrings : kNumStrings;
    random = kRandomJumps.multiplier[drawn] * state + kRandomJumps.increment[drawn];
    // Unsigned, so that the products wrap as the generator's do.
    typedef std::uint32_t U __attribute__((vector_size(sizeof(V))));
    const U states = reinterpret_cast<U>(splatInt<I>(static_cast<std::int32_t>(state)));
    auto draw = [&](const std::uint32_t* multiplier, const std::uint32_t* increment, int g)
                    __attribute__((always_inline)) {
        const U s = reinterpret_cast<const U*>(multiplier)[g] * states + reinterpret_cast<const U*>(increment)[g];
        return reinterpret_cast<I>(s >> 16) & splatInt<I>(0x7FFF);
    };

    const float w = w_;
    alignas(32) std::int32_t tick[kLanes], sometimes[kLanes];
    alignas(32) float e[kLanes];  // this sample's (n + 2) * 0.5, for the excitation and the ramp
    // Each voice's noise draw and, in the bands that draw one, whether its
    // character acts; then the noise filter.
    auto drawNoise = [&](int g) __attribute__((always_inline)) {
        const I noiseDraw = draw(kDrawJumps.noiseMultiplier[character], kDrawJumps.noiseIncrement[character], g);
        intLanes<I>(sometimes)[g] = character ? draw(kDrawJumps.characterMultiplier, kDrawJumps.characterIncrement,
                                                     g) <= splatInt<I>(kSometimesLimit)
                                              : splatInt<I>(0);
        return (__builtin_convertvector(noiseDraw, V) * 3.0517578125e-05f - 0.5f) * 4.0f;
    };
    auto filterNoise = [&](int g, V noise) __attribute__((always_inline)) {
        V& n = lanes<V>(n_)[g];
        n = n + (noise * lanes<V>(noiseScale_)[g] - n) * lanes<V>(noiseCutoff_)[g] * w;
        lanes<V>(e)[g] = (n + 2.0f) * 0.5f;
    };
    // Most samples no voice's drift or tick counter reaches a step of its
    // own; there the counters only fall behind, and catch up on the next
    // sample where one does.
    const bool counted = countersQuiet_ == 0;
    if (counted) {
        const I behind = splatInt<I>(countersBehind_ + 1);
        countersBehind_ = 0;
        I* const driftCounter = intLanes<I>(driftCounter_);
        I* const tickCounter = intLanes<I>(tickCounter_);
        V* const driftTarget = lanes<V>(driftTarget_);
        V* const drift = lanes<V>(drift_);
        I quiet = splatInt<I>(kCountersStepEvery);
        for (int g = 0; g < G; ++g) {
            const V noise = drawNoise(g);
            I dc = driftCounter[g] + behind;
            dc = selectInt(dc > splatInt<I>(260), splatInt<I>(0), dc);
            driftCounter[g] = dc;
            driftTarget[g] = select(dc == splatInt<I>(1), noise, driftTarget[g]);

            I tc = tickCounter[g] + behind;
            const I wrap = tc > splatInt<I>(39);
            tc = selectInt(wrap, splatInt<I>(1), tc);
            tickCounter[g] = tc;
            drift[g] = select(wrap, drift[g] + (driftTarget[g] - drift[g]) * w * 800.0f, drift[g]);
            driftTarget[g] = select(wrap, drift[g], driftTarget[g]);
            intLanes<I>(tick)[g] = tc < splatInt<I>(2);

            filterNoise(g, noise);

            // The samples before a counter next steps: the tick counter
            // wraps (or first ticks from 0), the drift counter wraps past
            // 260 or takes its target at 1. Spare lanes do not count.
            const I untilTick = selectInt(tc < splatInt<I>(1), splatInt<I>(0), splatInt<I>(39) - tc);
            const I untilDrift = selectInt(dc < splatInt<I>(1), splatInt<I>(0), splatInt<I>(260) - dc);
            I until = selectInt(untilTick < untilDrift, untilTick, untilDrift);
            if (kWidth<V> * (g + 1) > kNumStrings)
                until = selectInt(kWidth<V> * g + laneIndex<I>() < splatInt<I>(kNumStrings), until, quiet);
            quiet = selectInt(until < quiet, until, quiet);
        }
        int fewest = quiet[0];
        for (int i = 1; i < kWidth<V>; ++i) fewest = std::min(fewest, static_cast<int>(quiet[i]));
        countersQuiet_ = fewest;
    } else {
        --countersQuiet_;
        ++countersBehind_;
        for (int g = 0; g < G; ++g) filterNoise(g, drawNoise(g));
    }

    V pulse[G];
    for (int g = 0; g < G; ++g) pulse[g] = splat<V>(1e-7f);
    const bool pulses = pulsing_ != 0;
    float* const X = reinterpret_cast<float*>(pulse);
    if (pulses) pluck<V, C>(e, X);

    alignas(32) float G_[kLanes];
    rampAndTick<V, modeB>(e, counted ? tick : nullptr, G_);

    alignas(32) float combed[kLanes];
    // Between pulses every voice feeds the comb the same constant, and
    // once the comb holds nothing else its reads need not be made.
    if (pulses) comb_.pushAlone(0, X, combed);
    else comb_.pushAloneSame(0, 1e-7f, combed);
    comb_.endSample();

    for (int g = 0; g < G; ++g) lanes<V>(X)[g] = lanes<V>(X)[g] + 0.9f * loadQuads<V>(combed, g);
    // Mode A's loop output, shaped, on its way to the envelope: held in
    // registers rather than going through the state array between them.
    V y[G];
    if constexpr (modeB) processModeB<V>(X, G_);
    else processModeA<V, C>(sometimes, X, G_, y);
    finishWith<V, modeB, ToneOutput>(G_, y, out);
}

// Each pulsing voice's excitation, as pluckSample gives it; once past the
// pulse (or released) a voice gives 1e-7 until its next note, whatever its
// counter does. Vectors of voices at a time, but in the two bands that add
// a sine, whose library call stays a call per voice.
template <class V, Character C>
inline __attribute__((always_inline)) void VoiceBank::pluck(const float* e, float* X) {
    if constexpr (addsSine(C)) {
        for (unsigned bits = pulsing_; bits != 0; bits &= bits - 1) {
            const int v = __builtin_ctz(bits);
            const PluckInput in{(active_ >> v & 1u) != 0, lengthUnit_[v], shaping_, brightness_[v], sampleRate_,
                                n_[v], e[v], exciter_[v], velocity_[v]};
            X[v] = pluckSample(in, excitationCounter_[v], rampLength_[v]);
            if (!in.noteActive || static_cast<float>(excitationCounter_[v]) > pulseLength(lengthUnit_[v]))
                pulsing_ &= ~(1u << v);
        }
    } else {
        using I = IntLanes<V>;
        constexpr int W = kWidth<V>, Groups = kGroups<V>;
        constexpr unsigned kGroupBits = (1u << W) - 1;
        for (int g = 0; g < Groups; ++g) {
            const unsigned bits = pulsing_ >> (W * g) & kGroupBits;
            if (bits == 0) continue;
            const I pulsing = (splatInt<I>(static_cast<std::int32_t>(bits)) & laneBit<I>()) != 0;
            const I active =
                (splatInt<I>(static_cast<std::int32_t>(active_ >> (W * g) & kGroupBits)) & laneBit<I>()) != 0;
            I& counterLanes = intLanes<I>(excitationCounter_)[g];
            V& rampLength = lanes<V>(rampLength_)[g];
            V L = 2.0f * lanes<V>(lengthUnit_)[g];
            L = select(L >= 5.0f, L, splat<V>(5.0f));
            // The length of the attack ramp is fixed on the pulse's second
            // sample.
            I counter = counterLanes;
            const V ramp = select(L <= 264.0f, (lanes<V>(e)[g] + 0.1f) * L, splat<V>(0.1f));
            rampLength = select(pulsing & active & (counter == 1), ramp, rampLength);
            // The counter stops short of overflowing.
            counter = counter - (counter < splatInt<I>(0x7FFFFFFF));
            const V kf = __builtin_convertvector(counter, V);
            const V T = 0.3f * L, half = L * 0.5f;
            const V p = select(kf <= T, (2.0f / T) * kf,
                               select(kf <= L - T, (kf - half) * 2.0f / (T - half), (kf - L) * 2.0f / T));
            const V n = lanes<V>(n_)[g];
            V x = select(absolute(p) <= 0.3f, 4.0f * n, (0.8f * p + 4.0f * n) * lanes<V>(exciter_)[g]);
            x = select(x > 2.0f, splat<V>(2.0f), x);
            x = select(x < -2.0f, splat<V>(-2.0f), x);
            const V sounding = select(kf > L, splat<V>(1e-7f), x * lanes<V>(velocity_)[g]);
            lanes<V>(X)[g] = select(pulsing, select(active, sounding, splat<V>(1e-7f)), lanes<V>(X)[g]);
            counter = selectInt(active, counter, splatInt<I>(0));
            counterLanes = selectInt(pulsing, counter, counterLanes);
            const I over = pulsing & (~active | (__builtin_convertvector(counter, V) > L));
            pulsing_ &= ~(bitsOf(over) << (W * g));
        }
    }
}

// The attack ramp gives G; then the loop lengths follow, on tick samples
// only (one in 39 per voice; tick is null on a sample where no counter
// stepped).
template <class V, bool ModeB>
inline __attribute__((always_inline)) void VoiceBank::rampAndTick(const float* e, const std::int32_t* tick, float* G) {
    using I = IntLanes<V>;
    constexpr int W = kWidth<V>, Groups = kGroups<V>;
    constexpr unsigned kGroupBits = (1u << W) - 1;
    // Once a voice's ramp is over for good its G stays 1 and its counter
    // stays one past the length, so a vector whose voices are all past it
    // skips the arithmetic.
    V* const rampCounter = lanes<V>(rampCounter_);
    const V* const rampLength = lanes<V>(rampLength_);
    // A local: the stores into G could otherwise alias the member.
    const unsigned ramping = ramping_;
    for (int g = 0; g < Groups; ++g) {
        if ((ramping >> (W * g) & kGroupBits) == 0) {
            lanes<V>(G)[g] = splat<V>(1.0f);
            continue;
        }
        const V rc = rampCounter[g] + 1.0f;
        const I done = rc > rampLength[g];
        lanes<V>(G)[g] = select(done, splat<V>(1.0f), (1.0f - rc / rampLength[g]) * (1.0f - lanes<V>(e)[g]));
        rampCounter[g] = select(done, rampLength[g] + 1.0f, rc);
        unsigned over = bitsOf(done) << (W * g) & ramping_;
        for (; over != 0; over &= over - 1) {
            const int v = __builtin_ctz(over);
            // The pulse fixes the length on its second sample; below 2^23 the
            // counter, one past the length, stays past it.
            const bool lengthFixed = !(pulsing_ >> v & 1u) || excitationCounter_[v] >= 2;
            if (lengthFixed && rampLength_[v] < 8388608.0f) ramping_ &= ~(1u << v);
        }
    }

    if (!tick) return;
    const float w = w_;
    unsigned ticking = 0;
    for (int g = 0; g < Groups; ++g) ticking |= bitsOf(intLanes<I>(tick)[g]) << (W * g);
    for (ticking &= kVoices; ticking != 0; ticking &= ticking - 1) {
        const int v = __builtin_ctz(ticking);
        const float D = lengthUnit_[v];
        const float env = envelope_[v];
        const float fixing = fixing_[v];
        if constexpr (ModeB) {
            float& drift = drift_[v];
            drift = drift + (n_[v] - drift) * w * 300.0f;
            modeBLoop_.setDelay(v, 2.0f * D * (1.0f + drift * modulation_[v] * 0.004f) - selfBend_ * env * 1.28f * rates_.bendScale);
        } else {
            loops_.setDelay(kLoopA, v, D - 2.0f * selfBend_ * env * env * rates_.bendScale);
            loops_.setDelay(kLoopB, v, D * (1.0f + modulation_[v] * driftTarget_[v] * 0.03f));
        }
        comb_.setDelay(0, v, D * fixing * fixing);
    }
}

// The parts of step() are inlined into its per-processor versions, so that
// their values stay in registers between them.
template <class V, Character C>
inline __attribute__((always_inline)) void VoiceBank::processModeA(const std::int32_t* sometimes, const float* u,
                                                                    float* G, V* shaped) {
    constexpr int Groups = kGroups<V>;
    const float w = w_;
    alignas(32) float h[kLanes], into[kLanes];
    {
        V* const excitationLowpass = lanes<V>(excitationLowpass_);
        V* const sympathetic = lanes<V>(sympathetic_);
        V* const hp = lanes<V>(hp_);
        for (int g = 0; g < Groups; ++g) {
            excitationLowpass[g] = excitationLowpass[g] + (lanes<V>(u)[g] - excitationLowpass[g]) * 38.0f * w;
            lanes<V>(h)[g] = lanes<V>(u)[g] - excitationLowpass[g];
            const V s = select(lanes<V>(lengthUnit_)[g] < 95.0f, sympathetic[g] * 0.3f, sympathetic[g]);
            hp[g] = hp[g] + (s - hp[g]) * w * 390.0f;
            sympathetic[g] = (s - hp[g]) * 0.5f + 1e-8f;
            lanes<V>(into)[g] = (lanes<V>(G)[g] + 1.0f) * 0.5f * lanes<V>(loopGain_)[g] * lanes<V>(y_)[g] + lanes<V>(h)[g];
        }
    }
    alignas(32) float stage[kLanes];
    loops_.pushPeek(kLoopA, into, stage);
    for (int g = 0; g < Groups; ++g) lanes<V>(stage)[g] = loadQuads<V>(stage, g) + lanes<V>(sympathetic_)[g];
    alignas(32) float read[kLanes];
    loops_.pushPeek(kLoopB, stage, read);
    loops_.endSample();

    shapeBand<V, C>(sometimes, read, G, shaped);
}

// The character operation of one Shaping band on the loop output, all
// vectors in one loop so that their filter chains run side by side.
template <class V, Character C>
inline __attribute__((always_inline)) void VoiceBank::shapeBand(const std::int32_t* sometimesLanes, const float* read,
                                                                 float* G, V* shaped) {
    using I = IntLanes<V>;
    constexpr int Groups = kGroups<V>;
    const float w = w_;
    for (int g = 0; g < Groups; ++g) {
        const I sometimes = intLanes<I>(sometimesLanes)[g];
        const V nisFilter = lanes<V>(nisFilter_)[g];
        V y = loadQuads<V>(read, g) + lanes<V>(sympathetic_)[g];
        V& tone = lanes<V>(tone_)[g];
        const V F = lanes<V>(filterBrightness_)[g];
        auto lowpass = [&](V x, V fc) { return tone = tone + (x - tone) * w * fc; };
        if constexpr (C == Character::kSometimesDulled) {
            const V old = tone;
            const V t = lowpass(y, splat<V>(lowCut_));
            const V mixed = t * nisFilter + (1.0f - nisFilter) * y;
            tone = select(sometimes, tone, old);
            y = select(sometimes, mixed, y);
        } else if constexpr (C == Character::kSometimesDulledThenTone) {
            const V old = tone;
            const V t = lowpass(y, splat<V>(lowCut_));
            tone = select(sometimes, tone, old);
            y = select(sometimes, t, y);
            y = lowpass(y, F + 950.0f);
        } else if constexpr (C == Character::kInvertOnTonePeak) {
            const V t = lowpass(y, F + 954.0f);
            y = select(absolute(t) > 0.9f, -y, y);
        } else if constexpr (C == Character::kInvertOnPeakThenTone) {
            const V t = lowpass(y, splat<V>(860.0f));
            y = select(absolute(t) > 0.9f, -y, y);
            y = lowpass(y, F + 954.0f);
        } else if constexpr (C == Character::kPeakTo09) {
            const V t = lowpass(y, splat<V>(860.0f));
            y = select(absolute(t) > 0.9f, splat<V>(0.9f), y);
        } else if constexpr (C == Character::kPeakTo09ElseTone || C == Character::kPeakTo05ElseTone) {
            constexpr float limit = C == Character::kPeakTo09ElseTone ? 0.9f : 0.5f;
            const V t = lowpass(y, splat<V>(860.0f));
            const I over = absolute(t) > limit;
            const V kept = tone;
            const V smooth = lowpass(y, F + 950.0f);
            tone = select(over, kept, tone);
            y = select(over, splat<V>(limit), smooth);
            if constexpr (C == Character::kPeakTo09ElseTone) lanes<V>(G)[g] = splat<V>(1.0f);
        } else if constexpr (C == Character::kPeakTo05) {
            const V t = lowpass(y, splat<V>(860.0f));
            y = select(absolute(t) > 0.5f, splat<V>(0.5f), y);
        } else if constexpr (C == Character::kToneOnly) {
            y = lowpass(y, F + 992.0f);
        }
        shaped[g] = y;
    }
}

template <class V>
inline __attribute__((always_inline)) void VoiceBank::processModeB(const float* u, const float* G) {
    constexpr int Groups = kGroups<V>;
    const float w = w_;
    alignas(32) float h[kLanes];
    {
        V* const excitationLowpass = lanes<V>(excitationLowpass_);
        V* const sympathetic = lanes<V>(sympathetic_);
        V* const hp = lanes<V>(hp_);
        for (int g = 0; g < Groups; ++g) {
            excitationLowpass[g] = excitationLowpass[g] + (lanes<V>(u)[g] - excitationLowpass[g]) * 28.0f * w;
            lanes<V>(h)[g] = lanes<V>(u)[g] - excitationLowpass[g];
            const V s = select(lanes<V>(lengthUnit_)[g] < 95.0f, sympathetic[g] * 0.4f, sympathetic[g]);
            hp[g] = hp[g] + (s - hp[g]) * 570.0f * w;
            sympathetic[g] = (s - hp[g]) * 0.5f + 1e-8f;
        }
    }
    alignas(32) float read[kLanes];
    modeBLoop_.read(read);
    V* const tone = lanes<V>(tone_);
    V* const r = lanes<V>(r_);
    for (int g = 0; g < Groups; ++g) {
        tone[g] = tone[g] + (loadQuads<V>(read, g) * (lanes<V>(G)[g] + 1.0f) * 0.5f * lanes<V>(loopGain_)[g] +
                             lanes<V>(h)[g] - tone[g]) *
                                (lanes<V>(filterBrightness_)[g] + 950.0f) * w;
        r[g] = tone[g];
    }
    alignas(32) float written[kLanes];
    for (int g = 0; g < Groups; ++g) lanes<V>(written)[g] = r[g] + lanes<V>(sympathetic_)[g] + 0.0001f;
    modeBLoop_.write(written);
}

// Envelope, silence test and the output high-pass, for the loop mode and
// for whether the output goes through the per-note tone filter.
template <class V, bool ModeB, bool ToneOutput>
inline __attribute__((always_inline)) void VoiceBank::finishWith(const float* G, const V* shaped, float* out) {
    using I = IntLanes<V>;
    constexpr int W = kWidth<V>, Groups = kGroups<V>;
    // Locals: the stores below could otherwise alias these members and
    // force a reload per vector.
    const float w = w_;
    const V release = splat<V>(release_), attack = splat<V>(attack_);
    for (int g = 0; g < Groups; ++g) {
        V& zState = lanes<V>(ModeB ? r_ : y_)[g];
        V z = ModeB ? zState : shaped[g];
        const V a = absolute(z);
        V env = lanes<V>(envelope_)[g];
        env = (env - a) * select(a <= env, release, attack) + a;
        if constexpr (!ModeB) {
            const I quiet = absolute(env) < kSilence;
            z = select(quiet, splat<V>(0.0f), z);
            env = select(quiet, splat<V>(0.0f), env);
        }
        V level = env;
        env = env * lanes<V>(envelopeGrowth_)[g];
        const I quiet = absolute(env) < kSilence;
        z = select(quiet, splat<V>(0.0f), z);
        env = select(quiet, splat<V>(0.0f), env);
        level = select(quiet, splat<V>(0.0f), level);
        lanes<V>(envelope_)[g] = env;
        lanes<V>(level_)[g] = level;
        zState = z;

        V& b = lanes<V>(b_)[g];
        V& l = lanes<V>(l_)[g];
        const V x = z - (lanes<V>(G)[g] - 1.0f) * lanes<V>(n_)[g];
        const V fc = ToneOutput ? lanes<V>(toneFrequency_)[g] - 37.0f : splat<V>(ModeB ? 39.0f : 12.0f);
        const V f = w * fc;
        const V hpOut = x - (b * 0.482f + l);
        b = b + hpOut * f;
        l = l + b * f;
        // Twelve outputs: the last vector's spare lanes stay in it.
        const V result = hpOut * (ToneOutput ? 2.0f : 1.4f);
        if (W * (g + 1) <= kNumStrings) {
            std::memcpy(out + W * g, &result, sizeof result);
        } else {
            const V4 low = __builtin_shufflevector(result, result, 0, 1, 2, 3);
            std::memcpy(out + W * g, &low, sizeof low);
        }
    }
}

// The versions of the per-sample work, one per processor: four lanes at a
// time on plain SSE2, eight on AVX2. A build without the AVX2 version never
// picks it; there it is the plain one.
#if STRELLON_HAS_AVX2_VERSION
using WideLanes = V8;
#else
using WideLanes = V4;
#endif
// Calls work.operator()<C, ToneOutput>() for the band Shaping is in and
// whether the voices' outputs go through their tone filters (the upper
// part of the tone-only band): each band has its own build of the
// per-sample work, which then holds no test of the band.
template <class Work>
inline __attribute__((always_inline)) decltype(auto) forBand(Character character, float shaping, Work&& work) {
    switch (character) {
    case Character::kSometimesDulled: return work.template operator()<Character::kSometimesDulled, false>();
    case Character::kSometimesDulledThenTone:
        return work.template operator()<Character::kSometimesDulledThenTone, false>();
    case Character::kInvertOnTonePeak: return work.template operator()<Character::kInvertOnTonePeak, false>();
    case Character::kInvertOnPeakThenTone: return work.template operator()<Character::kInvertOnPeakThenTone, false>();
    case Character::kPeakTo09: return work.template operator()<Character::kPeakTo09, false>();
    case Character::kPeakTo09ElseTone: return work.template operator()<Character::kPeakTo09ElseTone, false>();
    case Character::kPeakTo05: return work.template operator()<Character::kPeakTo05, false>();
    case Character::kPeakTo05ElseTone: return work.template operator()<Character::kPeakTo05ElseTone, false>();
    case Character::kToneOnly:
        if (shaping > 0.9f && shaping <= 0.98f) return work.template operator()<Character::kToneOnly, true>();
        return work.template operator()<Character::kToneOnly, false>();
    case Character::kModeB: return work.template operator()<Character::kModeB, false>();
    default: return work.template operator()<Character::kNone, false>();
    }
}

// Each band's build of the per-sample work, and of the run around it, for
// each processor version: separate functions, each the size the per-sample
// work was before it was built per band, so that the compiler still folds
// the small helpers into them.
template <Character C, bool ToneOutput>
void VoiceBank::stepBandPlain(float* out, std::uint32_t& random) {
    step<V4, C, ToneOutput>(out, random);
}
template <Character C, bool ToneOutput>
STRELLON_AVX2_VERSION void VoiceBank::stepBandAvx2(float* out, std::uint32_t& random) {
    step<WideLanes, C, ToneOutput>(out, random);
}
template <Character C, bool ToneOutput>
int VoiceBank::runBandPlain(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) {
    return runVoices([this](float* out, std::uint32_t& r) { step<V4, C, ToneOutput>(out, r); },
                     [this](const float* out, float body, float gain) { feed<V4>(out, body, gain); }, n, state,
                     mixes, randoms, random);
}
template <Character C, bool ToneOutput>
STRELLON_AVX2_VERSION int VoiceBank::runBandAvx2(int n, RunState& state, float* mixes, std::uint32_t* randoms,
                                                 std::uint32_t& random) {
    return runVoices(
        [this](float* out, std::uint32_t& r) __attribute__((always_inline)) { step<WideLanes, C, ToneOutput>(out, r); },
        [this](const float* out, float body, float gain)
            __attribute__((always_inline)) { feed<WideLanes>(out, body, gain); },
        n, state, mixes, randoms, random);
}

void VoiceBank::stepPlain(float* out, std::uint32_t& random) {
    forBand(character_, shaping_, [&]<Character C, bool T>() { stepBandPlain<C, T>(out, random); });
}
void VoiceBank::feedPlain(const float* out, float body, float gain) { feed<V4>(out, body, gain); }
void VoiceBank::stepAvx2(float* out, std::uint32_t& random) {
    forBand(character_, shaping_, [&]<Character C, bool T>() { stepBandAvx2<C, T>(out, random); });
}
STRELLON_AVX2_VERSION void VoiceBank::feedAvx2(const float* out, float body, float gain) {
    feed<WideLanes>(out, body, gain);
}
int VoiceBank::runPlain(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) {
    return forBand(character_, shaping_, [&]<Character C, bool T>() {
        return runBandPlain<C, T>(n, state, mixes, randoms, random);
    });
}
int VoiceBank::runAvx2(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) {
    return forBand(character_, shaping_, [&]<Character C, bool T>() {
        return runBandAvx2<C, T>(n, state, mixes, randoms, random);
    });
}

}  // namespace strellon

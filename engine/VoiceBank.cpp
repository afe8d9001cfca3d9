#include "engine/VoiceBank.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <xmmintrin.h>

#include "engine/ProcessorVersions.h"

namespace strellon {

namespace {

using V4 = VoiceBank::V4;
using I4 = VoiceBank::I4;
constexpr int kGroups = VoiceBank::kGroups;

inline V4 splat(float x) { return V4{x, x, x, x}; }
inline I4 splatInt(std::int32_t x) { return I4{x, x, x, x}; }

// Lane select by bit mask: exact, whatever the values.
inline V4 select(I4 mask, V4 a, V4 b) {
    return reinterpret_cast<V4>((mask & reinterpret_cast<I4>(a)) | (~mask & reinterpret_cast<I4>(b)));
}
inline I4 select(I4 mask, I4 a, I4 b) { return (mask & a) | (~mask & b); }
inline V4 absolute(V4 x) { return reinterpret_cast<V4>(reinterpret_cast<I4>(x) & splatInt(0x7FFFFFFF)); }

// Four per-voice results straight into a vector, in voice order. Building it
// in registers avoids writing lanes to memory and reading them back whole,
// which stalls the store forwarding.
template <class F>
inline V4 gather(int g, F&& f) {
    const int v = 4 * g;
    return V4{f(v), f(v + 1), f(v + 2), f(v + 3)};
}

inline V4 loadLanes(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline I4 loadLanes(const std::int32_t* p) {
    I4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
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
    reset();
}


void VoiceBank::reset() {
    const V4 zero = splat(0.0f);
    for (int g = 0; g < kGroups; ++g) {
        hp_[g] = n_[g] = tone_[g] = drift_[g] = excitationLowpass_[g] = zero;
        b_[g] = l_[g] = driftTarget_[g] = y_[g] = r_[g] = zero;
        driftCounter_[g] = tickCounter_[g] = splatInt(0);
        velocity_[g] = nis_[g] = exciter_[g] = modulation_[g] = zero;
        envelope_[g] = level_[g] = fixing_[g] = zero;
        loopGain_[g] = splat(kLoopGainLimit);
        sympathetic_[g] = noiseCutoff_[g] = lengthUnit_[g] = noiseScale_[g] = zero;
        envelopeGrowth_[g] = splat(envelopeGrowth(0.0f, rates_));
        rampCounter_[g] = zero;
        rampLength_[g] = splat(1.0f);
        brightness_[g] = filterBrightness_[g] = zero;
        toneFrequency_[g] = splat(200.0f);
        e_[g] = zero;
    }
    for (int v = 0; v < kNumStrings; ++v) {
        excitationCounter_[v] = 0;
        noteActive_[v] = false;
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
        if (changed && note_[v] >= 0) lane(toneFrequency_, v) = toneFrequencyFor(note_[v], sampleRate);
        if (changed && frequency_[v] != 0.0f) derive(v);
        lane(envelopeGrowth_, v) = envelopeGrowth(lane(lengthUnit_, v), rates_);
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
    lane(loopGain_, voice) = tuneString(hz, lane(velocity_, voice), lane(nis_, voice), shaping_, sampleRate_).loopGain;
    derive(voice);
}

void VoiceBank::derive(int voice) {
    const StringTuning t =
        tuneString(frequency_[voice], lane(velocity_, voice), lane(nis_, voice), shaping_, sampleRate_);
    lane(noiseCutoff_, voice) = t.noiseCutoff;
    lane(lengthUnit_, voice) = t.lengthUnit;
    lane(envelopeGrowth_, voice) = envelopeGrowth(t.lengthUnit, rates_);
    lane(brightness_, voice) = t.brightness;
    lane(filterBrightness_, voice) = t.filterBrightness;
}

void VoiceBank::startNote(int voice, const NoteStart& s) {
    noteActive_[voice] = true;
    pulsing_ |= 1u << voice;
    ramping_ |= 1u << voice;
    note_[voice] = s.note;
    lane(toneFrequency_, voice) = toneFrequencyFor(s.note, sampleRate_);
    lane(velocity_, voice) = s.velocity;
    lane(nis_, voice) = s.nis;
    lane(exciter_, voice) = s.exciter;
    lane(noiseScale_, voice) = (s.velocity + 0.1f) * (s.pick * 0.8f) + s.exciter * 0.1f;
    lane(modulation_, voice) = s.modulation;
    lane(fixing_, voice) = s.fixing;
    setFrequency(voice, s.frequency);
    excitationCounter_[voice] = 0;
    lane(rampCounter_, voice) = 0.0f;
    lane(tickCounter_, voice) = 1;
}

void VoiceBank::dampNote(int voice) {
    noteActive_[voice] = false;
    if (damp_ != 0.0f) {
        float& g = lane(loopGain_, voice);
        g = (1.0f - damp_ * damp_) * (g - 0.5f) + 0.5f;
    }
}

// Each voice sums the others in voice order. Adding +0 leaves a sum
// unchanged (the sum starts at +0, so it is never -0), so a voice's own
// output is masked to +0 instead of being skipped; only the group that holds
// voice j needs the mask.
inline __attribute__((always_inline)) void VoiceBank::feed(const float* out, float body, float gain) {
    static constexpr I4 kAllBut[4] = {{0, -1, -1, -1}, {-1, 0, -1, -1}, {-1, -1, 0, -1}, {-1, -1, -1, 0}};
    V4 sum[kGroups] = {splat(0.0f), splat(0.0f), splat(0.0f)};
#pragma GCC unroll 12
    for (int j = 0; j < kNumStrings; ++j) {
        const V4 o = splat(out[j]);
        const V4 masked = reinterpret_cast<V4>(reinterpret_cast<I4>(o) & kAllBut[j & 3]);
#pragma GCC unroll 3
        for (int g = 0; g < kGroups; ++g) sum[g] = sum[g] + (g == j >> 2 ? masked : o);
    }
    for (int g = 0; g < kGroups; ++g) sympathetic_[g] = (sum[g] + body) * gain;
}

inline __attribute__((always_inline)) void VoiceBank::step(float* out, std::uint32_t& random) {
    // Draw this sample's numbers in the order the voices would, one after
    // the other: the drift draw of each voice, then its character draw.
    alignas(16) std::int32_t noiseDraw[kNumStrings];
    alignas(16) std::int32_t characterDraw[kNumStrings];
    const std::uint32_t state = random;
    auto draw = [state](int k) {
        const std::uint32_t s = kRandomJumps.multiplier[k] * state + kRandomJumps.increment[k];
        return static_cast<std::int32_t>((s >> 16) & 0x7FFFu);
    };
    if (drawsCharacter(character_)) {
        for (int v = 0; v < kNumStrings; ++v) {
            noiseDraw[v] = draw(2 * v + 1);
            characterDraw[v] = draw(2 * v + 2);
        }
        random = kRandomJumps.multiplier[2 * kNumStrings] * state + kRandomJumps.increment[2 * kNumStrings];
    } else {
        for (int v = 0; v < kNumStrings; ++v) {
            noiseDraw[v] = draw(v + 1);
            characterDraw[v] = 0x7FFF;
        }
        random = kRandomJumps.multiplier[kNumStrings] * state + kRandomJumps.increment[kNumStrings];
    }

    const float w = w_;
    I4 tick[kGroups], sometimes[kGroups];
    for (int g = 0; g < kGroups; ++g) {
        const V4 noise = (__builtin_convertvector(loadLanes(noiseDraw + 4 * g), V4) * 3.0517578125e-05f - 0.5f) * 4.0f;
        sometimes[g] = loadLanes(characterDraw + 4 * g) <= splatInt(kSometimesLimit);

        I4 dc = driftCounter_[g] + 1;
        dc = select(dc > splatInt(260), splatInt(0), dc);
        driftCounter_[g] = dc;
        driftTarget_[g] = select(dc == splatInt(1), noise, driftTarget_[g]);

        I4 tc = tickCounter_[g] + 1;
        const I4 wrap = tc > splatInt(39);
        tickCounter_[g] = select(wrap, splatInt(1), tc);
        drift_[g] = select(wrap, drift_[g] + (driftTarget_[g] - drift_[g]) * w * 800.0f, drift_[g]);
        driftTarget_[g] = select(wrap, drift_[g], driftTarget_[g]);
        tick[g] = tickCounter_[g] < splatInt(2);

        n_[g] = n_[g] + (noise * noiseScale_[g] - n_[g]) * noiseCutoff_[g] * w;
        e_[g] = (n_[g] + 2.0f) * 0.5f;
    }

    V4 X[kGroups] = {splat(1e-7f), splat(1e-7f), splat(1e-7f)};
    for (unsigned bits = pulsing_; bits != 0; bits &= bits - 1) {
        const int v = __builtin_ctz(bits);
        const PluckInput pluck{noteActive_[v], lane(lengthUnit_, v), shaping_, lane(brightness_, v), sampleRate_,
                               lane(n_, v), lane(e_, v), lane(exciter_, v), lane(velocity_, v)};
        lane(X, v) = pluckSample(pluck, excitationCounter_[v], lane(rampLength_, v));
        // Once past the pulse (or released) the voice gives 1e-7 until its
        // next note, whatever its counter does.
        float L = 2.0f * lane(lengthUnit_, v);
        if (!(L >= 5.0f)) L = 5.0f;
        if (!noteActive_[v] || static_cast<float>(excitationCounter_[v]) > L) pulsing_ &= ~(1u << v);
    }

    // The attack ramp. Once a voice's ramp is over for good its G stays 1
    // and its counter stays one past the length, so a group whose voices
    // are all past it skips the arithmetic.
    V4 G[kGroups];
    for (int g = 0; g < kGroups; ++g) {
        if ((ramping_ >> (4 * g) & 0xFu) == 0) {
            G[g] = splat(1.0f);
            continue;
        }
        const V4 rc = rampCounter_[g] + 1.0f;
        const I4 done = rc > rampLength_[g];
        G[g] = select(done, splat(1.0f), (1.0f - rc / rampLength_[g]) * (1.0f - e_[g]));
        rampCounter_[g] = select(done, rampLength_[g] + 1.0f, rc);
        unsigned over = static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(done))) << (4 * g) & ramping_;
        for (; over != 0; over &= over - 1) {
            const int v = __builtin_ctz(over);
            // The pulse fixes the length on its second sample; below 2^23 the
            // counter, one past the length, stays past it.
            const bool lengthFixed = !(pulsing_ >> v & 1u) || excitationCounter_[v] >= 2;
            if (lengthFixed && lane(rampLength_, v) < 8388608.0f) ramping_ &= ~(1u << v);
        }
    }

    // Loop lengths follow on tick samples only (one in 39 per voice).
    const bool modeB = character_ == Character::kModeB;
    unsigned ticking = 0;
    for (int g = 0; g < kGroups; ++g)
        ticking |= static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(tick[g]))) << (4 * g);
    for (; ticking != 0; ticking &= ticking - 1) {
        const int v = __builtin_ctz(ticking);
        const float D = lane(lengthUnit_, v);
        const float env = lane(envelope_, v);
        const float fixing = lane(fixing_, v);
        if (modeB) {
            float& drift = lane(drift_, v);
            drift = drift + (lane(n_, v) - drift) * w * 300.0f;
            modeBLoop_.setDelay(v, 2.0f * D * (1.0f + drift * lane(modulation_, v) * 0.004f) - selfBend_ * env * 1.28f * rates_.bendScale);
        } else {
            loops_.setDelay(kLoopA, v, D - 2.0f * selfBend_ * env * env * rates_.bendScale);
            loops_.setDelay(kLoopB, v, D * (1.0f + lane(modulation_, v) * lane(driftTarget_, v) * 0.03f));
        }
        comb_.setDelay(0, v, D * fixing * fixing);
    }

    V4 combed[kGroups];
    comb_.pushAlone(0, X, combed);
    comb_.endSample();

    for (int g = 0; g < kGroups; ++g) X[g] = X[g] + 0.9f * combed[g];
    if (modeB) processModeB(X, G);
    else processModeA(sometimes, X, G);
    finish(modeB, G, out);
}

// The parts of step() are inlined into its per-processor versions, so that
// their values stay in registers between them.
inline __attribute__((always_inline)) void VoiceBank::processModeA(const I4* sometimes, const V4* u, V4* G) {
    const float w = w_;
    V4 h[kGroups], into[kGroups];
    for (int g = 0; g < kGroups; ++g) {
        excitationLowpass_[g] = excitationLowpass_[g] + (u[g] - excitationLowpass_[g]) * 38.0f * w;
        h[g] = u[g] - excitationLowpass_[g];
        V4 s = select(lengthUnit_[g] < 95.0f, sympathetic_[g] * 0.3f, sympathetic_[g]);
        hp_[g] = hp_[g] + (s - hp_[g]) * w * 390.0f;
        sympathetic_[g] = (s - hp_[g]) * 0.5f + 1e-8f;
        into[g] = (G[g] + 1.0f) * 0.5f * loopGain_[g] * y_[g] + h[g];
    }
    V4 stage[kGroups];
    loops_.pushPeek(kLoopA, into, stage);
    for (int g = 0; g < kGroups; ++g) stage[g] = stage[g] + sympathetic_[g];
    loops_.pushPeek(kLoopB, stage, y_);
    loops_.endSample();

    switch (character_) {
    case Character::kBand1: shapeBand<Character::kBand1>(sometimes, G); break;
    case Character::kBand2: shapeBand<Character::kBand2>(sometimes, G); break;
    case Character::kBand3: shapeBand<Character::kBand3>(sometimes, G); break;
    case Character::kBand4: shapeBand<Character::kBand4>(sometimes, G); break;
    case Character::kBand5: shapeBand<Character::kBand5>(sometimes, G); break;
    case Character::kBand6: shapeBand<Character::kBand6>(sometimes, G); break;
    case Character::kBand7: shapeBand<Character::kBand7>(sometimes, G); break;
    case Character::kBand8: shapeBand<Character::kBand8>(sometimes, G); break;
    case Character::kBand9: shapeBand<Character::kBand9>(sometimes, G); break;
    default: shapeBand<Character::kNone>(sometimes, G); break;
    }
}

// The character operation of one Shaping band on the loop output, all
// groups in one loop so that their filter chains run side by side.
template <Character C>
inline __attribute__((always_inline)) void VoiceBank::shapeBand(const I4* sometimes, V4* G) {
    const float w = w_;
    for (int g = 0; g < kGroups; ++g) {
        V4 y = y_[g] + sympathetic_[g];
        V4& tone = tone_[g];
        const V4 F = filterBrightness_[g];
        auto lowpass = [&](V4 x, V4 fc) { return tone = tone + (x - tone) * w * fc; };
        if constexpr (C == Character::kBand1) {
            const V4 old = tone;
            const V4 t = lowpass(y, splat(lowCut_));
            const V4 mixed = t * nis_[g] + (1.0f - nis_[g]) * y;
            tone = select(sometimes[g], tone, old);
            y = select(sometimes[g], mixed, y);
        } else if constexpr (C == Character::kBand2) {
            const V4 old = tone;
            const V4 t = lowpass(y, splat(lowCut_));
            tone = select(sometimes[g], tone, old);
            y = select(sometimes[g], t, y);
            y = lowpass(y, F + 950.0f);
        } else if constexpr (C == Character::kBand3) {
            const V4 t = lowpass(y, F + 954.0f);
            y = select(absolute(t) > 0.9f, -y, y);
        } else if constexpr (C == Character::kBand4) {
            const V4 t = lowpass(y, splat(860.0f));
            y = select(absolute(t) > 0.9f, -y, y);
            y = lowpass(y, F + 954.0f);
        } else if constexpr (C == Character::kBand5) {
            const V4 t = lowpass(y, splat(860.0f));
            y = select(absolute(t) > 0.9f, splat(0.9f), y);
        } else if constexpr (C == Character::kBand6 || C == Character::kBand8) {
            constexpr float limit = C == Character::kBand6 ? 0.9f : 0.5f;
            const V4 t = lowpass(y, splat(860.0f));
            const I4 over = absolute(t) > limit;
            const V4 kept = tone;
            const V4 smooth = lowpass(y, F + 950.0f);
            tone = select(over, kept, tone);
            y = select(over, splat(limit), smooth);
            if constexpr (C == Character::kBand6) G[g] = splat(1.0f);
        } else if constexpr (C == Character::kBand7) {
            const V4 t = lowpass(y, splat(860.0f));
            y = select(absolute(t) > 0.5f, splat(0.5f), y);
        } else if constexpr (C == Character::kBand9) {
            y = lowpass(y, F + 992.0f);
        }
        y_[g] = y;
    }
}

inline __attribute__((always_inline)) void VoiceBank::processModeB(const V4* u, const V4* G) {
    const float w = w_;
    V4 h[kGroups];
    for (int g = 0; g < kGroups; ++g) {
        excitationLowpass_[g] = excitationLowpass_[g] + (u[g] - excitationLowpass_[g]) * 28.0f * w;
        h[g] = u[g] - excitationLowpass_[g];
        const V4 s = select(lengthUnit_[g] < 95.0f, sympathetic_[g] * 0.4f, sympathetic_[g]);
        hp_[g] = hp_[g] + (s - hp_[g]) * 570.0f * w;
        sympathetic_[g] = (s - hp_[g]) * 0.5f + 1e-8f;
    }
    V4 read[kGroups];
    modeBLoop_.read(read);
    for (int g = 0; g < kGroups; ++g) {
        tone_[g] = tone_[g] + (read[g] * (G[g] + 1.0f) * 0.5f * loopGain_[g] + h[g] - tone_[g]) * (filterBrightness_[g] + 950.0f) * w;
        r_[g] = tone_[g];
    }
    V4 written[kGroups];
    for (int g = 0; g < kGroups; ++g) written[g] = r_[g] + sympathetic_[g] + 0.0001f;
    modeBLoop_.write(written);
}

inline __attribute__((always_inline)) void VoiceBank::finish(bool modeB, const V4* G, float* out) {
    if (modeB) finishWith<true, false>(G, out);
    else if (shaping_ > 0.9f && shaping_ <= 0.98f) finishWith<false, true>(G, out);
    else finishWith<false, false>(G, out);
}

// Envelope, silence test and the output high-pass, for the loop mode and
// for whether the output goes through the per-note tone filter.
template <bool ModeB, bool ToneOutput>
inline __attribute__((always_inline)) void VoiceBank::finishWith(const V4* G, float* out) {
    // Locals: the stores below could otherwise alias these members and
    // force a reload per group.
    const float w = w_;
    const V4 release = splat(release_), attack = splat(attack_);
    for (int g = 0; g < kGroups; ++g) {
        V4 z = ModeB ? r_[g] : y_[g];
        const V4 a = absolute(z);
        V4 env = envelope_[g];
        env = (env - a) * select(a <= env, release, attack) + a;
        if constexpr (!ModeB) {
            const I4 quiet = absolute(env) < kSilence;
            z = select(quiet, splat(0.0f), z);
            env = select(quiet, splat(0.0f), env);
        }
        V4 level = env;
        env = env * envelopeGrowth_[g];
        const I4 quiet = absolute(env) < kSilence;
        z = select(quiet, splat(0.0f), z);
        env = select(quiet, splat(0.0f), env);
        level = select(quiet, splat(0.0f), level);
        envelope_[g] = env;
        level_[g] = level;
        if constexpr (ModeB) r_[g] = z;
        else y_[g] = z;

        const V4 x = z - (G[g] - 1.0f) * n_[g];
        const V4 fc = ToneOutput ? toneFrequency_[g] - 37.0f : splat(ModeB ? 39.0f : 12.0f);
        const V4 f = w * fc;
        const V4 hpOut = x - (b_[g] * 0.482f + l_[g]);
        b_[g] = b_[g] + hpOut * f;
        l_[g] = l_[g] + b_[g] * f;
        const V4 result = hpOut * (ToneOutput ? 2.0f : 1.4f);
        std::memcpy(out + 4 * g, &result, sizeof result);
    }
}

// The versions of the per-sample work, one per processor.
void VoiceBank::stepPlain(float* out, std::uint32_t& random) { step(out, random); }
void VoiceBank::feedPlain(const float* out, float body, float gain) { feed(out, body, gain); }
STRELLON_AVX2_VERSION void VoiceBank::stepAvx2(float* out, std::uint32_t& random) { step(out, random); }
STRELLON_AVX2_VERSION void VoiceBank::feedAvx2(const float* out, float body, float gain) { feed(out, body, gain); }

}  // namespace strellon

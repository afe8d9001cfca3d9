// A run of samples through the voices: each sample's twelve voice outputs,
// the sympathetic feed through the body filter, the mix and the idle test.
// The loop is a template so that each voice group builds it around its own
// per-sample work (per processor version, for the lane bank): the values of
// one sample then pass to the next in registers, not through calls.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/OutputStage.h"
#include "engine/Parameters.h"
#include "engine/Random.h"

namespace strellon {

// The body the strings sound through: two high-passes and a low-pass over
// the mix, with a little noise, fed back to every string.
struct SympatheticBody {
    float lowpass = 0, highpass1 = 0, highpass2 = 0;
    float feedback = 0;  // what the next sample's feed hears

    void filter(float mix, float random, float w) {
        highpass1 = highpass1 + (mix - highpass1) * w * 300.0f;
        const float h1 = mix - highpass1;
        highpass2 = highpass2 + (h1 - highpass2) * w * 300.0f;
        const float b = (h1 - highpass2) * 0.5f + (random - 0.5f) * 0.0004f;
        lowpass = lowpass + (b - lowpass) * w * 800.0f;
        feedback = lowpass;
    }
};

// When the engine falls idle: once the mix has stayed quiet for span
// samples on end (the longest loop and the chorus), not at a zero crossing
// of a tail that still sounds. Quiet is 90 dB below the loudest mix since
// the engine woke, or below an absolute floor (110 dB below full scale at
// the output stage's input) for quiet notes, whose tails would otherwise
// end in the body's faint noise.
struct IdleRule {
    static constexpr float kQuietRatio = 3.1622777e-5f;  // -90 dB
    static constexpr float kQuietFloor = 8.1084e-7f;    // -110 dB / 3.9

    bool active = false;
    // Below 25 kHz the engine measures the mix as brought down to the
    // host's rate (measure(), once per host frame) and hear() only decides.
    bool measuredElsewhere = false;
    // Samples after a note-on during which the test may not stop the
    // engine: the string's loop needs that long to reach the output.
    int hold = 0;
    int quietFor = 0, span = 0;
    float loudest = 0.0f, quietBelow = kQuietFloor;

    // Idle, with nothing heard; the span and where the mix is measured stay.
    void fallAsleep() {
        active = false;
        hold = quietFor = 0;
        loudest = 0.0f;
        quietBelow = kQuietFloor;
    }

    // A level heard for a number of samples.
    void measure(float level, int samples) {
        if (level > loudest) {
            loudest = level;
            quietBelow = std::max(kQuietFloor, level * kQuietRatio);
        }
        if (!(level < quietBelow)) quietFor = 0;
        else if (quietFor < span) quietFor = std::min(quietFor + samples, span);
    }

    // Every sample, with its mix (the last one while idle).
    void hear(float mix) {
        if (!measuredElsewhere) measure(std::fabs(mix), 1);
        // Until something has sounded since the engine woke (events wake it
        // before their note comes), it falls idle on the first silent mix.
        const bool heard = loudest >= kQuietFloor;
        const bool over = heard ? quietFor >= span : OutputStage::isSilent(mix);
        if (over && hold <= 0 && active) {
            // The next wake measures its own loudest mix.
            active = false;
            loudest = 0.0f;
            quietBelow = kQuietFloor;
        }
        if (hold > 0) --hold;
    }
};

// What a run shares with the engine around it.
struct RunState {
    SympatheticBody body;
    IdleRule idle;
    float mix = 0;
    float w = 0;
    // The Sympathetic control for the run (the feed is off at 0 and below)
    // and the feed's gain.
    float sympathetic = 0;
    float sympatheticGain = 0;
    // The tone filters the run steps, where DynaTone is above 0 (tone must
    // then be set), and what they give for each sample: 0 where the
    // engine is idle or DynaTone is 0.
    ToneFilters* tone = nullptr;
    float dynaTone = 0, toneRama = 0;
    float shaped[OutputStage::kRun];
};

// The run itself. process(out, random) gives one sample of the twelve
// voices, feed(out, body, gain) sets their sympathetic inputs. Runs while
// the engine is active, at most n samples, and gives each sample's mix and
// the generator after it, and the tone filters' band in state.shaped;
// returns how many samples ran (fewer than n when the engine fell idle on
// the last of them).
template <class Process, class Feed>
inline __attribute__((always_inline)) int runVoices(Process&& process, Feed&& feed, int n, RunState& state,
                                                    float* mixes, std::uint32_t* randoms, std::uint32_t& random) {
    // The body filter of a sample is only needed by the next sample's feed.
    // Worked out right after that sample's voices instead of right after
    // its own, its serial chain overlaps the voices' work rather than
    // holding it up. Its random number is still drawn in its place. The
    // tone filters, which nothing here waits for, go one sample behind
    // too.
    bool bodyPending = false, tonePending = false;
    float bodyMix = 0.0f, bodyRandom = 0.0f;
    const bool toned = state.dynaTone > 0.0f, feeding = state.sympathetic > 0.0f;
    alignas(32) float out[16];
    int k = 0;
    while (k < n) {
        process(out, random);
        if (bodyPending) {
            state.body.filter(bodyMix, bodyRandom, state.w);
            bodyPending = false;
        }
        if (tonePending) {
            state.shaped[k - 1] = state.tone->shape(mixes[k - 1], state.dynaTone, state.toneRama);
            tonePending = false;
        }
        if (feeding) feed(out, state.body.feedback, state.sympatheticGain);
        float sum = out[0];
        for (int s = 1; s < kNumStrings; ++s) sum += out[s];
        state.mix = sum * 0.0833333358f;
        if (feeding) {
            bodyRandom = randomUnit(nextRandom(random));
            bodyMix = state.mix;
            bodyPending = true;
        } else {
            state.body.feedback = state.mix;
        }
        state.idle.hear(state.mix);
        mixes[k] = state.mix;
        randoms[k] = random;
        // Shaped only while the engine stays on after the sample's test.
        state.shaped[k] = 0.0f;
        tonePending = toned && state.idle.active;
        ++k;
        if (!state.idle.active) break;
    }
    if (bodyPending) state.body.filter(bodyMix, bodyRandom, state.w);
    if (tonePending) state.shaped[k - 1] = state.tone->shape(mixes[k - 1], state.dynaTone, state.toneRama);
    return k;
}

}  // namespace strellon

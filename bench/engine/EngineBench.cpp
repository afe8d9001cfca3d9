// Cost of the engine: one voice sample, the twelve-voice bank, whole blocks
// at several rates with everything on and everything off, an idle block, a
// long tail, and two plucked-string models of the STK beside them for scale.
#include <benchmark/benchmark.h>

#include <Plucked.h>
#include <StifKarp.h>

#include <algorithm>
#include <xmmintrin.h>
#include <memory>
#include <vector>

#include "engine/Parameters.h"
#include "engine/SoundEngine.h"
#include "engine/StringVoice.h"
#include "engine/VoiceBank.h"

namespace strellon {
namespace {

constexpr int kBlock = 512;

void setDefaults(ParamValues& p) {
    for (auto& v : p) v.store(0.0f);
    for (int s = 0; s < kNumStrings; ++s) {
        p[kLink + s].store(1.0f);
        p[kExciter + s].store(0.3f);
        p[kTuning + s].store(0.5f);
        p[kFixing + s].store(0.415f);
        p[kNisFilter + s].store(0.8f);
    }
    p[kShaping].store(0.89f);
    p[kModulation].store(0.5f);
    p[kSympathetic].store(0.8f);
    p[kThePick].store(0.4f);
    p[kToneRama].store(0.5f);
    p[kVelocity].store(0.8f);
    p[kPitch].store(0.5f);
    p[kChorus].store(0.28f);
    p[kVolume].store(1.0f);
}

void countVoiceSamples(benchmark::State& state, double perIteration) {
    state.counters["voice_samples/s"] = benchmark::Counter(perIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["s/voice_sample"] = benchmark::Counter(
        perIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_StringVoiceSample(benchmark::State& state) {
    StringVoice v;
    v.setSampleRate(44100.0f);
    v.setShaping(0.89f);
    v.setNoteActive(true);
    v.setToneFrequency(57);
    v.setNoteParameters(0.9f, 0.8f, 0.17f, 0.24f, 0.501f, 0.415f);
    v.setFrequency(440.0f);
    v.resetExcitation();
    for (auto _ : state) benchmark::DoNotOptimize(v.process());
    countVoiceSamples(state, 1.0);
}
BENCHMARK(BM_StringVoiceSample);

// The twelve voices as the engine runs them: runs of 64 samples, each
// sample with its sympathetic feed, body filter and mix.
template <class Group>
void BM_TwelveVoices(benchmark::State& state) {
    Group g;
    g.setSampleRate(44100.0f);
    g.setShaping(state.range(0) / 100.0f);
    // Re-plucked every 20480 samples, as BM_EngineBlock does, so that the
    // strings keep sounding.
    auto pluck = [&g] {
        for (int s = 0; s < kNumStrings; ++s)
            g.startNote(s, {48 + s, 0.9f, 0.8f, 0.17f, 0.24f, 0.501f, 0.415f, 2.0f * 130.81f * std::pow(2.0f, s / 12.0f)});
    };
    constexpr int kRun = 64;
    float mixes[kRun];
    std::uint32_t randoms[kRun];
    RunState run;
    run.w = 6.28319f / 44100.0f;
    run.sympathetic = 0.8f;
    run.sympatheticGain = 0.01f;
    std::uint32_t random = 1;
    const unsigned mxcsr = _mm_getcsr();
    _mm_setcsr(mxcsr | 0x8040u);  // as the engine runs: denormals flushed
    long runs = 0;
    for (auto _ : state) {
        if (runs++ % 320 == 0) pluck();
        run.idle.active = true;
        run.idle.hold = kRun;
        g.run(kRun, run, mixes, randoms, random);
        benchmark::DoNotOptimize(mixes);
    }
    _mm_setcsr(mxcsr);
    countVoiceSamples(state, double(kRun) * kNumStrings);
}
BENCHMARK(BM_TwelveVoices<ScalarVoices>)->Arg(89)->Arg(15)->Arg(99)->ArgName("shaping%");
BENCHMARK(BM_TwelveVoices<VoiceBank>)->Arg(89)->Arg(15)->Arg(99)->ArgName("shaping%");

template <class Model>
void BM_Stk(benchmark::State& state) {
    stk::Stk::setSampleRate(44100.0);
    std::vector<std::unique_ptr<Model>> voices;
    for (int s = 0; s < kNumStrings; ++s) voices.push_back(std::make_unique<Model>(20.0));
    auto pluck = [&voices] {
        for (int s = 0; s < kNumStrings; ++s) voices[s]->noteOn(130.81 * std::pow(2.0, s / 12.0), 0.9);
    };
    const unsigned mxcsr = _mm_getcsr();
    _mm_setcsr(mxcsr | 0x8040u);  // as ours: denormals flushed
    long samples = 0;
    for (auto _ : state) {
        if (samples++ % 20480 == 0) pluck();  // as ours: the strings keep sounding
        stk::StkFloat sum = 0;
        for (auto& v : voices) sum += v->tick();
        benchmark::DoNotOptimize(sum);
    }
    _mm_setcsr(mxcsr);
    countVoiceSamples(state, kNumStrings);
}
BENCHMARK(BM_Stk<stk::Plucked>)->Name("BM_StkPlucked");
BENCHMARK(BM_Stk<stk::StifKarp>)->Name("BM_StkStifKarp");

// Twelve voices kept sounding: a chord re-plucked every 40 blocks.
// Args: rate, everything on (1) or off (0), fast (1) or plain (0) voices.
void BM_EngineBlock(benchmark::State& state) {
    const float rate = static_cast<float>(state.range(0));
    const bool on = state.range(1) != 0;
    ParamValues params;
    setDefaults(params);
    params[kSympathetic].store(on ? 0.8f : 0.0f);
    params[kDynaTone].store(on ? 0.6f : 0.0f);
    params[kChorus].store(on ? 0.28f : 0.0f);
    SoundEngine engine(params, state.range(2) ? VoicePath::kFast : VoicePath::kScalar);
    engine.setSampleRate(rate);
    engine.setBlockSize(kBlock);
    engine.resume();
    std::vector<float> left(kBlock), right(kBlock);
    long block = 0;
    for (auto _ : state) {
        engine.beginEvents();
        if (block++ % 40 == 0)
            for (int s = 0; s < kNumStrings; ++s) engine.addMidi(s * 20, 0x90, 48 + s, 100);
        engine.endEvents();
        engine.processReplacing(left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(kBlock / rate, benchmark::Counter::kIsIterationInvariantRate);
    countVoiceSamples(state, double(kBlock) * kNumStrings);
}
BENCHMARK(BM_EngineBlock)
    ->ArgNames({"rate", "all_on", "fast"})
    ->Args({44100, 1, 1})
    ->Args({44100, 0, 1})
    ->Args({96000, 1, 1})
    ->Args({96000, 0, 1})
    ->Args({192000, 1, 1})
    ->Args({384000, 1, 1})
    ->Args({44100, 1, 0})
    ->Args({44100, 0, 0});

// No note sounding, everything on: what a block costs while the engine
// idles, to set beside a fully playing block of BM_EngineBlock.
void BM_EngineIdle(benchmark::State& state) {
    const float rate = static_cast<float>(state.range(0));
    ParamValues params;
    setDefaults(params);
    params[kDynaTone].store(0.6f);
    SoundEngine engine(params);
    engine.setSampleRate(rate);
    engine.setBlockSize(kBlock);
    engine.resume();
    std::vector<float> left(kBlock), right(kBlock);
    for (auto _ : state) {
        engine.beginEvents();
        engine.endEvents();
        engine.processReplacing(left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(kBlock / rate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EngineIdle)->ArgName("rate")->Arg(44100)->Arg(96000);

// Twenty seconds of tail after twelve notes stop: the decaying states must
// not slow down as they shrink.
void BM_Tail20Seconds(benchmark::State& state) {
    ParamValues params;
    setDefaults(params);
    params[kDynaTone].store(0.6f);
    std::vector<float> left(kBlock), right(kBlock);
    const int blocks = 20 * 44100 / kBlock;
    for (auto _ : state) {
        state.PauseTiming();
        SoundEngine engine(params);
        engine.setSampleRate(44100.0f);
        engine.setBlockSize(kBlock);
        engine.resume();
        engine.beginEvents();
        for (int s = 0; s < kNumStrings; ++s) engine.addMidi(s * 20, 0x90, 36 + s * 3, 110);
        engine.endEvents();
        engine.processReplacing(left.data(), right.data(), kBlock);
        state.ResumeTiming();
        for (int b = 0; b < blocks; ++b) engine.processReplacing(left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(blocks * double(kBlock) / 44100.0,
                                                      benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Tail20Seconds)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strellon

BENCHMARK_MAIN();

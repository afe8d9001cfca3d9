#include "engine/SoundEngine.h"

#include <algorithm>
#include <cmath>
#include <xmmintrin.h>

#include "engine/VoiceBank.h"

namespace strellon {

namespace {

// Long tails decay into denormals, which are slow on x86; flush them to
// zero for the duration of a block and give the host its mode back.
class FlushDenormals {
public:
    FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040u); }
    ~FlushDenormals() { _mm_setcsr(saved_); }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
    unsigned saved_;
};

std::unique_ptr<VoiceGroup> makeVoices(VoicePath path) {
    if (path == VoicePath::kScalar) return std::make_unique<ScalarVoices>();
    return std::make_unique<VoiceBank>();
}

}  // namespace

SoundEngine::SoundEngine(const ParamValues& params, VoicePath path)
    : params_(params),
      tables_(EngineTables::get()),
      output_(44100.0f),
      voices_(makeVoices(path)) {
    voices_->setSelfBend(param(kSelfBend));
    voices_->setDamp(param(kDamp));
    voices_->setShaping(param(kShaping));
    for (int s = 0; s < kNumStrings; ++s) {
        voices_->setFrequency(s, tables_.noteFrequency[36 + s]);
        currentNote_[s] = -1;
    }
    run_.w = angularFactor(44100.0f);
    measureQuietSpan();
}

// At low rates a loop of a high note is a few tens of samples long, where
// the loop's linear read and its one-pole filters (held below rate / 2 pi)
// dull and sharpen it: at 8 kHz the middle A sounded 44 cents sharp, and
// high notes lost their pitch within a few periods. At a multiple of the
// rate the voices are as they are at 44.1 kHz, and a low-pass brings the
// output down to the host's rate without folding back what lies above its
// Nyquist frequency.
int SoundEngine::oversampling(float rate) {
    if (!(rate < kOversampledBelow)) return 1;
    const float below = 49999.0f;  // the loops' stretch stops at 50 kHz
    return std::clamp(static_cast<int>(below / rate), 2, Decimator::kMaxFactor);
}

int SoundEngine::inner(long long frames) const {
    const long long scaled = frames * factor_;
    return static_cast<int>(std::clamp<long long>(scaled, -0x7FFFFFFFll, 0x7FFFFFFFll));
}

void SoundEngine::setSampleRate(float rate) {
    if (!(rate >= kMinimumRate && rate <= kMaximumRate)) return;
    const int factor = oversampling(rate);
    if (factor != factor_) decimator_.setFactor(factor);
    factor_ = factor;
    hostRate_ = rate;
    run_.idle.measuredElsewhere = factor > 1;
    rate *= static_cast<float>(factor);
    sampleRate_ = rate;
    output_.setSampleRate(rate);
    voices_->setSampleRate(rate);
    run_.w = angularFactor(rate);
    measureQuietSpan();
}

// The longest loop period among the voices, and the chorus lines' length:
// a tail is over once the mix has stayed silent that long.
void SoundEngine::measureQuietSpan() {
    float longest = 0.0f;
    for (int s = 0; s < kNumStrings; ++s) longest = std::max(longest, 2.0f * voices_->lengthUnit(s));
    const float span = longest * 1.1f + sampleRate_ * 0.04f;
    run_.idle.span = span < 1048576.0f ? static_cast<int>(span) : 1048576;
}

void SoundEngine::resume() {
    voices_->setSampleRate(sampleRate_);
    intake_.clear();
    output_.resetLimiter();
    run_.w = angularFactor(sampleRate_);
}

void SoundEngine::addMidi(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    // Events land on the first of the inner frames of their host frame.
    if (intake_.add(inner(deltaFrames), status, data1, data2, param(kDamp) != 0.0f, inner(blockSize_)))
        run_.idle.active = true;
}

void SoundEngine::prepareBlock() {
    const float selfBend = param(kSelfBend);
    if (selfBend != 0.0f) voices_->setSelfBend(selfBend);
    const float shaping = param(kShaping);
    voices_->setShaping(shaping);
    pick_ = param(kThePick) * 0.4f + 0.01f;
    chorusBaseDelay_ = sampleRate_ * 0.03f;
    float shapingGain;
    if (shaping <= 0.8f) shapingGain = 1.4f;
    else if (shaping <= 0.9f) shapingGain = 2.3f;
    else if (shaping <= 0.93f) shapingGain = 1.1f;
    else shapingGain = 0.93f;
    sympatheticGain_ = (param(kModulation) * 0.5f + 0.3f) * param(kSympathetic) * shapingGain * 0.0145f;
    for (int k = 0; k < kNumStrings; ++k) {
        exciter_[k] = param(kExciter + k);
        fixing_[k] = param(kFixing + k);
        nisFilter_[k] = param(kNisFilter + k);
    }
    const double semitone = 1.0594630943;
    const double pitchFactor = std::pow(semitone, (2.0 * param(kPitch) - 1.0) * 0.5);
    for (int k = 0; k < kNumStrings; ++k) {
        // F sharp sits a little sharp of the others, as it always has.
        const double base = k == 6 ? 4.008 : 4.0;
        tuningRatio_[k] = static_cast<float>(std::pow(semitone, 2.0 * param(kTuning + k) - 1.0) * pitchFactor * base);
    }
    volume_ = param(kVolume);
}

void SoundEngine::noteOn(int key, float velocity) {
    int s = -1;
    for (int i = 0; i < kNumStrings && s < 0; ++i)
        if (currentNote_[i] == key) s = i;
    if (s < 0) {
        for (int i = 0; i < kNumStrings && s < 0; ++i)
            if (voices_->level(i) < 0.000001f) s = i;
        for (int i = 0; i < kNumStrings && s < 0; ++i)
            if (voices_->level(i) < 0.001f) s = i;
        if (s < 0) {
            if (++rotation_ > 11) rotation_ = 0;
            s = rotation_;
        }
        currentNote_[s] = key;
    }
    run_.idle.active = true;

    const float velocityParam = param(kVelocity);
    const float effective = velocityParam * velocity + (1.0f - velocityParam);
    const float frequency = tables_.noteFrequency[key];
    const int k = key % 12;
    const NoteStart start{key,
                          effective,
                          nisFilter_[k],
                          pick_,
                          exciter_[k] * 0.8f,
                          param(kModulation) + 0.001f,
                          fixing_[k] * intake_.fixingFactor(),
                          tuningRatio_[k] * frequency * 0.5f};
    voices_->startNote(s, start);
    sounding_[k].store(1, std::memory_order_relaxed);
    measureQuietSpan();
    run_.idle.quietFor = 0;

    // Keep the engine awake until the string's loop has carried the pluck
    // round once; some settings give exact silence until then.
    const float span = 4.0f * voices_->lengthUnit(s) + 64.0f;
    const int hold = span >= 64.0f && span < 262144.0f ? static_cast<int>(span) : 64;
    run_.idle.hold = std::max(run_.idle.hold, hold);
}

void SoundEngine::noteOff(int key) {
    const float damp = param(kDamp);
    if (damp != 0.0f) {
        voices_->setDamp(damp);
        for (int s = 0; s < kNumStrings; ++s)
            if (currentNote_[s] == key) voices_->dampNote(s);
    }
    sounding_[key % 12].store(0, std::memory_order_relaxed);
}

void SoundEngine::carryOut(NoteEvent& e) {
    if (!(e.onKey == 0 && e.offKey == 0)) {
        if (e.velocity > 0.0f) noteOn(e.onKey & 0x7F, e.velocity);
        else noteOff(e.offKey & 0x7F);
    }
    e.delta = -1;
}

// A state that is no longer a finite number would sound as silence or noise
// for good; start the voices and the output stage afresh instead.
void SoundEngine::recover() {
    voices_->reset();
    voices_->setSampleRate(sampleRate_);
    voices_->setSelfBend(param(kSelfBend));
    voices_->setDamp(param(kDamp));
    voices_->setShaping(param(kShaping));
    output_.reset();
    currentNote_.fill(-1);
    run_.body = SympatheticBody{};
    run_.mix = 0.0f;
    run_.idle.fallAsleep();
    ++sleeps_;
}

// The sample of the next event after sample i: the queue entry under the
// walk pointer or a carried note-off, whichever comes first.
int SoundEngine::nextEvent(int i, int next, int frames) const {
    int at = std::min(frames, intake_.nextDue(i));
    if (next < MidiIntake::kQueueSize) {
        const int delta = intake_.queue()[next].delta;
        if (delta > i && delta < at) at = delta;
    }
    return at;
}

// Samples from..to-1 of a run up to the output stage: the voices, the
// sympathetic feed, the body filter and the idle test; each sample's mix
// and controls go to the output stage, which renders the run afterwards.
void SoundEngine::runVoices(int from, int to, float* mixOut, std::uint32_t& generator) {
    const int n = to - from;
    // The controls are read once for the run: another thread's change
    // lands on a run's first sample rather than somewhere inside it.
    const float dynaTone = param(kDynaTone);
    const float toneRama = param(kToneRama);
    const float chorus = param(kChorus);
    float mixes[OutputStage::kRun];
    run_.sympathetic = param(kSympathetic);
    run_.sympatheticGain = sympatheticGain_;
    run_.tone = &output_.tone();
    run_.dynaTone = dynaTone;
    run_.toneRama = toneRama;
    const int voiced = voices_->run(n, run_, mixes, runRandom_, generator);
    // Idle for the rest of the run: the mix stays where it was.
    for (int k = voiced; k < n; ++k) {
        run_.idle.hear(run_.mix);
        mixes[k] = run_.mix;
        runRandom_[k] = generator;
        run_.shaped[k] = 0.0f;
    }
    if (!run_.idle.active) ++sleeps_;
    if (mixOut) std::copy(mixes, mixes + n, mixOut);  // measured once brought down (hearChunk)
    for (int k = 0; k < n; ++k) {
        // Active after the sample's idle test: the voices ran on after it.
        const bool on = k < voiced - 1 || (k == voiced - 1 && run_.idle.active);
        output_.addShapedSample(k, mixes[k], run_.shaped[k], on, dynaTone, chorus);
    }
}

// Frames from..to-1 of the block at the engine's rate into left and right
// (and the mix into mix, unless null), whose first sample is frame from;
// next is the event walk's place in the queue.
inline __attribute__((always_inline)) void SoundEngine::render(float* left, float* right, float* mix, int from, int to,
                                                               int& next, std::uint32_t& random,
                                                               const OutputControls& controls) {
    NoteEvent* queue = intake_.queue();
    float spareLeft[OutputStage::kRun], spareRight[OutputStage::kRun];
    int i = from;
    while (i < to) {
        intake_.takeDue(i, [this](int key) { noteOff(key); });
        while (next < MidiIntake::kQueueSize && queue[next].delta == i) carryOut(queue[next++]);

        // Idle, the output stage only scales the frozen mix: the same value
        // on every sample up to the next event, and no state moves.
        if (!run_.idle.active) {
            const int end = nextEvent(i, next, to);
            const float held = OutputStage::heldSample(run_.mix, controls);
            if (left) std::fill(left + (i - from), left + (end - from), held);
            if (right) std::fill(right + (i - from), right + (end - from), held);
            if (mix) std::fill(mix + (i - from), mix + (end - from), run_.mix);
            i = end;
            continue;
        }
        // Nothing happens between events but the per-sample work, so the
        // run may go up to the next one.
        const int end = std::min(nextEvent(i, next, to), i + OutputStage::kRun);
        runVoices(i, end, mix ? mix + (i - from) : nullptr, random);
        float* l = left ? left + (i - from) : spareLeft;
        float* r = right ? right + (i - from) : spareRight;
        const int done = output_.renderRun(end - i, controls, l, r);
        if (done == end - i) {
            i = end;
            continue;
        }
        // A state that is no longer a finite number: the voices have run
        // ahead of the bad sample, but recover() puts them back to their
        // first state anyway; the generator goes back to where it was.
        recover();
        random = runRandom_[done];
        l[done] = r[done] = 0.0f;
        if (mix) mix[i - from + done] = 0.0f;
        i += done + 1;
    }
}

void SoundEngine::processReplacing(float* left, float* right, int frames) {
    FlushDenormals flush;
    prepareBlock();

    // The thread's generator, held locally for the block (thread-local
    // storage is slow to reach from a shared library) and put back after.
    std::uint32_t random = randomState;
    int next = 0;
    const OutputControls controls{0.0f, 0.0f, 0.0f, volume_, intake_.volumeFactor(), chorusBaseDelay_};
    if (factor_ == 1) {
        render(left, right, nullptr, 0, frames, next, random, controls);
    } else {
        // In chunks the decimator holds, however many frames the host
        // passes; the event walk goes on from one chunk to the next.
        float heard[Decimator::kChunk];
        // Frames whose inner index would not fit an int (some 12 hours at
        // 8 kHz in one block) are left silent.
        const int reachable = std::min(frames, 0x7FFFFFFF / factor_);
        for (int done = 0; done < reachable;) {
            const int n = std::min(reachable - done, Decimator::kChunk);
            // Idle with nothing due in the chunk, and the filter already
            // holding the idle values: they are the output, and nothing moves.
            const float held = OutputStage::heldSample(run_.mix, controls);
            if (!run_.idle.active && nextEvent(done * factor_ - 1, next, (done + n) * factor_) >= (done + n) * factor_ &&
                decimator_.holds(0, held) && decimator_.holds(1, held) && decimator_.holds(2, run_.mix)) {
                if (left) std::fill(left + done, left + done + n, held);
                if (right) std::fill(right + done, right + done + n, held);
                done += n;
                continue;
            }
            const unsigned sleeps = sleeps_;
            render(decimator_.input(0), decimator_.input(1), decimator_.input(2), done * factor_,
                   (done + n) * factor_, next, random, controls);
            decimator_.decimate(0, n, left ? left + done : nullptr);
            decimator_.decimate(1, n, right ? right + done : nullptr);
            decimator_.decimate(2, n, heard);
            decimator_.advance(n);
            hearChunk(heard, n, sleeps);
            done += n;
        }
        for (float* out : {left, right})
            if (out && frames > reachable) std::fill(out + reachable, out + frames, 0.0f);
    }
    intake_.finishBlock(inner(frames));
    randomState = random;
}

// The idle rule's measurements, as it takes them itself at the host's
// rate, on the mix brought down to the host's rate; its test then falls on
// the next chunk's first sample.
void SoundEngine::hearChunk(const float* heard, int frames, unsigned sleepsBefore) {
    if (sleeps_ != sleepsBefore || !run_.idle.active) return;
    for (int j = 0; j < frames; ++j) run_.idle.measure(std::fabs(heard[j]), factor_);
}

}  // namespace strellon

// From the voice mix to left and right: fixed gain, the optional tone
// section (resonant low-pass and band, soft clip, peak limiter), Volume,
// the optional stereo chorus and the controller-7 factor. It also decides
// when the engine falls idle.
//
// The render loop hands over the samples between two events as one run:
// addSample() takes each sample's mix and controls (and the tone filters'
// band, which the engine's voice run works out alongside the voices),
// renderRun() works the run through in passes (limiter, chorus lines,
// outputs), which keeps each pass's dependency chains apart from each
// other.
#pragma once

#include <cmath>

#include "engine/ChorusLines.h"
#include "engine/EngineTables.h"
#include "engine/ToneFilters.h"

namespace strellon {

struct OutputControls {
    float dynaTone;
    float toneRama;
    float chorus;
    float volume;
    float volumeFactor;
    float chorusBaseDelay;  // samples, 0.03 * rate
};

class OutputStage {
public:
    // Chorus buffers fit 33 ms plus the sweep at 384 kHz.
    static constexpr int kChorusCapacity = 16384;
    // Beyond this a value in the stage is taken for a blow-up, as if it were
    // not a number: no setting that sounds comes near it.
    static constexpr float kBlownUp = 1e8f;
    // Most samples in one run.
    static constexpr int kRun = 64;

    // The chorus oscillators keep the rate they are built with.
    explicit OutputStage(float sampleRate);

    // UI thread, while audio is stopped.
    void setSampleRate(float sampleRate);
    void resetLimiter() { limiterGain_ = 1.0f; }
    float limiterGain() const { return limiterGain_; }
    // Everything back to silence, after a numeric blow-up.
    void reset();

    // True when the idle test stops the engine for this mix value.
    static bool isSilent(float mix) { return std::fabs(mix * 3.9f) < 1.8e-9f; }

    // What renderRun() writes for a sample while the engine is idle: the
    // frozen mix through the gains, no tone section and no chorus.
    static float heldSample(float mix, const OutputControls& c) { return mix * 3.9f * c.volume * c.volumeFactor; }

    // Audio thread: sample k (0..kRun-1) of the current run, whose idle
    // decision the caller has taken (on is the active flag after the test),
    // with the controls read for it. The tone filters shape it here.
    void addSample(int k, float mix, bool on, float T, float R, float Ch) {
        addShapedSample(k, mix, on && T > 0.0f ? tone_.shape(mix, T, R) : 0.0f, on, T, Ch);
    }
    // The same, for a caller that stepped tone() itself (where on and T
    // above 0; shaped is 0 otherwise).
    void addShapedSample(int k, float mix, float shaped, bool on, float T, float Ch) {
        run_.mix[k] = mix;
        run_.shaped[k] = shaped;
        run_.dynaTone[k] = on ? T : 0.0f;
        run_.chorus[k] = on ? Ch : 0.0f;
    }
    ToneFilters& tone() { return tone_; }

    // Audio thread: writes the n samples of the run. Stops after the first
    // sample whose output, mix or tone section has blown up (not a finite
    // number, or beyond kBlownUp) and returns its
    // index (n when none was); the stage then wants a reset(), which the
    // render loop gives it.
    int renderRun(int n, const OutputControls& c, float* left, float* right) {
        return (this->*render_)(n, c, left, right);
    }

private:
    // renderRun's work, built once per processor version; the version is
    // picked at construction.
    int render(int n, const OutputControls& c, float* left, float* right);
    int renderPlain(int n, const OutputControls& c, float* left, float* right);
    int renderAvx2(int n, const OutputControls& c, float* left, float* right);
    int (OutputStage::*render_)(int, const OutputControls&, float*, float*);
    // render()'s passes, in their order.
    int limit(int n, const float* shaped, float volume, float* y, float* dry, float* high);
    void chorusLines(int voiced, const float* high, float baseDelay, float* wet1, float* wet2);
    void mixOutputs(int n, int voiced, const float* y, const float* dry, const float* wet1, const float* wet2,
                    float volumeFactor, float* l, float* r) const;
    int firstBlownUp(int n, int voiced, const float* shaped, const float* l, const float* r);

    const float* limiterTable_ = EngineTables::get().limiter.data();
    float sampleRate_;
    float w_;
    float releaseCoefficient_;
    ToneFilters tone_;
    float limiterGain_ = 1.0f;
    float chorusLowpass_ = 0.0f;
    float feedback1_ = 0.0f, feedback2_ = 0.0f;
    FractionalDelay chorus1_, chorus2_;
    Lfo lfo1_, lfo2_;

    // What addSample() leaves for renderRun(); the controls are 0 where the engine
    // is idle.
    struct Run {
        float mix[kRun], shaped[kRun], dynaTone[kRun], chorus[kRun];
    } run_;
};

}  // namespace strellon

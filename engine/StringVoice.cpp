#include "engine/StringVoice.h"

namespace strellon {

// Until the host sets a rate the angular factor stays 0, so no filter moves.
StringVoice::StringVoice()
    : attack_(static_cast<float>(std::pow(0.01, 1.0 / 44.1))),
      release_(static_cast<float>(std::pow(0.01, 0.0002061430534946508))),
      loopA_(0.0f, kLoopCapacity),
      loopB_(0.0f, kLoopCapacity),
      comb_(0.0f, kCombCapacity),
      modeBLoop_(0.0f, kModeBMinimumSize) {}

// A new rate also re-derives the sounding note's values for it (not its loop
// gain, which a damped note-off may have lowered), so that nothing keeps
// coefficients worked out for the old rate.
void StringVoice::setSampleRate(float sampleRate) {
    const bool changed = sampleRate != sampleRate_;
    sampleRate_ = sampleRate;
    rates_ = voiceRates(sampleRate);
    w_ = rates_.angular;
    attack_ = rates_.attack;
    release_ = rates_.release;
    lowCut_ = heldCutoff(3900.0f, rates_);
    if (changed && note_ >= 0) toneFrequency_ = toneFrequencyFor(note_, sampleRate);
    if (changed && frequency_ != 0.0f) derive();
    envelopeGrowth_ = envelopeGrowth(lengthUnit_, rates_);
}

void StringVoice::setFrequency(float hz) {
    frequency_ = hz;
    loopGain_ = tuneString(hz, velocity_, nis_, shaping_, sampleRate_).loopGain;
    derive();
}

void StringVoice::derive() {
    const StringTuning t = tuneString(frequency_, velocity_, nis_, shaping_, sampleRate_);
    noiseCutoff_ = t.noiseCutoff;
    lengthUnit_ = t.lengthUnit;
    brightness_ = t.brightness;
    filterBrightness_ = t.filterBrightness;
    envelopeGrowth_ = envelopeGrowth(lengthUnit_, rates_);
}

void StringVoice::reset() {
    hp_ = n_ = tone_ = drift_ = excitationLowpass_ = b_ = l_ = driftTarget_ = 0.0f;
    driftCounter_ = excitationCounter_ = tickCounter_ = 0;
    y_ = r_ = 0.0f;
    velocity_ = nis_ = pick_ = exciter_ = modulation_ = 0.0f;
    envelope_ = level_ = selfBend_ = damp_ = fixing_ = 0.0f;
    loopGain_ = kLoopGainLimit;
    sympathetic_ = noiseCutoff_ = shaping_ = lengthUnit_ = 0.0f;
    rampCounter_ = 0.0f;
    rampLength_ = 1.0f;
    brightness_ = filterBrightness_ = 0.0f;
    frequency_ = 0.0f;
    note_ = -1;
    envelopeGrowth_ = envelopeGrowth(0.0f, rates_);
    noteActive_ = false;
    toneFrequency_ = 200.0f;
    loopA_.clear();
    loopB_.clear();
    comb_.clear();
    modeBLoop_.clear();
    loopA_.setDelay(0.0f);
    loopB_.setDelay(0.0f);
    comb_.setDelay(0.0f);
    modeBLoop_.setDelay(0.0);
}

float StringVoice::process() {
    const Character character = characterFor(shaping_);

    // Drift: a new random target every 261 samples, approached on ticks.
    if (++driftCounter_ > 260) driftCounter_ = 0;
    const float noise = (randomUnit(engineRandom()) - 0.5f) * 4.0f;
    if (driftCounter_ == 1) driftTarget_ = noise;
    if (++tickCounter_ > 39) {
        tickCounter_ = 1;
        drift_ = drift_ + (driftTarget_ - drift_) * w_ * 800.0f;
        driftTarget_ = drift_;
    }
    const bool tick = tickCounter_ < 2;

    n_ = n_ + (noise * ((velocity_ + 0.1f) * pick_ + exciter_ * 0.1f) - n_) * noiseCutoff_ * w_;
    const float e = (n_ + 2.0f) * 0.5f;

    const PluckInput pluck{noteActive_, lengthUnit_, shaping_, brightness_, sampleRate_, n_, e, exciter_, velocity_};
    const float X = pluckSample(pluck, excitationCounter_, rampLength_);

    float G;
    rampCounter_ += 1.0f;
    if (rampCounter_ > rampLength_) {
        G = 1.0f;
        rampCounter_ = rampLength_ + 1.0f;
    } else {
        G = (1.0f - rampCounter_ / rampLength_) * (1.0f - e);
    }

    const float D = lengthUnit_;
    float z;
    if (character != Character::kModeB) {
        if (tick) {
            loopA_.setDelay(D - 2.0f * selfBend_ * envelope_ * envelope_ * rates_.bendScale);
            loopB_.setDelay(D * (1.0f + modulation_ * driftTarget_ * 0.03f));
            comb_.setDelay(D * fixing_ * fixing_);
        }
        const float u = X + 0.9f * comb_.push(X);
        excitationLowpass_ = excitationLowpass_ + (u - excitationLowpass_) * 38.0f * w_;
        const float h = u - excitationLowpass_;
        if (D < 95.0f) sympathetic_ = sympathetic_ * 0.3f;
        sympathetic_ = highpassStep(sympathetic_, 390.0f) * 0.5f + 1e-8f;

        loopA_.push((G + 1.0f) * 0.5f * loopGain_ * y_ + h);
        const float a = loopA_.peek() + sympathetic_;
        loopB_.push(a);
        float y = loopB_.peek() + sympathetic_;

        // Character: a shaping of the loop output chosen by band.
        const int q = drawsCharacter(character) ? engineRandom() : 0x7FFF;
        const bool sometimes = q <= kSometimesLimit;
        float t;
        switch (character) {
        case Character::kBand1:
            if (sometimes) y = lowpassStep(y, lowCut_) * nis_ + (1.0f - nis_) * y;
            break;
        case Character::kBand2:
            if (sometimes) y = lowpassStep(y, lowCut_);
            y = lowpassStep(y, filterBrightness_ + 950.0f);
            break;
        case Character::kBand3:
            t = lowpassStep(y, filterBrightness_ + 954.0f);
            if (std::fabs(t) > 0.9f) y = -y;
            break;
        case Character::kBand4:
            t = lowpassStep(y, 860.0f);
            if (std::fabs(t) > 0.9f) y = -y;
            y = lowpassStep(y, filterBrightness_ + 954.0f);
            break;
        case Character::kBand5:
            t = lowpassStep(y, 860.0f);
            if (std::fabs(t) > 0.9f) y = 0.9f;
            break;
        case Character::kBand6:
            t = lowpassStep(y, 860.0f);
            if (std::fabs(t) > 0.9f) y = 0.9f;
            else y = lowpassStep(y, filterBrightness_ + 950.0f);
            G = 1.0f;
            break;
        case Character::kBand7:
            t = lowpassStep(y, 860.0f);
            if (std::fabs(t) > 0.5f) y = 0.5f;
            break;
        case Character::kBand8:
            t = lowpassStep(y, 860.0f);
            if (std::fabs(t) > 0.5f) y = 0.5f;
            else y = lowpassStep(y, filterBrightness_ + 950.0f);
            break;
        case Character::kBand9:
            y = lowpassStep(y, filterBrightness_ + 992.0f);
            break;
        default:
            break;
        }
        y_ = y;
        z = y;
    } else {
        if (tick) {
            drift_ = drift_ + (n_ - drift_) * w_ * 300.0f;
            modeBLoop_.setDelay(2.0f * D * (1.0f + drift_ * modulation_ * 0.004f) - selfBend_ * envelope_ * 1.28f * rates_.bendScale);
            comb_.setDelay(D * fixing_ * fixing_);
        }
        const float u = X + 0.9f * comb_.push(X);
        excitationLowpass_ = excitationLowpass_ + (u - excitationLowpass_) * 28.0f * w_;
        const float h = u - excitationLowpass_;
        if (D < 95.0f) sympathetic_ = sympathetic_ * 0.4f;
        hp_ = hp_ + (sympathetic_ - hp_) * 570.0f * w_;
        sympathetic_ = (sympathetic_ - hp_) * 0.5f + 1e-8f;
        const float v = modeBLoop_.read();
        tone_ = tone_ + (v * (G + 1.0f) * 0.5f * loopGain_ + h - tone_) * (filterBrightness_ + 950.0f) * w_;
        r_ = tone_;
        modeBLoop_.write(r_ + sympathetic_ + 0.0001f);
        z = r_;
    }

    // Envelope follower: fast attack, slow release.
    const float a = std::fabs(z);
    envelope_ = (envelope_ - a) * (a <= envelope_ ? release_ : attack_) + a;
    if (character != Character::kModeB && std::fabs(envelope_) < kSilence) {
        y_ = 0.0f;
        envelope_ = 0.0f;
    }
    level_ = envelope_;
    envelope_ = envelope_ * envelopeGrowth_;
    if (std::fabs(envelope_) < kSilence) {
        if (character == Character::kModeB) r_ = 0.0f;
        else y_ = 0.0f;
        envelope_ = 0.0f;
        level_ = 0.0f;
    }

    if (character == Character::kModeB) return svfHighpass(r_ - (G - 1.0f) * n_, 39.0f) * 1.4f;
    if (shaping_ > 0.9f && shaping_ <= 0.98f) return svfHighpass(y_ - (G - 1.0f) * n_, toneFrequency_ - 37.0f) * 2.0f;
    return svfHighpass(y_ - (G - 1.0f) * n_, 12.0f) * 1.4f;
}

}  // namespace strellon

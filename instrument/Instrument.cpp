#include "instrument/Instrument.h"

#include <new>

#include "instrument/FactoryBank.h"

namespace strellon {

Instrument::Instrument(vst2::HostCallback host) : PluginBase(host, kNumPrograms, kNumParams) {
    programs.reset(new (std::nothrow) Program[kNumPrograms]);
    for (int channel = 0; channel < static_cast<int>(channelPrograms.size()); ++channel)
        channelPrograms[channel] = channel;

    if (programs) {
        // Before the editor and the engine exist, so nothing is told; the
        // live values are the default record's, not factory "Basic"'s.
        setProgram(0);
    } else {
        const auto defaults = defaultRecord();
        for (int i = 0; i < kNumParams; ++i) params[i].store(defaults[i], std::memory_order_relaxed);
    }

    if (host) {
        setNumInputs(0);
        setNumOutputs(kNumOutputs);
        setFlag(vst2::effFlagsCanReplacing, true);
        setFlag(vst2::effFlagsHasVu, false);
        setFlag(vst2::effFlagsHasClip, false);
        setFlag(vst2::effFlagsIsSynth, true);
        setUniqueID(kUniqueId);
        // The editor registers itself here once it exists; a failure to
        // create it is reported with setOutOfMemory().
    }

    // Engine set-up goes here; the factory bank is written last.
    if (programs) FactoryBank::fill(programs.get());
}

Instrument::~Instrument() = default;

const Program* Instrument::program(int index) const {
    return programs && index >= 0 && index < kNumPrograms ? &programs[index] : nullptr;
}

// Audio and engine -------------------------------------------------------------
// Until the engine is wired in, the instrument is silent.

void Instrument::process(float** inputs, float** outputs, vst2::int32 sampleFrames) {
    // Overwrites like processReplacing: the engine never adds to the host's buffers.
    processReplacing(inputs, outputs, sampleFrames);
}

void Instrument::processReplacing(float**, float** outputs, vst2::int32 sampleFrames) {
    if (!outputs || sampleFrames <= 0) return;
    for (int channel = 0; channel < kNumOutputs; ++channel)
        if (float* out = outputs[channel])
            for (vst2::int32 i = 0; i < sampleFrames; ++i) out[i] = 0.0f;
}

vst2::int32 Instrument::processEvents(vst2::VstEvents*) { return 1; }

void Instrument::setSampleRate(float rate) { PluginBase::setSampleRate(rate); }

void Instrument::setBlockSize(vst2::int32 size) { PluginBase::setBlockSize(size); }

void Instrument::resume() { wantMidiEvents(1); }

vst2::int32 Instrument::getStringActive(vst2::int32) { return 0; }

}  // namespace strellon

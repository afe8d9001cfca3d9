#include "instrument/Instrument.h"

#include <new>

#include "instrument/FactoryBank.h"
#include "plugin/Module.h"

namespace strellon {

Instrument::Instrument(vst2::HostCallback host, EditorFactory makeEditor)
    : PluginBase(host, kNumPrograms, kNumParams) {
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
    }

    // The engine reads the live values set above; the factory bank is
    // written last, so the live values stay the default record's.
    engine = std::make_unique<SoundEngine>(params);
    engine->setSampleRate(getSampleRate());
    engine->setBlockSize(getBlockSize());

    // After the engine, whose sounding flags the editor reads at once. The
    // editor registers itself; without it the entry gives the host nothing.
    if (host && makeEditor && !makeEditor(this)) setOutOfMemory();
    if (programs) FactoryBank::fill(programs.get());
}

Instrument::~Instrument() = default;

const Program* Instrument::program(int index) const {
    return programs && index >= 0 && index < kNumPrograms ? &programs[index] : nullptr;
}

// Audio and engine -------------------------------------------------------------

void Instrument::process(float** inputs, float** outputs, vst2::int32 sampleFrames) {
    // Overwrites like processReplacing: the engine never adds to the host's buffers.
    processReplacing(inputs, outputs, sampleFrames);
}

void Instrument::processReplacing(float**, float** outputs, vst2::int32 sampleFrames) {
    // Even a block of no frames prepares the voices (self-bend, shaping).
    engine->processReplacing(outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr,
                             sampleFrames);
}

vst2::int32 Instrument::processEvents(vst2::VstEvents* events) {
    // The host may have set the block size together with the rate, which
    // stores it without telling the engine; the glissando note-off needs it.
    engine->setBlockSize(getBlockSize());
    engine->beginEvents();
    if (events) {
        for (vst2::int32 i = 0; i < events->numEvents; ++i) {
            const vst2::VstEvent* event = static_cast<vst2::VstEvent* const*>(events->events)[i];
            if (!event || event->type != vst2::kVstMidiType) continue;
            const auto* midi = reinterpret_cast<const vst2::VstMidiEvent*>(event);
            engine->addMidi(midi->deltaFrames, static_cast<unsigned char>(midi->midiData[0]),
                            static_cast<unsigned char>(midi->midiData[1]),
                            static_cast<unsigned char>(midi->midiData[2]));
        }
    }
    engine->endEvents();
    return 1;
}

void Instrument::setSampleRate(float rate) {
    PluginBase::setSampleRate(rate);
    engine->setSampleRate(getSampleRate());
}

void Instrument::setBlockSize(vst2::int32 size) {
    PluginBase::setBlockSize(size);
    engine->setBlockSize(getBlockSize());
}

void Instrument::resume() {
    // The host may have changed rate and block size together without telling
    // the engine; resume is where the engine catches up.
    engine->setSampleRate(getSampleRate());
    engine->setBlockSize(getBlockSize());
    engine->resume();
    wantMidiEvents(1);
}

vst2::int32 Instrument::getStringActive(vst2::int32 index) { return engine->getStringActive(index); }

}  // namespace strellon

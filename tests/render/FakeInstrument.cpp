#include "tests/render/FakeInstrument.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "plugin/vst2.h"

namespace {

using strellon::render::testing::FakeState;

// The effect's object pointer is the FakeState, so tests can read it.
struct Fake : FakeState {
    vst2::AEffect effect{};
    vst2::HostCallback host = nullptr;
    // Events of the coming block, applied at their frames.
    std::vector<vst2::VstMidiEvent> pending;
};

Fake* fakeOf(vst2::AEffect* e) { return static_cast<Fake*>(static_cast<FakeState*>(e->object)); }

vst2::intptr dispatcher(vst2::AEffect* e, vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                        void* ptr, float opt) {
    Fake* fake = fakeOf(e);
    switch (opcode) {
    case vst2::effClose:
        delete fake;
        return 1;
    case vst2::effSetProgram:
        fake->program = static_cast<int>(value);
        fake->log.push_back({fake->framesDone, 0, 0, 0, 0, static_cast<int>(value)});
        return 0;
    case vst2::effGetProgram:
        return fake->program;
    case vst2::effGetProgramNameIndexed:
        if (index < 0 || index >= e->numPrograms) return 0;
        std::strcpy(static_cast<char*>(ptr), index == 1 ? "Second Program" : "Plain");
        return 1;
    case vst2::effGetParamName:
        std::strcpy(static_cast<char*>(ptr), index == 0 ? " Gain  Level " : "Other");
        return 0;
    case vst2::effSetSampleRate:
        fake->sampleRate = opt;
        return 0;
    case vst2::effMainsChanged:
        fake->switches.mainsOn = value != 0;
        return 0;
    case vst2::effStartProcess:
    case vst2::effStopProcess:
        fake->switches.processing = opcode == vst2::effStartProcess;
        return 0;
    case vst2::effProcessEvents: {
        const auto* list = static_cast<const vst2::VstEvents*>(ptr);
        for (int i = 0; i < list->numEvents; ++i) {
            const auto* event = reinterpret_cast<const vst2::VstMidiEvent*>(list->events[i]);
            fake->pending.push_back(*event);
            fake->log.push_back({fake->framesDone + event->deltaFrames, event->deltaFrames,
                                       static_cast<unsigned char>(event->midiData[0]),
                                       static_cast<unsigned char>(event->midiData[1]),
                                       static_cast<unsigned char>(event->midiData[2]), -1});
        }
        return 1;
    }
    default:
        return 0;
    }
}

void processReplacing(vst2::AEffect* e, float**, float** outputs, vst2::int32 frames) {
    Fake* fake = fakeOf(e);
    FakeState& s = *fake;
    s.blockSizes.push_back(frames);
    constexpr vst2::intptr wanted = vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstBarsValid |
                                    vst2::kVstTimeSigValid;
    const vst2::intptr answer = fake->host ? fake->host(e, vst2::audioMasterGetTime, 0, wanted, nullptr, 0.0f) : 0;
    s.times.push_back(answer ? *reinterpret_cast<const vst2::VstTimeInfo*>(answer) : vst2::VstTimeInfo{});
    std::size_t next = 0;
    for (int i = 0; i < frames; ++i) {
        for (; next < fake->pending.size() && fake->pending[next].deltaFrames <= i; ++next) {
            const auto& m = fake->pending[next].midiData;
            const int status = m[0] & 0xF0;
            if (status == 0x90 && m[2] > 0) s.key = m[1];
            else if ((status == 0x80 || status == 0x90) && m[1] == s.key) s.key = -1;
        }
        float value = 0.0f;
        if (s.key == 0) {
            value = std::numeric_limits<float>::quiet_NaN();  // key 0 plays a broken voice
        } else if (s.key > 0) {
            s.phase += 440.0 * std::pow(2.0, (s.key - 69) / 12.0) / s.sampleRate;
            s.phase -= std::floor(s.phase);
            value = static_cast<float>(0.5 * std::sin(2.0 * 3.14159265358979 * s.phase));
        }
        for (int c = 0; c < 4; ++c) outputs[c][i] = value;
    }
    fake->pending.clear();
    s.framesDone += frames;
}

void setParameter(vst2::AEffect*, vst2::int32, float) {}
float getParameter(vst2::AEffect*, vst2::int32) { return 0.0f; }

}  // namespace

extern "C" __attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
    auto* fake = new Fake;
    fake->host = host;
    vst2::AEffect& e = fake->effect;
    e.magic = vst2::kEffectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numPrograms = 2;
    e.numParams = 2;
    e.numOutputs = 2;
    e.flags = vst2::effFlagsCanReplacing | (FAKE_IS_SYNTH ? vst2::effFlagsIsSynth : 0);
    e.object = static_cast<FakeState*>(fake);
    return &e;
}

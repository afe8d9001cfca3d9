// The instrument: one object per plug-in instance, holding the live
// parameter values, the program bank, the channel program table and the sound engine.
#pragma once

#include <array>
#include <memory>

#include "engine/Parameters.h"
#include "engine/SoundEngine.h"
#include "instrument/Program.h"
#include "plugin/PluginBase.h"

namespace strellon {

constexpr vst2::int32 kUniqueId = 0x6B6A786F;  // 'kjxo'
constexpr vst2::int32 kVendorVersion = 9536;
constexpr int kNumOutputs = 2;

class Instrument;
// Makes the instrument's editor, which registers itself with the instrument;
// null when it cannot be made. The instrument knows editors only by this.
using EditorFactory = EditorInterface* (*)(Instrument* instrument);

class Instrument : public PluginBase {
public:
    // UI thread (the entry). With a host and a factory, the instrument gets
    // its editor.
    explicit Instrument(vst2::HostCallback audioMaster, EditorFactory makeEditor = nullptr);
    // UI thread (effClose).
    ~Instrument() override;

    // Parameter store. Any thread.
    void setParameter(vst2::int32 index, float value) override;
    float getParameter(vst2::int32 index) override;
    // UI thread.
    void getParameterLabel(vst2::int32 index, char* label) override;
    void getParameterDisplay(vst2::int32 index, char* text) override;
    void getParameterName(vst2::int32 index, char* text) override;

    // Programs. UI thread.
    void setProgram(vst2::int32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(vst2::int32 category, vst2::int32 index, char* text) override;
    bool copyProgram(vst2::int32 destination) override;

    // Identity, capabilities and MIDI names. UI thread.
    bool getOutputProperties(vst2::int32 index, vst2::VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    vst2::int32 getVendorVersion() override;
    vst2::int32 canDo(char* text) override;
    vst2::int32 getMidiProgramName(vst2::int32 channel, vst2::MidiProgramName* name) override;
    vst2::int32 getCurrentMidiProgram(vst2::int32 channel,
                                      vst2::MidiProgramName* current) override;
    vst2::int32 getMidiProgramCategory(vst2::int32 channel,
                                       vst2::MidiProgramCategory* category) override;
    bool hasMidiProgramsChanged(vst2::int32 channel) override;
    bool getMidiKeyName(vst2::int32 channel, vst2::MidiKeyName* keyName) override;

    // Audio and engine ------------------------------------------------------
    // Audio thread.
    void process(float** inputs, float** outputs, vst2::int32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, vst2::int32 sampleFrames) override;
    vst2::int32 processEvents(vst2::VstEvents* events) override;
    // UI thread.
    void setSampleRate(float rate) override;
    void setBlockSize(vst2::int32 size) override;
    void resume() override;
    // UI thread (editor idle): 1 while a note of pitch class index sounds.
    vst2::int32 getStringActive(vst2::int32 index);

    // Read-only views for the editor and tests.
    const ParamValues& parameterValues() const { return params; }
    const Program* program(int index) const;

protected:
    // Writes one value into the current program and the live values.
    void store(int index, float value);

    ParamValues params;
    std::unique_ptr<Program[]> programs;
    std::array<vst2::int32, 16> channelPrograms{};
    std::unique_ptr<SoundEngine> engine;  // after params: it reads them
};

}  // namespace strellon

// The reusable plug-in: owns the effect record the host holds, the host
// callback and the editor, turns dispatcher opcodes into virtual operations
// and gives each a default. Instrument derives from it.
#pragma once

#include <atomic>
#include <memory>

#include "plugin/EditorInterface.h"
#include "plugin/vst2.h"

namespace strellon {

class PluginBase {
public:
    // UI thread (inside the entry).
    PluginBase(vst2::HostCallback audioMaster, vst2::int32 numPrograms, vst2::int32 numParams);
    // UI thread (effClose through the dispatcher trampoline).
    virtual ~PluginBase();
    PluginBase(const PluginBase&) = delete;
    PluginBase& operator=(const PluginBase&) = delete;

    vst2::AEffect* getAeffect() { return &effect_; }
    // The plug-in behind an effect record made by this class, or null.
    static PluginBase* fromEffect(vst2::AEffect* effect);

    // Parameters: any thread.
    virtual void setParameter(vst2::int32 index, float value);
    virtual float getParameter(vst2::int32 index);
    // UI thread (editor controls): store, then tell the host.
    virtual void setParameterAutomated(vst2::int32 index, float value);

    // Audio thread.
    virtual void process(float** inputs, float** outputs, vst2::int32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, vst2::int32 sampleFrames);

    // UI thread, and the audio thread for effProcessEvents.
    virtual vst2::intptr dispatcher(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                    void* ptr, float opt);

    // UI thread, all of the following unless noted.
    virtual void open();
    virtual void close();

    virtual vst2::int32 getProgram();
    virtual void setProgram(vst2::int32 program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);

    virtual void getParameterLabel(vst2::int32 index, char* label);
    virtual void getParameterDisplay(vst2::int32 index, char* text);
    virtual void getParameterName(vst2::int32 index, char* text);
    virtual float getVu();

    virtual vst2::int32 getChunk(void** data, bool isPreset);
    virtual vst2::int32 setChunk(void* data, vst2::int32 byteSize, bool isPreset);

    virtual void setSampleRate(float rate);
    virtual void setBlockSize(vst2::int32 size);
    virtual void suspend();
    virtual void resume();
    vst2::int32 getBlockSize() const { return blockSize; }

    // The eight-character number text used for parameter displays.
    virtual void floatToText(float value, char* text);

    // Audio thread: the block's MIDI list.
    virtual vst2::int32 processEvents(vst2::VstEvents* events);

    virtual bool canParameterBeAutomated(vst2::int32 index);
    virtual vst2::int32 getNumProgramCategories();
    virtual bool getProgramNameIndexed(vst2::int32 category, vst2::int32 index, char* text);
    virtual bool copyProgram(vst2::int32 destination);
    virtual bool getOutputProperties(vst2::int32 index, vst2::VstPinProperties* properties);
    virtual vst2::int32 getPlugCategory();

    virtual bool getEffectName(char* name);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual vst2::int32 getVendorVersion();
    virtual vst2::int32 canDo(char* text);
    virtual vst2::int32 getVstVersion();

    virtual vst2::int32 getMidiProgramName(vst2::int32 channel, vst2::MidiProgramName* name);
    virtual vst2::int32 getCurrentMidiProgram(vst2::int32 channel,
                                              vst2::MidiProgramName* current);
    virtual vst2::int32 getMidiProgramCategory(vst2::int32 channel,
                                               vst2::MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(vst2::int32 channel);
    virtual bool getMidiKeyName(vst2::int32 channel, vst2::MidiKeyName* keyName);

    // Host services. Each answers 0 without calling when there is no host
    // callback. Threads: those of their callers.
    bool beginEdit(vst2::int32 index);
    bool endEdit(vst2::int32 index);
    bool hostIdle();
    bool wantMidiEvents(vst2::int32 filter = 1);
    bool canHostDo(const char* text);
    bool sizeWindow(vst2::int32 width, vst2::int32 height);
    void* openWindow(vst2::VstWindow* window);
    bool closeWindow(vst2::VstWindow* window);
    bool openFileSelector(vst2::VstFileSelect* select);
    bool closeFileSelector(vst2::VstFileSelect* select);

    // The editor registers itself here and is owned from then on; this also
    // tells the host that there is an editor. UI thread.
    void setEditor(EditorInterface* newEditor);
    EditorInterface* getEditor() const { return editor.get(); }

    float getSampleRate() const { return sampleRate; }
    vst2::int32 getCurrentProgram() const { return curProgram.load(std::memory_order_relaxed); }

protected:
    vst2::intptr callHost(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f);

    void setNumInputs(vst2::int32 n) { effect_.numInputs = n; }
    void setNumOutputs(vst2::int32 n) { effect_.numOutputs = n; }
    void setUniqueID(vst2::int32 id) { effect_.uniqueID = id; }
    void setFlag(vst2::int32 flag, bool on);

    float sampleRate = 44100.0f;
    std::unique_ptr<EditorInterface> editor;
    vst2::HostCallback audioMaster;
    vst2::int32 numPrograms;
    vst2::int32 numParams;
    // Read by parameter stores on any thread, changed by the UI thread.
    std::atomic<vst2::int32> curProgram{0};
    vst2::int32 blockSize = 1024;

private:
    vst2::AEffect effect_{};
};

}  // namespace strellon

// A small VST 2 host: loads a plug-in library the way real hosts do (dlopen,
// or LoadLibrary on Windows), answers the host callback and records every
// call the plug-in makes to it. Used by the tests (which drive the plug-in
// only through the binary interface) and by strellon-render.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plugin/vst2.h"

namespace strellon::host {

// One call the plug-in made to the host callback.
struct HostCall {
    vst2::int32 opcode = 0;
    vst2::int32 index = 0;
    vst2::intptr value = 0;
    float opt = 0.0f;
    std::string text;  // ptr as text, for audioMasterCanDo
};

// How the host answers. Tests change these before or after loading.
struct HostSettings {
    vst2::intptr version = 2400;  // audioMasterVersion; 0 makes plug-ins refuse to load
    float sampleRate = 44100.0f;
    vst2::int32 blockSize = 512;
    std::vector<std::string> canDo;  // audioMasterCanDo texts answered 1
    vst2::intptr sizeWindowAnswer = 0;
    // Runs after each call is recorded, before it is answered: lets a test
    // act as a host that calls back into the plug-in from inside a request.
    std::function<void(vst2::int32 opcode)> duringCall;
};

// Where the host's transport stands for the coming block, as the audio
// thread's caller sets it; answered to audioMasterGetTime.
struct Transport {
    double samplePos = 0.0;
    bool playing = false;
    bool musical = false;  // the fields below are known
    double quarters = 0.0;
    double tempo = 120.0;
    double barStart = 0.0;
    int numerator = 4;
    int denominator = 4;
};

class PluginLibrary;

// One loaded plug-in instance. Several may share one library.
class HostedPlugin {
public:
    // Loads the library at path (dlopen or LoadLibrary), finds VSTPluginMain or main, and
    // calls it with our host callback. On failure returns null and sets error.
    static std::unique_ptr<HostedPlugin> load(const std::string& path, std::string& error,
                                              HostSettings settings = {});
    // A second instance from an already loaded library.
    static std::unique_ptr<HostedPlugin> create(std::shared_ptr<PluginLibrary> library,
                                                std::string& error, HostSettings settings = {});

    ~HostedPlugin();  // effClose, then releases the library when it is the last user
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    vst2::AEffect* effect() const { return effect_; }
    const std::shared_ptr<PluginLibrary>& library() const { return library_; }
    bool isInstrument() const;  // effFlagsIsSynth set

    vst2::intptr dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f);
    void setParameter(vst2::int32 index, float value);
    float getParameter(vst2::int32 index);
    void processReplacing(float** outputs, vst2::int32 frames, float** inputs = nullptr);
    void process(float** outputs, vst2::int32 frames, float** inputs = nullptr);

    // Convenience wrappers over dispatch.
    std::string text(vst2::int32 opcode, vst2::int32 index = 0, std::size_t bufferSize = 256);
    void startAudio(float sampleRate, vst2::int32 blockSize);  // rate, block, mains on, start
    // Stop processing, mains off; only after startAudio. close() does it too.
    void stopAudio();
    // The transport for the next blocks.
    void setTransport(const Transport& transport);
    void sendEvents(const vst2::VstEvents* events);
    // Selects a program inside the begin/end bracket hosts put round it, so
    // that plug-ins can hold back their updates until it is complete.
    void changeProgram(vst2::int32 program);

    // Switches the audio off if it runs, then effClose; the destructor then
    // does nothing more with the plug-in. Returns effClose's answer.
    vst2::intptr close();

    HostSettings& settings() { return settings_; }
    std::vector<HostCall> calls() const;
    void clearCalls();
    int countCalls(vst2::int32 opcode) const;

    // The host callback as the plug-in sees it (public for the trampoline).
    vst2::intptr onHostCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, void* ptr,
                            float opt);

private:
    HostedPlugin(std::shared_ptr<PluginLibrary> library, HostSettings settings);
    vst2::intptr timeInfo(vst2::intptr wanted);

    std::shared_ptr<PluginLibrary> library_;
    HostSettings settings_;
    vst2::AEffect* effect_ = nullptr;
    bool audioOn_ = false;
    Transport transport_;
    bool transportTold_ = false;  // the plug-in has seen the playing state
    bool toldPlaying_ = false;
    vst2::VstTimeInfo timeInfo_{};
    mutable std::mutex callsMutex_;
    std::vector<HostCall> calls_;
};

// The path of file in the folder of the running program (in the working
// folder when that cannot be found): where our tools look for the plug-in.
std::string besideProgram(const std::string& file);

// A loaded plug-in library and its entry.
class PluginLibrary {
public:
    static std::shared_ptr<PluginLibrary> open(const std::string& path, std::string& error);
    // A plug-in linked into the running program, reached through its entry
    // function as a loaded one would be; name stands in for the path.
    static std::shared_ptr<PluginLibrary> linkedIn(vst2::EntryProc entry, const std::string& name);
    ~PluginLibrary();
    vst2::EntryProc entry() const { return entry_; }
    const std::string& path() const { return path_; }

private:
    PluginLibrary() = default;
    void* handle_ = nullptr;
    vst2::EntryProc entry_ = nullptr;
    std::string path_;
};

// Builds a VstEvents list of MIDI events that owns its storage.
class MidiEventList {
public:
    void add(vst2::int32 deltaFrames, unsigned char status, unsigned char data1,
             unsigned char data2);
    void clear();
    bool empty() const { return events_.empty(); }
    std::size_t size() const { return events_.size(); }
    // Valid until the next add or clear.
    const vst2::VstEvents* get();

private:
    std::vector<vst2::VstMidiEvent> events_;
    std::vector<vst2::intptr> storage_;  // pointer-aligned header + pointers
};

}  // namespace strellon::host

#include "host/PluginHost.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace strellon::host {

namespace {

// While a plug-in's entry runs, its effect record is not known yet, so calls
// with an unknown effect go to the instance being created on this thread.
thread_local HostedPlugin* creating = nullptr;

vst2::intptr VST2_CALL hostCallback(vst2::AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                    vst2::intptr value, void* ptr, float opt) {
    HostedPlugin* host = nullptr;
    if (effect && effect->user && effect->magic == vst2::kEffectMagic)
        host = static_cast<HostedPlugin*>(effect->user);
    if (!host) host = creating;
    if (!host) return opcode == vst2::audioMasterVersion ? 2400 : 0;
    return host->onHostCall(opcode, index, value, ptr, opt);
}

}  // namespace

// PluginLibrary ---------------------------------------------------------------

namespace {

// The system's loader, behind one small set of calls.
#ifdef _WIN32
void* openLibrary(const std::string& path, std::string& why) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) why = "error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
void* findEntry(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& why) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        why = text ? text : "unknown error";
    }
    return handle;
}
void* findEntry(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

std::shared_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    std::string why;
    void* handle = openLibrary(path, why);
    if (!handle) {
        error = "cannot load " + path + ": " + why;
        return nullptr;
    }
    void* symbol = findEntry(handle, "VSTPluginMain");
    if (!symbol) symbol = findEntry(handle, "main");
    if (!symbol) {
        closeLibrary(handle);
        error = path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }
    std::shared_ptr<PluginLibrary> library(new PluginLibrary);
    library->handle_ = handle;
    library->entry_ = reinterpret_cast<vst2::EntryProc>(symbol);
    library->path_ = path;
    return library;
}

std::shared_ptr<PluginLibrary> PluginLibrary::linkedIn(vst2::EntryProc entry, const std::string& name) {
    std::shared_ptr<PluginLibrary> library(new PluginLibrary());
    library->entry_ = entry;
    library->path_ = name;
    return library;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) closeLibrary(handle_);
}

// HostedPlugin ------------------------------------------------------------------

HostedPlugin::HostedPlugin(std::shared_ptr<PluginLibrary> library, HostSettings settings)
    : library_(std::move(library)), settings_(std::move(settings)) {}

std::string besideProgram(const std::string& file) {
#ifdef _WIN32
    char self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self, n > 0 && n < MAX_PATH ? n : 0);
    const auto cut = folder.find_last_of("\\/");
    return (cut == std::string::npos ? std::string(".") : folder.substr(0, cut)) + "\\" + file;
#else
    std::error_code ignored;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return ((self.empty() ? std::filesystem::path(".") : self.parent_path()) / file).string();
#endif
}

std::unique_ptr<HostedPlugin> HostedPlugin::load(const std::string& path, std::string& error,
                                                 HostSettings settings) {
    auto library = PluginLibrary::open(path, error);
    if (!library) return nullptr;
    return create(std::move(library), error, std::move(settings));
}

std::unique_ptr<HostedPlugin> HostedPlugin::create(std::shared_ptr<PluginLibrary> library,
                                                   std::string& error, HostSettings settings) {
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin(library, std::move(settings)));
    HostedPlugin* previous = creating;
    creating = plugin.get();
    vst2::AEffect* effect = library->entry()(hostCallback);
    creating = previous;
    if (!effect) {
        error = library->path() + ": the plug-in's entry returned no effect";
        return nullptr;
    }
    if (effect->magic != vst2::kEffectMagic) {
        error = library->path() + ": the plug-in's effect record has a bad magic number";
        return nullptr;
    }
    effect->user = plugin.get();
    plugin->effect_ = effect;
    return plugin;
}

HostedPlugin::~HostedPlugin() { close(); }

vst2::intptr HostedPlugin::close() {
    if (!effect_) return 0;
    stopAudio();
    vst2::AEffect* effect = effect_;
    effect_ = nullptr;
    return effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
}

bool HostedPlugin::isInstrument() const {
    return effect_ && (effect_->flags & vst2::effFlagsIsSynth) != 0;
}

vst2::intptr HostedPlugin::dispatch(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                    void* ptr, float opt) {
    if (!effect_) return 0;
    if (opcode == vst2::effClose) return close();
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void HostedPlugin::setParameter(vst2::int32 index, float value) {
    if (effect_) effect_->setParameter(effect_, index, value);
}

float HostedPlugin::getParameter(vst2::int32 index) {
    return effect_ ? effect_->getParameter(effect_, index) : 0.0f;
}

void HostedPlugin::processReplacing(float** outputs, vst2::int32 frames, float** inputs) {
    if (effect_ && effect_->processReplacing) effect_->processReplacing(effect_, inputs, outputs, frames);
}

void HostedPlugin::process(float** outputs, vst2::int32 frames, float** inputs) {
    if (effect_ && effect_->process) effect_->process(effect_, inputs, outputs, frames);
}

std::string HostedPlugin::text(vst2::int32 opcode, vst2::int32 index, std::size_t bufferSize) {
    std::vector<char> buffer(std::max<std::size_t>(bufferSize, 1) + 1, '\0');
    dispatch(opcode, index, 0, buffer.data(), 0.0f);
    buffer.back() = '\0';
    return std::string(buffer.data());
}

void HostedPlugin::startAudio(float sampleRate, vst2::int32 blockSize) {
    settings_.sampleRate = sampleRate;
    settings_.blockSize = blockSize;
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(vst2::effSetBlockSize, 0, blockSize);
    dispatch(vst2::effMainsChanged, 0, 1);
    dispatch(vst2::effStartProcess);
    audioOn_ = true;
}

void HostedPlugin::stopAudio() {
    if (!audioOn_) return;
    audioOn_ = false;
    dispatch(vst2::effStopProcess);
    dispatch(vst2::effMainsChanged, 0, 0);
}

void HostedPlugin::setTransport(const Transport& transport) { transport_ = transport; }

// Fills the record with what is known and asked for; the transport flags
// always come.
vst2::intptr HostedPlugin::timeInfo(vst2::intptr wanted) {
    vst2::VstTimeInfo& t = timeInfo_;
    t = {};
    t.samplePos = transport_.samplePos;
    t.sampleRate = settings_.sampleRate;
    int flags = transport_.playing ? vst2::kVstTransportPlaying : 0;
    if (!transportTold_ || toldPlaying_ != transport_.playing) flags |= vst2::kVstTransportChanged;
    transportTold_ = true;
    toldPlaying_ = transport_.playing;
    if (transport_.musical) {
        if (wanted & vst2::kVstPpqPosValid) {
            t.ppqPos = transport_.quarters;
            flags |= vst2::kVstPpqPosValid;
        }
        if (wanted & vst2::kVstTempoValid) {
            t.tempo = transport_.tempo;
            flags |= vst2::kVstTempoValid;
        }
        if (wanted & vst2::kVstBarsValid) {
            t.barStartPos = transport_.barStart;
            flags |= vst2::kVstBarsValid;
        }
        if (wanted & vst2::kVstTimeSigValid) {
            t.timeSigNumerator = transport_.numerator;
            t.timeSigDenominator = transport_.denominator;
            flags |= vst2::kVstTimeSigValid;
        }
    }
    t.flags = flags;
    return reinterpret_cast<vst2::intptr>(&t);
}

void HostedPlugin::sendEvents(const vst2::VstEvents* events) {
    dispatch(vst2::effProcessEvents, 0, 0, const_cast<vst2::VstEvents*>(events));
}

void HostedPlugin::changeProgram(vst2::int32 program) {
    dispatch(vst2::effBeginSetProgram);
    dispatch(vst2::effSetProgram, 0, program);
    dispatch(vst2::effEndSetProgram);
}

std::vector<HostCall> HostedPlugin::calls() const {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return calls_;
}

void HostedPlugin::clearCalls() {
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.clear();
}

int HostedPlugin::countCalls(vst2::int32 opcode) const {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

// Called by the plug-in on whatever thread it runs on; the record is guarded so
// tests may read it from another thread.
vst2::intptr HostedPlugin::onHostCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                      void* ptr, float opt) {
    HostCall call{opcode, index, value, opt, {}};
    if (opcode == vst2::audioMasterCanDo && ptr) call.text = static_cast<const char*>(ptr);
    {
        std::lock_guard<std::mutex> lock(callsMutex_);
        calls_.push_back(call);
    }
    if (settings_.duringCall) settings_.duringCall(opcode);
    switch (opcode) {
        case vst2::audioMasterVersion:
            return settings_.version;
        case vst2::audioMasterGetSampleRate:
            return static_cast<vst2::intptr>(settings_.sampleRate);
        case vst2::audioMasterGetBlockSize:
            return settings_.blockSize;
        case vst2::audioMasterWantMidi:
        case vst2::audioMasterBeginEdit:
        case vst2::audioMasterEndEdit:
            return 1;
        case vst2::audioMasterCanDo:
            return std::find(settings_.canDo.begin(), settings_.canDo.end(), call.text) !=
                           settings_.canDo.end()
                       ? 1
                       : 0;
        case vst2::audioMasterSizeWindow:
            return settings_.sizeWindowAnswer;
        case vst2::audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "Strellon test host");
            return ptr ? 1 : 0;
        case vst2::audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "strellon-host");
            return ptr ? 1 : 0;
        case vst2::audioMasterGetVendorVersion:
            return 1;
        case vst2::audioMasterGetTime:
            return timeInfo(value);
        default:
            return 0;  // automate, idle, and everything we do not offer
    }
}

// MidiEventList -------------------------------------------------------------------

void MidiEventList::add(vst2::int32 deltaFrames, unsigned char status, unsigned char data1,
                        unsigned char data2) {
    vst2::VstMidiEvent event{};
    event.type = vst2::kVstMidiType;
    event.byteSize = sizeof(vst2::VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    events_.push_back(event);
}

void MidiEventList::clear() { events_.clear(); }

const vst2::VstEvents* MidiEventList::get() {
    // The header is followed by as many pointers as there are events; the
    // declared array of two is the header's minimum.
    const std::size_t pointers = std::max<std::size_t>(events_.size(), 2);
    const std::size_t bytes = offsetof(vst2::VstEvents, events) + pointers * sizeof(vst2::VstEvent*);
    storage_.assign((bytes + sizeof(vst2::intptr) - 1) / sizeof(vst2::intptr), 0);
    auto* list = reinterpret_cast<vst2::VstEvents*>(storage_.data());
    list->numEvents = static_cast<vst2::int32>(events_.size());
    for (std::size_t i = 0; i < events_.size(); ++i)
        list->events[i] = reinterpret_cast<vst2::VstEvent*>(&events_[i]);
    return list;
}

}  // namespace strellon::host

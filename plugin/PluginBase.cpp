#include "plugin/PluginBase.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace strellon {

namespace {

constexpr vst2::int32 kDefaultUniqueId = 0x4E6F4566;  // 'NoEf'
constexpr vst2::intptr kIdentifyAnswer = 0x4E764566;  // 'NvEf'

// The host may pass anything as the modifier float; an int conversion of a
// NaN or a huge value is undefined, so those count as no modifiers.
unsigned char lowByte(float value) {
    if (!std::isfinite(value) || std::fabs(value) > 2147483647.0f) return 0;
    return static_cast<unsigned char>(static_cast<vst2::int32>(value) & 0xFF);
}

// Trampolines stored in the effect record. Each finds the plug-in through
// the record; a record we did not make (or null) gets the neutral answer.

vst2::intptr VST2_CALL dispatchTrampoline(vst2::AEffect* effect, vst2::int32 opcode,
                                          vst2::int32 index, vst2::intptr value, void* ptr,
                                          float opt) {
    PluginBase* plugin = PluginBase::fromEffect(effect);
    if (!plugin) return 0;
    if (opcode == vst2::effClose) {
        plugin->dispatcher(opcode, index, value, ptr, opt);
        delete plugin;
        return 1;
    }
    return plugin->dispatcher(opcode, index, value, ptr, opt);
}

void VST2_CALL processTrampoline(vst2::AEffect* effect, float** inputs, float** outputs,
                                 vst2::int32 sampleFrames) {
    if (PluginBase* plugin = PluginBase::fromEffect(effect))
        plugin->process(inputs, outputs, sampleFrames);
}

void VST2_CALL processReplacingTrampoline(vst2::AEffect* effect, float** inputs, float** outputs,
                                          vst2::int32 sampleFrames) {
    if (PluginBase* plugin = PluginBase::fromEffect(effect))
        plugin->processReplacing(inputs, outputs, sampleFrames);
}

void VST2_CALL setParameterTrampoline(vst2::AEffect* effect, vst2::int32 index, float value) {
    if (PluginBase* plugin = PluginBase::fromEffect(effect)) plugin->setParameter(index, value);
}

float VST2_CALL getParameterTrampoline(vst2::AEffect* effect, vst2::int32 index) {
    PluginBase* plugin = PluginBase::fromEffect(effect);
    return plugin ? plugin->getParameter(index) : 0.0f;
}

void writeEmpty(char* text) {
    if (text) text[0] = '\0';
}

}  // namespace

PluginBase::PluginBase(vst2::HostCallback host, vst2::int32 programs, vst2::int32 params)
    : audioMaster(host), numPrograms(programs), numParams(params) {
    effect_.magic = vst2::kEffectMagic;
    effect_.dispatcher = dispatchTrampoline;
    effect_.process = processTrampoline;
    effect_.setParameter = setParameterTrampoline;
    effect_.getParameter = getParameterTrampoline;
    effect_.numPrograms = programs;
    effect_.numParams = params;
    effect_.numInputs = 1;
    effect_.numOutputs = 2;
    effect_.flags = 0;
    effect_.ioRatio = 1.0f;
    effect_.object = this;
    effect_.uniqueID = kDefaultUniqueId;
    effect_.version = 1;
    effect_.processReplacing = processReplacingTrampoline;
}

PluginBase::~PluginBase() = default;

PluginBase* PluginBase::fromEffect(vst2::AEffect* effect) {
    if (!effect || effect->magic != vst2::kEffectMagic) return nullptr;
    return static_cast<PluginBase*>(effect->object);
}

void PluginBase::setFlag(vst2::int32 flag, bool on) {
    if (on)
        effect_.flags |= flag;
    else
        effect_.flags &= ~flag;
}

void PluginBase::setEditor(EditorInterface* newEditor) {
    editor.reset(newEditor);
    setFlag(vst2::effFlagsHasEditor, newEditor != nullptr);
}

// Defaults ------------------------------------------------------------------

void PluginBase::setParameter(vst2::int32, float) {}
float PluginBase::getParameter(vst2::int32) { return 0.0f; }

void PluginBase::setParameterAutomated(vst2::int32 index, float value) {
    setParameter(index, value);
    callHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

void PluginBase::processReplacing(float**, float**, vst2::int32) {}
void PluginBase::open() {}
void PluginBase::close() {}
vst2::int32 PluginBase::getProgram() { return curProgram.load(std::memory_order_relaxed); }
void PluginBase::setProgram(vst2::int32 program) {
    curProgram.store(program, std::memory_order_relaxed);
}
void PluginBase::setProgramName(char* name) { writeEmpty(name); }
void PluginBase::getProgramName(char* name) { writeEmpty(name); }
void PluginBase::getParameterLabel(vst2::int32, char* label) { writeEmpty(label); }
void PluginBase::getParameterDisplay(vst2::int32, char* text) { writeEmpty(text); }
void PluginBase::getParameterName(vst2::int32, char* text) { writeEmpty(text); }
float PluginBase::getVu() { return 0.0f; }
vst2::int32 PluginBase::getChunk(void**, bool) { return 0; }
vst2::int32 PluginBase::setChunk(void*, vst2::int32, bool) { return 0; }
void PluginBase::setSampleRate(float rate) { sampleRate = rate; }
void PluginBase::setBlockSize(vst2::int32 size) { blockSize = size; }
void PluginBase::suspend() {}
void PluginBase::resume() {}
vst2::int32 PluginBase::processEvents(vst2::VstEvents*) { return 0; }
bool PluginBase::canParameterBeAutomated(vst2::int32) { return true; }
vst2::int32 PluginBase::getNumProgramCategories() { return 1; }
bool PluginBase::getProgramNameIndexed(vst2::int32, vst2::int32, char*) { return false; }
bool PluginBase::copyProgram(vst2::int32) { return false; }
bool PluginBase::getOutputProperties(vst2::int32, vst2::VstPinProperties*) { return false; }
vst2::int32 PluginBase::getPlugCategory() {
    return (effect_.flags & vst2::effFlagsIsSynth) ? vst2::kPlugCategSynth : 0;
}
bool PluginBase::getEffectName(char*) { return false; }
bool PluginBase::getVendorString(char*) { return false; }
bool PluginBase::getProductString(char*) { return false; }
vst2::int32 PluginBase::getVendorVersion() { return 0; }
vst2::int32 PluginBase::canDo(char*) { return 0; }
vst2::int32 PluginBase::getVstVersion() { return 2300; }
vst2::int32 PluginBase::getMidiProgramName(vst2::int32, vst2::MidiProgramName*) { return 0; }
vst2::int32 PluginBase::getCurrentMidiProgram(vst2::int32, vst2::MidiProgramName*) { return -1; }
vst2::int32 PluginBase::getMidiProgramCategory(vst2::int32, vst2::MidiProgramCategory*) {
    return 0;
}
bool PluginBase::hasMidiProgramsChanged(vst2::int32) { return false; }
bool PluginBase::getMidiKeyName(vst2::int32, vst2::MidiKeyName*) { return false; }

// Number text -------------------------------------------------------------------

void PluginBase::floatToText(float value, char* text) {
    if (!text) return;
    double v = value;
    const bool marked = v < 0.0;
    if (marked) v = -v;
    // Eight characters hold seven integer digits and the point (six after a
    // minus sign); anything longer would lose its leading digits.
    if (!(v < (marked ? 1000000.0 : 10000000.0))) {
        std::strcpy(text, "Huge!");
        return;
    }
    char integer[16];
    int length = 0;  // digits of the integer part, written backwards
    int count = marked ? 1 : 0;
    double n = std::floor(v);
    integer[length++] = static_cast<char>('0' + static_cast<int>(std::fmod(n, 10.0)));
    count += 2;
    n /= 10.0;
    while (n >= 1.0 && count < 8) {
        integer[length++] = static_cast<char>('0' + static_cast<int>(std::fmod(std::floor(n), 10.0)));
        ++count;
        n /= 10.0;
    }
    char* out = text;
    if (marked) *out++ = '-';
    while (length > 0) *out++ = integer[--length];
    *out++ = '.';
    if (count < 8) {
        const int decimals = 8 - count;
        // Digits are cut, never rounded: 0.415f shows as 0.414999.
        auto fraction = static_cast<long long>((v - std::floor(v)) * std::pow(10.0, decimals));
        for (int i = decimals - 1; i >= 0; --i) {
            out[i] = fraction > 0 ? static_cast<char>('0' + fraction % 10) : '0';
            fraction /= 10;
        }
        out += decimals;
    }
    *out = '\0';
}

// Dispatcher ---------------------------------------------------------------------

vst2::intptr PluginBase::dispatcher(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                    void* ptr, float opt) {
    using namespace vst2;
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        // Negative values reach setProgram, which refuses them; values wider
        // than 32 bits must not wrap into a valid program.
        if (value < numPrograms && value >= INT32_MIN) setProgram(static_cast<int32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
    case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); return 0;
    case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
    case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); return 0;
    case effGetVu: {
        const float vu = getVu() * 32767.0f;
        return std::isfinite(vu) ? static_cast<int32>(vu) : 0;
    }
    // Rates and sizes no engine could run at are not passed on.
    case effSetSampleRate:
        if (std::isfinite(opt) && opt > 0.0f) setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        if (value > 0 && value <= INT32_MAX) setBlockSize(static_cast<int32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen: return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<int32>(value), index != 0);

    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories: return getNumProgramCategories();
    case effGetProgramNameIndexed:
        return getProgramNameIndexed(static_cast<int32>(value), index, static_cast<char*>(ptr))
                   ? 1 : 0;
    case effCopyProgram: return copyProgram(index) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetOutputProperties:
        return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effSetBlockSizeAndSampleRate:
        // Stored directly: the engine is re-tuned only by effSetSampleRate and
        // resume. Values no engine could run at are not taken.
        if (value > 0 && value <= INT32_MAX) blockSize = static_cast<int32>(value);
        if (std::isfinite(opt) && opt > 0.0f) sampleRate = opt;
        return 1;
    case effGetEffectName: return getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString: return getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString: return getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effCanDo: return canDo(static_cast<char*>(ptr));
    case effKeysRequired: return 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (!editor) return 0;
        VstKeyCode key{index, static_cast<unsigned char>(value & 0xFF), lowByte(opt)};
        return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode: return editor ? editor->setKnobMode(static_cast<int32>(value)) : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged: hasMidiProgramsChanged(index); return 0;
    case effGetMidiKeyName: getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)); return 0;
    case effGetSpeakerArrangement:
        if (auto** input = reinterpret_cast<void**>(value)) *input = nullptr;
        if (auto** output = static_cast<void**>(ptr)) *output = nullptr;
        return 0;
    case effSetTotalSampleToProcess: return value;
    default: return 0;
    }
}

// Host services ---------------------------------------------------------------------

vst2::intptr PluginBase::callHost(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                  void* ptr, float opt) {
    return audioMaster ? audioMaster(&effect_, opcode, index, value, ptr, opt) : 0;
}

bool PluginBase::beginEdit(vst2::int32 index) {
    return callHost(vst2::audioMasterBeginEdit, index) != 0;
}
bool PluginBase::endEdit(vst2::int32 index) {
    return callHost(vst2::audioMasterEndEdit, index) != 0;
}
bool PluginBase::hostIdle() { return callHost(vst2::audioMasterIdle) != 0; }
bool PluginBase::wantMidiEvents(vst2::int32 filter) {
    return callHost(vst2::audioMasterWantMidi, 0, filter) != 0;
}
bool PluginBase::canHostDo(const char* text) {
    return text && callHost(vst2::audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0;
}
bool PluginBase::sizeWindow(vst2::int32 width, vst2::int32 height) {
    return callHost(vst2::audioMasterSizeWindow, width, height) != 0;
}
void* PluginBase::openWindow(vst2::VstWindow* window) {
    return reinterpret_cast<void*>(callHost(vst2::audioMasterOpenWindow, 0, 0, window));
}
bool PluginBase::closeWindow(vst2::VstWindow* window) {
    return callHost(vst2::audioMasterCloseWindow, 0, 0, window) != 0;
}
bool PluginBase::openFileSelector(vst2::VstFileSelect* select) {
    return select && callHost(vst2::audioMasterOpenFileSelector, 0, 0, select) != 0;
}
bool PluginBase::closeFileSelector(vst2::VstFileSelect* select) {
    return select && callHost(vst2::audioMasterCloseFileSelector, 0, 0, select) != 0;
}

}  // namespace strellon

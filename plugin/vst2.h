// Our own declaration of the VST 2 binary interface: record layouts, opcodes
// and constants. Everything here is plain data shared with hosts, so field
// order and sizes must never change; the static_asserts at the end pin them
// for 32- and 64-bit targets.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VST2_CALL __cdecl
#else
#define VST2_CALL
#endif

namespace vst2 {

using int16 = std::int16_t;
using int32 = std::int32_t;
using intptr = std::intptr_t;

struct AEffect;

using HostCallback = intptr(VST2_CALL*)(AEffect* effect, int32 opcode, int32 index, intptr value,
                                        void* ptr, float opt);
using DispatcherProc = intptr(VST2_CALL*)(AEffect* effect, int32 opcode, int32 index, intptr value,
                                          void* ptr, float opt);
using ProcessProc = void(VST2_CALL*)(AEffect* effect, float** inputs, float** outputs,
                                     int32 sampleFrames);
using SetParameterProc = void(VST2_CALL*)(AEffect* effect, int32 index, float value);
using GetParameterProc = float(VST2_CALL*)(AEffect* effect, int32 index);
using EntryProc = AEffect*(VST2_CALL*)(HostCallback host);

constexpr int32 kEffectMagic = 0x56737450;  // 'VstP'

struct AEffect {
    int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process;  // accumulating, deprecated
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32 numPrograms;
    int32 numParams;
    int32 numInputs;
    int32 numOutputs;
    int32 flags;
    intptr reserved1;
    intptr reserved2;
    int32 initialDelay;
    int32 realQualities;
    int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32 uniqueID;
    int32 version;
    ProcessProc processReplacing;
    char future[60];
};

enum EffectFlags : int32 {
    effFlagsHasEditor = 0x1,
    effFlagsHasClip = 0x2,
    effFlagsHasVu = 0x4,
    effFlagsCanMono = 0x8,
    effFlagsCanReplacing = 0x10,
    effFlagsProgramChunks = 0x20,
    effFlagsIsSynth = 0x100,
    effFlagsNoSoundInStop = 0x200,
};

// Dispatcher opcodes (host to plug-in).
enum EffectOpcode : int32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,  // 10
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,  // 20
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,  // 25
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,  // 30
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,  // 35
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,  // 40
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,  // 45
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,  // 50
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,  // 55
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,  // 60
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,  // 65
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,  // 70
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,  // 75
    effBeginLoadProgram,
};

// Host callback opcodes (plug-in to host).
enum HostOpcode : int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
};

constexpr int32 kPlugCategSynth = 2;

// Events ---------------------------------------------------------------------

constexpr int32 kVstMidiType = 1;
constexpr int32 kVstSysExType = 6;

struct VstEvent {
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    char data[16];
};

struct VstMidiEvent {
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    int32 noteLength;
    int32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstEvents {
    int32 numEvents;
    intptr reserved;
    VstEvent* events[2];  // hosts allocate numEvents entries
};

// The host's transport, answered to audioMasterGetTime (value: the flags of
// the fields the plug-in wants; the answer: a pointer to this record, valid
// until the next call, or 0).
enum VstTimeInfoFlags : int32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

struct VstTimeInfo {
    double samplePos;      // of the block's first sample
    double sampleRate;
    double nanoSeconds;    // system time
    double ppqPos;         // in quarter notes
    double tempo;          // beats per minute
    double barStartPos;    // quarter note of the current bar's start
    double cycleStartPos;
    double cycleEndPos;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    int32 smpteOffset;
    int32 smpteFrameRate;
    int32 samplesToNextClock;
    int32 flags;           // VstTimeInfoFlags
};

// Records the plug-in fills ----------------------------------------------------

enum PinFlags : int32 { kVstPinIsActive = 1, kVstPinIsStereo = 2, kVstPinUseSpeaker = 4 };

struct VstPinProperties {
    char label[64];
    int32 flags;
    int32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct MidiProgramName {
    int32 thisProgramIndex;
    char name[64];
    char midiProgram;
    char midiBankMsb;
    char midiBankLsb;
    char reserved;
    int32 parentCategoryIndex;
    int32 flags;
};

struct MidiProgramCategory {
    int32 thisCategoryIndex;
    char name[64];
    int32 parentCategoryIndex;
    int32 flags;
};

struct MidiKeyName {
    int32 thisProgramIndex;
    int32 thisKeyNumber;
    char keyName[64];
    int32 reserved;
    int32 flags;
};

struct ERect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

enum VirtualKey : unsigned char {
    VKEY_BACK = 1,
    VKEY_TAB = 2,
    VKEY_RETURN = 4,
    VKEY_ESCAPE = 6,
    VKEY_SPACE = 7,
    VKEY_LEFT = 11,
    VKEY_UP = 12,
    VKEY_RIGHT = 13,
    VKEY_DOWN = 14,
};

enum KeyModifier : unsigned char {
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 2,
    MODIFIER_COMMAND = 4,
    MODIFIER_CONTROL = 8,
};

struct VstKeyCode {
    int32 character;
    unsigned char virt;
    unsigned char modifier;
};

struct VstWindow {
    char title[128];
    int16 xPos;
    int16 yPos;
    int16 width;
    int16 height;
    int32 style;
    void* parent;
    void* userHandle;
    void* winHandle;
    char future[104];
};

struct VstFileType {
    char name[128];
    char macType[8];
    char dosType[8];
    char unixType[8];
    char mimeType1[128];
    char mimeType2[128];
};

enum FileSelectCommand : int32 {
    kVstFileLoad = 0,
    kVstFileSave = 1,
    kVstMultipleFilesLoad = 2,
    kVstDirectorySelect = 3,
};

struct VstFileSelect {
    int32 command;
    int32 type;
    int32 macCreator;
    int32 nbFileTypes;
    VstFileType* fileTypes;
    char title[1024];
    char* initialPath;
    char* returnPath;
    int32 sizeReturnPath;
    char** returnMultiplePaths;
    int32 nbReturnPaths;
    intptr reserved;
    char future[116];
};

// Layout checks ----------------------------------------------------------------

constexpr bool k64 = sizeof(void*) == 8;

static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(sizeof(MidiProgramName) == 80);
static_assert(sizeof(MidiProgramCategory) == 76);
static_assert(sizeof(MidiKeyName) == 80);
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstKeyCode) == 8);
static_assert(sizeof(VstFileType) == 408);
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(AEffect) == (k64 ? 192 : 144));
static_assert(sizeof(VstEvents) == (k64 ? 32 : 16));
static_assert(sizeof(VstWindow) == (k64 ? 272 : 256));
static_assert(sizeof(VstFileSelect) == (k64 ? 1216 : 1184));
static_assert(offsetof(AEffect, object) == (k64 ? 96 : 64));
static_assert(offsetof(AEffect, uniqueID) == (k64 ? 112 : 72));
static_assert(offsetof(AEffect, processReplacing) == (k64 ? 120 : 80));

}  // namespace vst2

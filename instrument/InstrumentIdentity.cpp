// What the Instrument says about itself: names, outputs, capabilities and
// the General MIDI names per channel.
#include <cstdio>
#include <cstring>

#include "instrument/Instrument.h"
#include "instrument/MidiNames.h"

namespace strellon {

namespace {

constexpr const char* kCapabilities[] = {"receiveVstEvents", "receiveVstMidiEvent",
                                         "midiProgramNames"};

bool copyText(char* destination, const char* text) {
    if (!destination) return false;
    std::strcpy(destination, text);
    return true;
}

}  // namespace

bool Instrument::getEffectName(char* name) { return copyText(name, "Strellon"); }
bool Instrument::getVendorString(char* text) { return copyText(text, "Quorvanix"); }
bool Instrument::getProductString(char* text) { return copyText(text, "Quorvanix Strellon"); }
vst2::int32 Instrument::getVendorVersion() { return kVendorVersion; }

bool Instrument::getOutputProperties(vst2::int32 index, vst2::VstPinProperties* properties) {
    if (!properties || index < 0 || index >= kNumOutputs) return false;
    std::snprintf(properties->label, sizeof(properties->label), "Strellon %1d", index + 1);
    properties->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

vst2::int32 Instrument::canDo(char* text) {
    if (text)
        for (const char* capability : kCapabilities)
            if (std::strcmp(text, capability) == 0) return 1;
    return -1;
}

vst2::int32 Instrument::getMidiProgramName(vst2::int32 channel, vst2::MidiProgramName* name) {
    if (!name) return 0;
    const vst2::int32 program = name->thisProgramIndex;
    if (program < 0 || program >= kNumMidiPrograms) return 0;
    fillMidiProgramName(channel, program, *name);
    return channel == kDrumChannel ? 1 : kNumMidiPrograms;
}

vst2::int32 Instrument::getCurrentMidiProgram(vst2::int32 channel,
                                              vst2::MidiProgramName* current) {
    if (!current || channel < 0 || channel >= kNumMidiChannels) return -1;
    const vst2::int32 program = channelPrograms[channel];
    current->thisProgramIndex = program;
    fillMidiProgramName(channel, program, *current);
    return program;
}

vst2::int32 Instrument::getMidiProgramCategory(vst2::int32 channel,
                                               vst2::MidiProgramCategory* category) {
    if (!category) return 0;
    category->parentCategoryIndex = -1;
    category->flags = 0;
    if (channel == kDrumChannel) {
        std::strcpy(category->name, "Drums");
        return 1;
    }
    const char* name = midiCategoryName(category->thisCategoryIndex);
    std::strcpy(category->name, name ? name : "");
    return kNumMidiCategories;
}

bool Instrument::hasMidiProgramsChanged(vst2::int32) { return false; }

bool Instrument::getMidiKeyName(vst2::int32, vst2::MidiKeyName* keyName) {
    if (keyName) {
        keyName->keyName[0] = '\0';
        keyName->reserved = 0;
        keyName->flags = 0;
    }
    return false;
}

}  // namespace strellon

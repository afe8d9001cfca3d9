// strellon-info [plugin.so]: loads a VST 2 plug-in as a host would and
// prints what it says about itself. Without an argument it loads the
// Strellon.so that lies beside this program.
#include <cstdio>
#include <string>

#include "host/PluginHost.h"

using strellon::host::HostedPlugin;

namespace {

std::string fourCharacters(vst2::int32 id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((id >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

std::string flagNames(vst2::int32 flags) {
    const std::pair<vst2::int32, const char*> names[] = {
        {vst2::effFlagsHasEditor, "editor"},         {vst2::effFlagsHasClip, "clip"},
        {vst2::effFlagsHasVu, "vu"},                 {vst2::effFlagsCanMono, "mono"},
        {vst2::effFlagsCanReplacing, "replacing"},   {vst2::effFlagsProgramChunks, "chunks"},
        {vst2::effFlagsIsSynth, "synth"},            {vst2::effFlagsNoSoundInStop, "no-sound-in-stop"},
    };
    std::string text;
    for (auto [flag, name] : names)
        if (flags & flag) text += (text.empty() ? "" : ", ") + std::string(name);
    return text;
}

void printIdentity(HostedPlugin& plugin) {
    const vst2::AEffect* e = plugin.effect();
    std::printf("Name:       %s\n", plugin.text(vst2::effGetEffectName).c_str());
    std::printf("Vendor:     %s\n", plugin.text(vst2::effGetVendorString).c_str());
    std::printf("Product:    %s\n", plugin.text(vst2::effGetProductString).c_str());
    std::printf("Version:    %ld (plug-in record %d, VST %ld)\n",
                static_cast<long>(plugin.dispatch(vst2::effGetVendorVersion)), e->version,
                static_cast<long>(plugin.dispatch(vst2::effGetVstVersion)));
    std::printf("Unique id:  0x%08X '%s'\n", static_cast<unsigned>(e->uniqueID),
                fourCharacters(e->uniqueID).c_str());
    std::printf("Flags:      0x%X (%s)\n", static_cast<unsigned>(e->flags),
                flagNames(e->flags).c_str());
    std::printf("Category:   %ld\n", static_cast<long>(plugin.dispatch(vst2::effGetPlugCategory)));
    std::printf("Inputs:     %d\nOutputs:    %d\n", e->numInputs, e->numOutputs);
    for (int i = 0; i < e->numOutputs; ++i) {
        vst2::VstPinProperties pin{};
        if (plugin.dispatch(vst2::effGetOutputProperties, i, 0, &pin))
            std::printf("  output %d: \"%s\"\n", i, pin.label);
    }
}

void printParameters(HostedPlugin& plugin) {
    const vst2::AEffect* e = plugin.effect();
    std::printf("Parameters: %d\n", e->numParams);
    for (int i = 0; i < e->numParams; ++i) {
        const std::string name = plugin.text(vst2::effGetParamName, i);
        const std::string display = plugin.text(vst2::effGetParamDisplay, i);
        const std::string label = plugin.text(vst2::effGetParamLabel, i);
        std::printf("  %3d  %-16s %-10s %-6s %.6g\n", i,
                    name.empty() ? "(unnamed)" : ("\"" + name + "\"").c_str(), display.c_str(),
                    label.c_str(), plugin.getParameter(i));
    }
}

void printPrograms(HostedPlugin& plugin) {
    const vst2::AEffect* e = plugin.effect();
    std::printf("Programs:   %d (current %ld)\n", e->numPrograms,
                static_cast<long>(plugin.dispatch(vst2::effGetProgram)));
    for (int i = 0; i < e->numPrograms; ++i) {
        char name[256] = {};
        if (plugin.dispatch(vst2::effGetProgramNameIndexed, i, 0, name))
            std::printf("  %3d  %s\n", i, name);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: %s [plugin.so]\n", argv[0]);
        return 2;
    }
    const std::string path = argc == 2 ? argv[1] : strellon::host::besideProgram("Strellon.so");
    std::string error;
    auto plugin = HostedPlugin::load(path, error);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("Library:    %s\n", path.c_str());
    printIdentity(*plugin);
    printParameters(*plugin);
    printPrograms(*plugin);
    return 0;
}

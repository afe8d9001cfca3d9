// The library's exported entry points. Only VSTPluginMain and main leave
// the library (see exports.map).
#include "instrument/Instrument.h"
#include "plugin/Module.h"
#include "plugin/PluginEntry.h"

#define STRELLON_EXPORT __attribute__((visibility("default")))

namespace {

strellon::PluginBase* makeInstrument(vst2::HostCallback host) {
    return new strellon::Instrument(host);
}

// The library entry: runs when the platform loads the library and records
// the module for the parts that load resources or look beside the library.
__attribute__((constructor)) void libraryEntry() {
    strellon::recordModule(reinterpret_cast<const void*>(&libraryEntry));
}

}  // namespace

// Host's UI thread.
extern "C" STRELLON_EXPORT vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
    return strellon::createEffect(host, makeInstrument);
}

// Older hosts look for the entry under the name main; the assembler name
// gives the symbol that name without declaring the program's main.
extern "C" STRELLON_EXPORT vst2::AEffect* mainEntry(vst2::HostCallback host) __asm__("main");
extern "C" vst2::AEffect* mainEntry(vst2::HostCallback host) {
    return strellon::createEffect(host, makeInstrument);
}

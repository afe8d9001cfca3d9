// The library's exported entry points. Only VSTPluginMain and main leave
// the library (see exports.map).
#include "editor/StrellonPlugin.h"
#include "platform/NativePlatform.h"
#include "plugin/Module.h"

#define STRELLON_EXPORT __attribute__((visibility("default")))

namespace {

// The library entry: runs when the platform loads the library, records the
// module for the parts that look beside the library, and installs the
// platform the editor draws and opens windows with.
__attribute__((constructor)) void libraryEntry() {
    strellon::recordModule(reinterpret_cast<const void*>(&libraryEntry));
    strellon::platform::installNativePlatform();
}

}  // namespace

// Host's UI thread.
extern "C" STRELLON_EXPORT vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
    return strellon::strellonMain(host);
}

// Older hosts look for the entry under the name main; the assembler name
// gives the symbol that name without declaring the program's main.
extern "C" STRELLON_EXPORT vst2::AEffect* mainEntry(vst2::HostCallback host) __asm__("main");
extern "C" vst2::AEffect* mainEntry(vst2::HostCallback host) { return strellon::strellonMain(host); }

// The library's exported entry points. Only VSTPluginMain and main leave
// the library (exports.map on Linux, exports.def on Windows).
#include "editor/StrellonPlugin.h"
#include "platform/NativePlatform.h"
#include "plugin/Module.h"

#ifdef _WIN32
#include <windows.h>
#define STRELLON_EXPORT
#else
#define STRELLON_EXPORT __attribute__((visibility("default")))
#endif

#ifdef _WIN32
// The library entry, called by the loader's thread for every attach and
// detach: records the instance handle for resources, windows and the
// library's own path, and at the first attach installs the platform the
// editor draws and opens windows with.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    strellon::recordModuleInstance(instance);
    if (reason == DLL_PROCESS_ATTACH) strellon::platform::installNativePlatform();
    return TRUE;
}
#else
namespace {
// The library entry: runs when the platform loads the library, records the
// module for the parts that look beside the library, and installs the
// platform the editor draws and opens windows with.
__attribute__((constructor)) void libraryEntry() {
    strellon::recordModule(reinterpret_cast<const void*>(&libraryEntry));
    strellon::platform::installNativePlatform();
}
}  // namespace
#endif

// Host's UI thread.
extern "C" STRELLON_EXPORT vst2::AEffect* VST2_CALL VSTPluginMain(vst2::HostCallback host) {
    return strellon::strellonMain(host);
}

#ifdef _WIN32
// Older hosts look for the entry under the name main; exports.def gives
// this function that name.
extern "C" vst2::AEffect* VST2_CALL mainEntry(vst2::HostCallback host) { return strellon::strellonMain(host); }
#else
// Older hosts look for the entry under the name main; the assembler name
// gives the symbol that name without declaring the program's main.
extern "C" STRELLON_EXPORT vst2::AEffect* mainEntry(vst2::HostCallback host) __asm__("main");
extern "C" vst2::AEffect* mainEntry(vst2::HostCallback host) { return strellon::strellonMain(host); }
#endif

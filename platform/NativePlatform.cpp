#include "platform/NativePlatform.h"

#ifdef _WIN32
#include "platform/win32/Win32Window.h"
#else
#include "platform/cairo/CairoModule.h"
#include "platform/x11/X11WindowSystem.h"
#endif

namespace strellon::platform {

#ifdef _WIN32
namespace {
// The library's own instance: resources and the window class belong to it.
HINSTANCE libraryInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(&libraryInstance), &module);
    return module;
}
} // namespace

void installNativePlatform() {
    static Win32Module module(libraryInstance());
    static Win32WindowSystem system(libraryInstance());
    setModule(&module);
    setWindowSystem(&system);
}

bool hasNativeWindowSystem() { return true; }
#else
void installNativePlatform() {
    CairoModule::install();
    // Nothing is opened here: each window opens its own connection to the
    // X server when the host opens the editor.
    X11WindowSystem::install();
}

bool hasNativeWindowSystem() { return true; }
#endif

} // namespace strellon::platform

#include "platform/NativePlatform.h"

#include "platform/cairo/CairoModule.h"
#include "platform/x11/X11WindowSystem.h"

namespace strellon::platform {

void installNativePlatform() {
    CairoModule::install();
    // Nothing is opened here: each window opens its own connection to the
    // X server when the host opens the editor.
    X11WindowSystem::install();
}

bool hasNativeWindowSystem() { return true; }

} // namespace strellon::platform

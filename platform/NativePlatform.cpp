#include "platform/NativePlatform.h"

#include "platform/cairo/CairoModule.h"

namespace strellon::platform {

void installNativePlatform() {
    CairoModule::install();
    // The platform's window system is installed here once it exists
    // (setWindowSystem with its one instance). Until then the editor's frame
    // finds no window system and opens no window.
}

bool hasNativeWindowSystem() { return false; }

} // namespace strellon::platform

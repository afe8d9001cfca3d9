// The one seam between the plug-in library and the platform it runs on.
//
// The library calls installNativePlatform once, when it is loaded, before any
// editor exists. It installs the platform's Module (bitmaps from the
// resources compiled into the library, memory surfaces) and, where this build
// has one, the platform's WindowSystem that puts the editor's frame into the
// host's window.
//
// A platform's window system plugs in here and nowhere else: add its source
// to strellon_platform_native in platform/CMakeLists.txt and install it in
// NativePlatform.cpp. Without one, a frame gets no window, and the editor's
// open answers 0 with nothing created.
//
// Programs without a screen (tests, strellon-panel) do not call this: they
// install the cairo module and the headless window system themselves.
#pragma once

namespace strellon::platform {

// Any thread, once, at library load.
void installNativePlatform();

// True when this build has a window system of the platform's own.
bool hasNativeWindowSystem();

} // namespace strellon::platform

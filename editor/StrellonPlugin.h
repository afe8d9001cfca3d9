// The whole plug-in as the host sees it: the instrument with its editor,
// made by the same entry for the shared library and for the programs that
// link it in (tests, strellon-panel).
#pragma once

#include "plugin/vst2.h"

namespace strellon {

// Host's UI thread: the entry of Strellon. The caller installs the platform
// first (platform/NativePlatform.h, or the headless window system).
vst2::AEffect* strellonMain(vst2::HostCallback host);

}  // namespace strellon

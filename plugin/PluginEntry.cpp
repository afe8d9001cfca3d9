#include "plugin/PluginEntry.h"

#include <new>

#include "plugin/Module.h"

namespace strellon {

vst2::AEffect* createEffect(vst2::HostCallback host, PluginFactory make) {
    // Without a callback there is no host to ask for its version.
    if (!host || !make) return nullptr;
    if (host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;

    // A failure in an earlier instance must not refuse this one, so the flag
    // covers exactly one construction.
    clearOutOfMemory();
    PluginBase* plugin = nullptr;
    try {
        plugin = make(host);
    } catch (...) {
        // Nothing may unwind into the host.
        plugin = nullptr;
    }
    if (!plugin) return nullptr;
    if (outOfMemory()) {
        delete plugin;
        clearOutOfMemory();
        return nullptr;
    }
    return plugin->getAeffect();
}

}  // namespace strellon

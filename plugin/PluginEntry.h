// What the exported entry does, kept apart from the exported symbols so that
// it can be exercised with any plug-in class.
#pragma once

#include "plugin/PluginBase.h"
#include "plugin/vst2.h"

namespace strellon {

// Makes one plug-in object for a host; may throw std::bad_alloc.
using PluginFactory = PluginBase* (*)(vst2::HostCallback host);

// The entry: checks the host, makes one plug-in and hands its effect record
// over, or null when no plug-in could be made. UI thread of the host.
vst2::AEffect* createEffect(vst2::HostCallback host, PluginFactory make);

}  // namespace strellon

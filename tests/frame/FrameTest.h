// Shared helpers: load the built plug-in through the host library, as a
// host would, and read texts and records back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "host/PluginHost.h"

namespace strellon::test {

inline std::unique_ptr<host::HostedPlugin> loadStrellon(host::HostSettings settings = {}) {
    std::string error;
    auto plugin = host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error, std::move(settings));
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

// A text opcode into a buffer pre-filled with a marker, so that "writes
// nothing" can be told from "writes an empty string".
inline std::string textOrMarker(host::HostedPlugin& plugin, vst2::int32 opcode,
                                vst2::int32 index, vst2::intptr value = 0) {
    char buffer[256];
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    std::strcpy(buffer, "<untouched>");
    plugin.dispatch(opcode, index, value, buffer);
    return buffer;
}

inline std::string programName(host::HostedPlugin& plugin, int index) {
    char buffer[64] = {};
    EXPECT_EQ(plugin.dispatch(vst2::effGetProgramNameIndexed, index, 0, buffer), 1);
    return buffer;
}

}  // namespace strellon::test

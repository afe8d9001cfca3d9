// The host library against a third-party instrument: it must be a correct
// VST 2 host, not one that only fits our own plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <vector>

#include "host/PluginHost.h"
#include "tests/support/PrivateHome.h"

using namespace strellon::host;

namespace {

const char* kThirdParty = "/usr/lib/vst/amsynth_vst.so";

std::unique_ptr<HostedPlugin> loadThirdParty() {
    if (!std::filesystem::exists(kThirdParty)) return nullptr;
    std::string error;
    auto plugin = HostedPlugin::load(kThirdParty, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

}  // namespace

TEST(HostLibrary, RefusesLibrariesThatAreNotPlugins) {
    std::string error;
    EXPECT_FALSE(HostedPlugin::load("/nonexistent/plugin.so", error));
    EXPECT_NE(error.find("/nonexistent/plugin.so"), std::string::npos);
    error.clear();
    EXPECT_FALSE(HostedPlugin::load("libm.so.6", error));
    EXPECT_NE(error.find("not a VST 2 plug-in"), std::string::npos) << error;
}

TEST(HostLibrary, PlaysAThirdPartyInstrument) {
    const strellon::testing::PrivateHome home;
    auto plugin = loadThirdParty();
    if (!plugin) GTEST_SKIP() << "third-party instrument not installed";
    EXPECT_TRUE(plugin->isInstrument());
    EXPECT_GE(plugin->effect()->numOutputs, 2);

    const int block = 256;
    plugin->startAudio(44100.0f, block);
    std::vector<float> left(block), right(block);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<float> inputBuffer(block, 0.0f);
    float* inputs[2] = {inputBuffer.data(), inputBuffer.data()};

    MidiEventList events;
    double energy = 0.0;
    bool finite = true;
    for (int b = 0; b < 100; ++b) {
        events.clear();
        if (b == 0) events.add(10, 0x90, 69, 100);
        if (b == 60) events.add(0, 0x80, 69, 0);
        plugin->sendEvents(events.get());
        plugin->processReplacing(outputs, block, inputs);
        for (int i = 0; i < block; ++i) {
            finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
            energy += left[i] * left[i] + right[i] * right[i];
        }
    }
    EXPECT_TRUE(finite);
    EXPECT_GT(energy, 1e-3);
    plugin->close();
    EXPECT_EQ(plugin->close(), 0);  // a second close is harmless
}

TEST(HostLibrary, EventListHoldsEveryEvent) {
    MidiEventList events;
    for (int i = 0; i < 300; ++i) events.add(i, 0x90, i & 0x7F, 1);
    const auto* list = events.get();
    ASSERT_EQ(list->numEvents, 300);
    // The record declares two pointers and is allocated with room for all;
    // reach the rest from the record's address, as a host's plug-in would.
    const auto* pointers = reinterpret_cast<vst2::VstEvent* const*>(reinterpret_cast<const char*>(list) +
                                                                     offsetof(vst2::VstEvents, events));
    auto* last = reinterpret_cast<const vst2::VstMidiEvent*>(pointers[299]);
    EXPECT_EQ(last->deltaFrames, 299);
    EXPECT_EQ(last->type, vst2::kVstMidiType);
    EXPECT_EQ(last->byteSize, 32);
}

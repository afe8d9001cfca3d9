// Host calls and dispatcher answers as seen from a bare host callback and
// through the host library: what the plug-in asks of the host and when.
#include <cstring>
#include <vector>

#include "Conformance.h"

namespace strellon::conformance {
namespace {

struct RawCall {
    vst2::AEffect* effect;
    vst2::int32 opcode, index;
    vst2::intptr value;
    void* ptr;
    float opt;
};
std::vector<RawCall> rawCalls;

vst2::intptr VST2_CALL rawHost(vst2::AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                               vst2::intptr value, void* ptr, float opt) {
    rawCalls.push_back({effect, opcode, index, value, ptr, opt});
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// The one call recorded since the last clear, with index, ptr and opt 0.
void expectOnlyCall(vst2::AEffect* effect, vst2::int32 opcode, vst2::intptr value) {
    ASSERT_EQ(rawCalls.size(), 1u);
    EXPECT_EQ(rawCalls[0].effect, effect);
    EXPECT_EQ(rawCalls[0].opcode, opcode);
    EXPECT_EQ(rawCalls[0].index, 0);
    EXPECT_EQ(rawCalls[0].value, value);
    EXPECT_EQ(rawCalls[0].ptr, nullptr);
    EXPECT_EQ(rawCalls[0].opt, 0.0f);
}

TEST(HostCalls, TheEntryAsksOnlyForTheVersionWithNothingElseSet) {
    std::string error;
    auto library = host::PluginLibrary::open(STRELLON_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    rawCalls.clear();
    vst2::AEffect* effect = library->entry()(rawHost);
    ASSERT_NE(effect, nullptr);
    expectOnlyCall(nullptr, vst2::audioMasterVersion, 0);
    // The record as the entry hands it over, before any host writes to it.
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->flags, vst2::effFlagsHasEditor | vst2::effFlagsCanReplacing | vst2::effFlagsIsSynth);

    // Resume asks for MIDI through the effect record the host holds.
    rawCalls.clear();
    effect->dispatcher(effect, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    expectOnlyCall(effect, vst2::audioMasterWantMidi, 1);
    EXPECT_EQ(effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(HostCalls, AWholeSessionReachesTheHostOnlyForVersionAndMidi) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    plugin->dispatch(vst2::effOpen);
    plugin->startAudio(48000.0f, 256);
    for (int i = 0; i < 84; ++i) plugin->setParameter(i, 0.3f);
    plugin->dispatch(vst2::effSetProgram, 0, 9);
    plugin->dispatch(vst2::effCopyProgram, 77);
    char name[64] = "Mine";
    plugin->dispatch(vst2::effSetProgramName, 0, 0, name);
    plugin->dispatch(vst2::effGetParamDisplay, kVolume, 0, name);
    std::vector<Block> blocks(3);
    blocks[0].events.add(0, 0x90, 60, 100);
    blocks[0].events.add(3, 0xB0, 1, 90);
    blocks[1].events.add(4, 0xE0, 0, 64);
    play(*plugin, blocks);
    plugin->dispatch(vst2::effMainsChanged, 0, 0);
    plugin->dispatch(vst2::effEditIdle);

    const auto calls = plugin->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, vst2::audioMasterVersion);
    EXPECT_EQ(calls[1].opcode, vst2::audioMasterWantMidi);
    EXPECT_EQ(plugin->countCalls(vst2::audioMasterAutomate), 0);  // host stores are not echoed
}

TEST(Dispatcher, StringToParameterChangesNothing) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    char text[] = "0.25";
    EXPECT_EQ(plugin->dispatch(vst2::effString2Parameter, kVolume, 0, text), 0);
    EXPECT_EQ(plugin->getParameter(kVolume), 1.0f);
    EXPECT_STREQ(text, "0.25");
}

TEST(Dispatcher, ChunkRequestsLeaveTheHostsPointerAlone) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    int marker = 0;
    void* data = &marker;
    EXPECT_EQ(plugin->dispatch(vst2::effGetChunk, 1, 0, &data), 0);
    EXPECT_EQ(data, &marker);
}

TEST(Dispatcher, ProgramSelectionAnswersZeroAndReadsBack) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    for (int p : {0, 40, 41, 127}) {
        EXPECT_EQ(plugin->dispatch(vst2::effSetProgram, 0, p), 0);
        EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), p);
    }
    EXPECT_EQ(plugin->dispatch(vst2::effSetProgram, 0, 128), 0);
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgram), 127);
    char name[32] = "Edited";
    EXPECT_EQ(plugin->dispatch(vst2::effSetProgramName, 0, 0, name), 0);
    char back[32] = {};
    EXPECT_EQ(plugin->dispatch(vst2::effGetProgramName, 0, 0, back), 0);
    EXPECT_STREQ(back, "Edited");
}

// Numbers shown for the three displayed parameters: eight characters,
// digits cut rather than rounded.
TEST(Display, NumbersAreCutToEightCharacters) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    const std::pair<float, const char*> cases[] = {
        {0.0001f, "0.000099"},    // 9.99999974e-5 is cut, not rounded up
        {1e-7f, "0.000000"},
        {-0.001f, "-0.00100"},
        {123.456f, "123.4560"},
        {999999.9f, "999999.8"},  // the float holds 999999.875
        {9999999.0f, "9999999."},
        {-99999.5f, "-99999.5"},
        {0.99999994f, "0.999999"},
    };
    for (auto [value, text] : cases) {
        plugin->setParameter(kVolume, value);
        char buffer[32];
        std::memset(buffer, 'x', sizeof(buffer));
        plugin->dispatch(vst2::effGetParamDisplay, kVolume, 0, buffer);
        EXPECT_STREQ(buffer, text) << value;
    }
    // Display reads the live value, which for Tuning1 is string 1's own.
    plugin->setParameter(kTuning, 0.25f);
    EXPECT_EQ(plugin->text(vst2::effGetParamDisplay, kTuning), "0.250000");
    plugin->setParameter(kShaping, 2.0f);
    EXPECT_EQ(plugin->text(vst2::effGetParamDisplay, kShaping), "2.000000");
}

}  // namespace
}  // namespace strellon::conformance

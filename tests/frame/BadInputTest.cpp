// What a careless or hostile host may pass: null pointers, indexes out of
// range, odd rates and sizes. Each gets a safe answer.
#include <cmath>
#include <vector>

#include "FrameTest.h"
#include "engine/Parameters.h"

using namespace strellon;
using strellon::test::loadStrellon;

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadStrellon();
        ASSERT_TRUE(plugin);
    }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(BadInput, NullPointersWhereTextsAndRecordsBelong) {
    const vst2::int32 opcodes[] = {
        vst2::effSetProgramName, vst2::effGetProgramName, vst2::effGetParamLabel,
        vst2::effGetParamDisplay, vst2::effGetParamName, vst2::effGetChunk, vst2::effSetChunk,
        vst2::effProcessEvents, vst2::effGetProgramNameIndexed, vst2::effGetOutputProperties,
        vst2::effGetEffectName, vst2::effGetVendorString, vst2::effGetProductString,
        vst2::effCanDo, vst2::effGetMidiProgramName, vst2::effGetCurrentMidiProgram,
        vst2::effGetMidiProgramCategory, vst2::effGetMidiKeyName, vst2::effGetSpeakerArrangement,
        vst2::effEditGetRect, vst2::effEditOpen};
    for (vst2::int32 opcode : opcodes)
        for (int index : {0, 24, 83})
            plugin->dispatch(opcode, index, 0, nullptr);
    EXPECT_EQ(plugin->dispatch(vst2::effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(vst2::effCanDo, 0, 0, nullptr), -1);
    EXPECT_EQ(plugin->dispatch(vst2::effGetMidiProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->text(vst2::effGetProgramName), "Basic");
}

TEST_F(BadInput, TrampolinesRefuseRecordsThatAreNotOurs) {
    vst2::AEffect* e = plugin->effect();
    EXPECT_EQ(e->dispatcher(nullptr, vst2::effGetVendorVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->getParameter(nullptr, kVolume), 0.0f);
    e->setParameter(nullptr, kVolume, 0.5f);
    e->processReplacing(nullptr, nullptr, nullptr, 64);
    e->process(nullptr, nullptr, nullptr, 64);
    vst2::AEffect stranger{};
    EXPECT_EQ(e->dispatcher(&stranger, vst2::effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(plugin->getParameter(kVolume), 1.0f);
}

TEST_F(BadInput, AudioBuffersThatAreMissingOrEmpty) {
    plugin->startAudio(44100.0f, 64);
    std::vector<float> left(64, 0.25f);
    float* halfOutputs[2] = {left.data(), nullptr};
    plugin->processReplacing(halfOutputs, 64);
    EXPECT_EQ(left[63], 0.0f);
    plugin->processReplacing(nullptr, 64);
    std::fill(left.begin(), left.end(), 0.25f);
    plugin->processReplacing(halfOutputs, 0);
    plugin->processReplacing(halfOutputs, -5);
    EXPECT_EQ(left[0], 0.25f);  // nothing written for no frames
}

TEST_F(BadInput, OddRatesAndSizesAreNotTaken) {
    // Whatever the host sends, the plug-in keeps answering and rendering.
    for (float rate : {0.0f, -44100.0f, NAN, INFINITY, 1.0f, 768000.0f}) {
        plugin->dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rate);
        plugin->dispatch(vst2::effSetBlockSizeAndSampleRate, 0, -1, nullptr, rate);
    }
    for (vst2::intptr size : {vst2::intptr{0}, vst2::intptr{-64}, vst2::intptr{1} << 40})
        plugin->dispatch(vst2::effSetBlockSize, 0, size);
    plugin->dispatch(vst2::effMainsChanged, 0, 1);
    std::vector<float> left(16, 1.0f), right(16, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(outputs, 16);
    EXPECT_EQ(left[15], 0.0f);
}

TEST_F(BadInput, MalformedEventListsAreAnswered) {
    vst2::VstEvents empty{};
    EXPECT_EQ(plugin->dispatch(vst2::effProcessEvents, 0, 0, &empty), 1);
    vst2::VstEvents negative{};
    negative.numEvents = -3;
    EXPECT_EQ(plugin->dispatch(vst2::effProcessEvents, 0, 0, &negative), 1);
}

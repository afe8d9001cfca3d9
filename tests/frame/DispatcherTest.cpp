// The dispatcher's answers to every opcode, as a host sees them.
#include <vector>

#include "FrameTest.h"
#include "engine/Parameters.h"

using namespace strellon;
using strellon::test::loadStrellon;

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadStrellon();
        ASSERT_TRUE(plugin);
    }
    vst2::intptr call(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                      void* ptr = nullptr, float opt = 0.0f) {
        return plugin->dispatch(opcode, index, value, ptr, opt);
    }
    std::unique_ptr<host::HostedPlugin> plugin;
};

TEST_F(Dispatcher, FixedAnswers) {
    EXPECT_EQ(call(vst2::effIdentify), 0x4E764566);
    EXPECT_EQ(call(vst2::effGetVstVersion), 2300);
    EXPECT_EQ(call(vst2::effGetVendorVersion), 9536);
    EXPECT_EQ(call(vst2::effGetPlugCategory), 2);
    EXPECT_EQ(call(vst2::effKeysRequired), 1);
    EXPECT_EQ(call(vst2::effGetNumProgramCategories), 1);
    EXPECT_EQ(call(vst2::effConnectInput), 1);
    EXPECT_EQ(call(vst2::effConnectOutput), 1);
    EXPECT_EQ(call(vst2::effGetVu), 0);
    EXPECT_EQ(call(vst2::effProcessEvents, 0, 0, nullptr), 1);
    EXPECT_EQ(call(vst2::effSetTotalSampleToProcess, 0, 4321), 4321);
    for (int i = -1; i <= 90; ++i) EXPECT_EQ(call(vst2::effCanBeAutomated, i), 1) << i;
}

TEST_F(Dispatcher, OpcodesWithoutAnActionAnswerZero) {
    const vst2::int32 silent[] = {0, 16, 17, 18, 20, 21, 27, 33, 36, 37, 38, 39, 40, 41, 42, 44,
                                  46, 50, 52, 53, 54, 55, 56, 65, 67, 68, 70, 71, 72, 74, 75, 76,
                                  77, 1000, -1};
    for (vst2::int32 opcode : silent) EXPECT_EQ(call(opcode, 0, 0, nullptr), 0) << opcode;
}

TEST_F(Dispatcher, NoChunksEver) {
    void* data = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(call(vst2::effGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(call(vst2::effGetChunk, 1, 0, &data), 0);
    char bytes[16] = {};
    EXPECT_EQ(call(vst2::effSetChunk, 0, sizeof(bytes), bytes), 0);
    EXPECT_EQ(plugin->effect()->flags & vst2::effFlagsProgramChunks, 0);
}

// The library has no window system of its own yet: a host's parent window
// gets no editor window, and every editor opcode stays harmless.
TEST_F(Dispatcher, EditorOpcodesWithoutAnEditorWindow) {
    const auto expectRect = [&] {
        vst2::ERect* rect = nullptr;
        ASSERT_EQ(call(vst2::effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->top, 0);
        EXPECT_EQ(rect->left, 0);
        EXPECT_EQ(rect->bottom, 400);
        EXPECT_EQ(rect->right, 593);
    };
    expectRect();
    EXPECT_EQ(call(vst2::effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(call(vst2::effEditIdle), 0);
    EXPECT_EQ(call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 0);
    expectRect();
    plugin->setParameter(12, 0.25f);  // no controls to move
    EXPECT_EQ(call(vst2::effEditIdle), 0);
    EXPECT_EQ(call(vst2::effEditKeyDown, 'a', vst2::VKEY_RETURN, nullptr, 1.0f), -1);
    EXPECT_EQ(call(vst2::effEditKeyUp, 'a', vst2::VKEY_RETURN, nullptr, 1.0f), -1);
    EXPECT_EQ(call(vst2::effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(call(vst2::effSetEditKnobMode, 0, 0), 1);
    EXPECT_EQ(call(vst2::effEditClose), 0);
    EXPECT_EQ(call(vst2::effEditClose), 0);
    expectRect();
    EXPECT_EQ(plugin->getParameter(12), 0.25f);
}

TEST_F(Dispatcher, ProgramSelectionRefusesOutOfRange) {
    call(vst2::effSetProgram, 0, 5);
    EXPECT_EQ(call(vst2::effGetProgram), 5);
    call(vst2::effSetProgram, 0, 128);
    EXPECT_EQ(call(vst2::effGetProgram), 5);
    call(vst2::effSetProgram, 0, -1);
    EXPECT_EQ(call(vst2::effGetProgram), 5);
    if constexpr (sizeof(vst2::intptr) == 8) {
        call(vst2::effSetProgram, 0, vst2::intptr{1} << 40);  // wider than 32 bits
        EXPECT_EQ(call(vst2::effGetProgram), 5);
        call(vst2::effSetProgram, 0, -(vst2::intptr{1} << 32));  // would wrap to 0
        EXPECT_EQ(call(vst2::effGetProgram), 5);
    }
    call(vst2::effSetProgram, 0, 127);
    EXPECT_EQ(call(vst2::effGetProgram), 127);
}

TEST_F(Dispatcher, MainsOnAsksForMidiOnceAndMainsOffDoesNothing) {
    plugin->clearCalls();
    EXPECT_EQ(call(vst2::effMainsChanged, 0, 0), 0);
    EXPECT_TRUE(plugin->calls().empty());
    EXPECT_EQ(call(vst2::effMainsChanged, 0, 1), 0);
    ASSERT_EQ(plugin->calls().size(), 1u);
    EXPECT_EQ(plugin->calls()[0].opcode, vst2::audioMasterWantMidi);
    EXPECT_EQ(plugin->calls()[0].value, 1);
}

TEST_F(Dispatcher, SpeakerArrangementIsClearedToNull) {
    void* input = reinterpret_cast<void*>(0x10);
    void* output = reinterpret_cast<void*>(0x20);
    EXPECT_EQ(call(vst2::effGetSpeakerArrangement, 0, reinterpret_cast<vst2::intptr>(&input),
                   &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(Dispatcher, BlockSizeAndSampleRateAnswerOne) {
    EXPECT_EQ(call(vst2::effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    EXPECT_EQ(call(vst2::effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
    EXPECT_EQ(call(vst2::effSetBlockSize, 0, 64), 0);
}

TEST_F(Dispatcher, BothAudioEntriesOverwriteTheOutputs) {
    plugin->startAudio(44100.0f, 64);
    std::vector<float> left(64, 0.5f), right(64, -0.5f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(outputs, 64);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(left[i], 0.0f);
        EXPECT_EQ(right[i], 0.0f);
    }
    std::fill(left.begin(), left.end(), 0.5f);
    std::fill(right.begin(), right.end(), -0.5f);
    plugin->process(outputs, 64);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(left[i], 0.0f);
        EXPECT_EQ(right[i], 0.0f);
    }
}

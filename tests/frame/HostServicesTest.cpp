// The wrappers over the host callback, and the editor requests the
// dispatcher passes on, on a bare PluginBase.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/PluginBase.h"

using namespace strellon;

namespace {

struct Call {
    vst2::int32 opcode;
    vst2::int32 index;
    vst2::intptr value;
    void* ptr;
    float opt;
};
std::vector<Call> hostCalls;

vst2::intptr VST2_CALL recordingHost(vst2::AEffect*, vst2::int32 opcode, vst2::int32 index,
                                     vst2::intptr value, void* ptr, float opt) {
    hostCalls.push_back({opcode, index, value, ptr, opt});
    return opcode == vst2::audioMasterOpenWindow ? 0x5678 : 1;
}

class BarePlugin : public PluginBase {
public:
    explicit BarePlugin(vst2::HostCallback host) : PluginBase(host, 4, 3) {}
    void process(float**, float**, vst2::int32) override {}
    void setParameter(vst2::int32 index, float value) override {
        stored.push_back({index, value});
    }
    std::vector<std::pair<int, float>> stored;
};

struct FakeEditor : EditorInterface {
    using EditorInterface::EditorInterface;
    vst2::int32 getRect(vst2::ERect** out) override {
        *out = &rect;
        return 1;
    }
    vst2::int32 open(void* parent) override {
        EditorInterface::open(parent);
        return 1;
    }
    void close() override { ++closes; }
    void update() override { ++updates; }
    vst2::int32 onKeyDown(vst2::VstKeyCode& key) override {
        lastKey = key;
        return 7;
    }
    vst2::int32 onKeyUp(vst2::VstKeyCode& key) override {
        lastKey = key;
        return 8;
    }
    vst2::int32 setKnobMode(vst2::int32 mode) override {
        knobMode = mode;
        return 1;
    }
    vst2::ERect rect{0, 0, 400, 593};
    vst2::VstKeyCode lastKey{};
    int closes = 0, updates = 0, knobMode = -1;
};

}  // namespace

TEST(HostServices, EveryWrapperIsANoOpWithoutAHost) {
    BarePlugin plugin(nullptr);
    vst2::VstWindow window{};
    vst2::VstFileSelect select{};
    EXPECT_FALSE(plugin.beginEdit(1));
    EXPECT_FALSE(plugin.endEdit(1));
    EXPECT_FALSE(plugin.hostIdle());
    EXPECT_FALSE(plugin.wantMidiEvents(1));
    EXPECT_FALSE(plugin.canHostDo("sizeWindow"));
    EXPECT_FALSE(plugin.sizeWindow(593, 400));
    EXPECT_EQ(plugin.openWindow(&window), nullptr);
    EXPECT_FALSE(plugin.closeWindow(&window));
    EXPECT_FALSE(plugin.openFileSelector(&select));
    EXPECT_FALSE(plugin.closeFileSelector(&select));
    plugin.setParameterAutomated(2, 0.5f);  // still stored
    ASSERT_EQ(plugin.stored.size(), 1u);
}

TEST(HostServices, WrappersSendTheirOpcodesAndArguments) {
    hostCalls.clear();
    BarePlugin plugin(recordingHost);
    vst2::VstWindow window{};
    vst2::VstFileSelect select{};
    EXPECT_TRUE(plugin.beginEdit(5));
    EXPECT_TRUE(plugin.endEdit(5));
    EXPECT_TRUE(plugin.hostIdle());
    EXPECT_TRUE(plugin.wantMidiEvents(1));
    EXPECT_TRUE(plugin.canHostDo("openFileSelector"));
    EXPECT_TRUE(plugin.sizeWindow(593, 400));
    EXPECT_EQ(plugin.openWindow(&window), reinterpret_cast<void*>(0x5678));
    EXPECT_TRUE(plugin.closeWindow(&window));
    EXPECT_TRUE(plugin.openFileSelector(&select));
    EXPECT_TRUE(plugin.closeFileSelector(&select));
    EXPECT_FALSE(plugin.openFileSelector(nullptr));  // never with a null record
    EXPECT_FALSE(plugin.canHostDo(nullptr));

    ASSERT_EQ(hostCalls.size(), 10u);
    EXPECT_EQ(hostCalls[0].opcode, vst2::audioMasterBeginEdit);
    EXPECT_EQ(hostCalls[0].index, 5);
    EXPECT_EQ(hostCalls[1].opcode, vst2::audioMasterEndEdit);
    EXPECT_EQ(hostCalls[2].opcode, vst2::audioMasterIdle);
    EXPECT_EQ(hostCalls[3].opcode, vst2::audioMasterWantMidi);
    EXPECT_EQ(hostCalls[3].value, 1);
    EXPECT_EQ(hostCalls[4].opcode, vst2::audioMasterCanDo);
    EXPECT_STREQ(static_cast<const char*>(hostCalls[4].ptr), "openFileSelector");
    EXPECT_EQ(hostCalls[5].opcode, vst2::audioMasterSizeWindow);
    EXPECT_EQ(hostCalls[5].index, 593);
    EXPECT_EQ(hostCalls[5].value, 400);
    EXPECT_EQ(hostCalls[6].opcode, vst2::audioMasterOpenWindow);
    EXPECT_EQ(hostCalls[6].ptr, &window);
    EXPECT_EQ(hostCalls[7].opcode, vst2::audioMasterCloseWindow);
    EXPECT_EQ(hostCalls[8].opcode, vst2::audioMasterOpenFileSelector);
    EXPECT_EQ(hostCalls[8].ptr, &select);
    EXPECT_EQ(hostCalls[9].opcode, vst2::audioMasterCloseFileSelector);
}

TEST(HostServices, AutomationStoresFirstThenTellsTheHost) {
    hostCalls.clear();
    BarePlugin plugin(recordingHost);
    plugin.setParameterAutomated(2, 0.75f);
    ASSERT_EQ(plugin.stored.size(), 1u);
    EXPECT_EQ(plugin.stored[0], (std::pair<int, float>{2, 0.75f}));
    ASSERT_EQ(hostCalls.size(), 1u);
    EXPECT_EQ(hostCalls[0].opcode, vst2::audioMasterAutomate);
    EXPECT_EQ(hostCalls[0].index, 2);
    EXPECT_EQ(hostCalls[0].opt, 0.75f);
}

TEST(HostServices, EditorRequestsReachTheRegisteredEditor) {
    BarePlugin plugin(nullptr);
    auto* editor = new FakeEditor(&plugin);
    plugin.setEditor(editor);
    vst2::AEffect* effect = plugin.getAeffect();
    EXPECT_TRUE(effect->flags & vst2::effFlagsHasEditor);
    auto dispatch = [&](vst2::int32 op, vst2::int32 index, vst2::intptr value, void* ptr,
                        float opt) { return plugin.dispatcher(op, index, value, ptr, opt); };

    vst2::ERect* rect = nullptr;
    EXPECT_EQ(dispatch(vst2::effEditGetRect, 0, 0, &rect, 0), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 593);
    EXPECT_EQ(dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(0x42), 0), 1);
    EXPECT_EQ(editor->parentWindow(), reinterpret_cast<void*>(0x42));
    editor->requestUpdate();
    EXPECT_EQ(dispatch(vst2::effEditIdle, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(editor->updates, 1);
    EXPECT_EQ(dispatch(vst2::effEditIdle, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(editor->updates, 1);  // only after a request

    // Virtual key and modifiers keep their low byte only.
    EXPECT_EQ(dispatch(vst2::effEditKeyDown, 'x', 0x10E, nullptr, 265.0f), 7);
    EXPECT_EQ(editor->lastKey.character, 'x');
    EXPECT_EQ(editor->lastKey.virt, 0x0E);
    EXPECT_EQ(editor->lastKey.modifier, 9);
    EXPECT_EQ(dispatch(vst2::effEditKeyUp, 'y', vst2::VKEY_UP, nullptr, NAN), 8);
    EXPECT_EQ(editor->lastKey.modifier, 0);
    EXPECT_EQ(dispatch(vst2::effSetEditKnobMode, 0, 2, nullptr, 0), 1);
    EXPECT_EQ(editor->knobMode, 2);
    EXPECT_EQ(dispatch(vst2::effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(editor->closes, 1);
    EXPECT_EQ(dispatch(vst2::effEditGetRect, 0, 0, nullptr, 0), 0);  // nowhere to write
}

TEST(HostServices, FloatToTextCutsToEightCharacters) {
    BarePlugin plugin(nullptr);
    auto text = [&](float v) {
        char buffer[32];
        plugin.floatToText(v, buffer);
        return std::string(buffer);
    };
    EXPECT_EQ(text(0.5f), "0.500000");
    EXPECT_EQ(text(1.0f), "1.000000");
    EXPECT_EQ(text(0.0f), "0.000000");
    EXPECT_EQ(text(0.415f), "0.414999");
    EXPECT_EQ(text(-0.25f), "-0.25000");
    EXPECT_EQ(text(12.5f), "12.50000");
    EXPECT_EQ(text(1234567.0f), "1234567.");
    EXPECT_EQ(text(-123456.0f), "-123456.");
    // Beyond what eight characters hold without losing digits.
    EXPECT_EQ(text(12345678.0f), "Huge!");
    EXPECT_EQ(text(-1234567.0f), "Huge!");
    EXPECT_EQ(text(INFINITY), "Huge!");
    EXPECT_EQ(text(NAN), "Huge!");
}

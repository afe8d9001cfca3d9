#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cairo/CairoModule.h"
#include "platform/headless/HeadlessWindow.h"
#include "resources/toolkit-test/TestBitmaps.h"
#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/FrameEditor.h"

namespace strellon::test {

namespace tb = strellon::testbitmaps;

// Records what the frame asks of the editor.
// Its idle pump updates the frame, as the editor's does.
struct RecordingEditor : FrameEditor {
    std::vector<std::string> calls;
    int idles = 0;
    Frame* frame = nullptr;
    void beginEdit(int tag) override { calls.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { calls.push_back("end " + std::to_string(tag)); }
    void pumpIdle() override {
        ++idles;
        if (frame) frame->idle();
    }
};

// Records every valueChanged with the value at that moment.
struct RecordingListener : ControlListener {
    std::vector<float> values;
    void valueChanged(DrawContext*, Control* control) override { values.push_back(control->getValue()); }
};

inline platform::InputState leftButton(bool shift = false, bool control = false, bool alt = false) {
    platform::InputState s;
    s.left = true;
    s.shift = shift;
    s.control = control;
    s.alt = alt;
    return s;
}

// A frame on a headless window with an editor recorder.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::CairoModule::install();
        platform::setWindowSystem(&system);
        Frame::setKnobMode(0);
        frame = new Frame(Rect(0, 0, 300, 200), &parentHandle, &editor);
        editor.frame = frame;
        window = system.lastWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        delete frame;
        platform::setWindowSystem(nullptr);
    }

    template <typename T>
    T* add(T* view) {
        frame->addView(view);
        return view;
    }

    // A press at `at` held through `moves` and released at the last place,
    // on a window that has painted, as a user's always has. The frame and
    // the clicked control each read the buttons once before a tracking loop
    // starts; every pass of the loop reads once more and uses the pointer
    // read on the pass before.
    void drag(Point at, const std::vector<Point>& moves, platform::InputState held = leftButton()) {
            if (frame->isFirstDrawPending()) window->paintAll();
        const Point last = moves.empty() ? at : moves.back();
        std::vector<platform::ScriptStep> steps{{at, held, 0}, {at, held, 0}};
        for (Point m : moves) steps.push_back({m, held, 0});
        steps.push_back({last, held, 0});
        steps.push_back({last, platform::InputState{}, 0});
        system.script(steps);
        window->pressMouse(at);
    }
    void click(Point at, platform::InputState held = leftButton()) { drag(at, {}, held); }

    std::vector<std::string> brackets() const { return editor.calls; }

    int parentHandle = 0;
    platform::HeadlessWindowSystem system;
    RecordingEditor editor;
    Frame* frame = nullptr;
    platform::HeadlessWindow* window = nullptr;
};

} // namespace strellon::test

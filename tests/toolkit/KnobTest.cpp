// Knob geometry, circular and linear drags, reset, wheel and keys; AnimKnob
// frames.
#include <cmath>

#include "ToolkitFixture.h"
#include "toolkit/Knob.h"

namespace strellon::test {
namespace {

class KnobTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        knob = add(new Knob(Rect(100, 50, 150, 100), &listener, 42, nullptr, nullptr));
    }
    // A point on the knob's circle at an angle (radians, counter-clockwise
    // from three o'clock), in frame coordinates.
    Point onCircle(float angle, float r = 20.0f) const {
        return Point(125 + int(std::lround(std::cos(angle) * r)), 75 - int(std::lround(std::sin(angle) * r)));
    }
    RecordingListener listener;
    Knob* knob = nullptr;
};

TEST_F(KnobTest, DefaultAnglesPutTheEndsDownLeftAndDownRight) {
    knob->setValue(0.0f);
    Point p;
    knob->valueToPoint(p);
    EXPECT_LT(p.h, 25);
    EXPECT_GT(p.v, 25);
    EXPECT_EQ(p.h, 50 - p.v);  // on the 5/4 pi diagonal
    knob->setValue(1.0f);
    knob->valueToPoint(p);
    EXPECT_GT(p.h, 25);
    EXPECT_GT(p.v, 25);
    knob->setValue(0.5f);
    knob->valueToPoint(p);
    EXPECT_EQ(p, Point(25, 3));  // straight up, inset 3

    EXPECT_NEAR(knob->valueFromPoint(Point(5, 45)), 0.0f, 0.01f);
    EXPECT_NEAR(knob->valueFromPoint(Point(45, 45)), 1.0f, 0.01f);
    EXPECT_NEAR(knob->valueFromPoint(Point(25, 0)), 0.5f, 0.01f);
    EXPECT_NEAR(knob->valueFromPoint(Point(0, 25)), 1.0f / 6.0f, 0.01f);
    // The dead zone is the bottom quarter: left of centre is the minimum.
    EXPECT_FLOAT_EQ(knob->valueFromPoint(Point(22, 49)), 0.0f);
    EXPECT_FLOAT_EQ(knob->valueFromPoint(Point(28, 49)), 1.0f);
}

TEST_F(KnobTest, AnglesCanBeChangedAndTurnCounterClockwise) {
    knob->setStartAngle(0.0f);
    knob->setRangeAngle(3.1415927f);
    EXPECT_NEAR(knob->valueFromPoint(Point(50, 25)), 0.0f, 0.01f);
    EXPECT_NEAR(knob->valueFromPoint(Point(25, 0)), 0.5f, 0.01f);
    EXPECT_NEAR(knob->valueFromPoint(Point(0, 24)), 1.0f, 0.02f);
    EXPECT_FLOAT_EQ(knob->valueFromPoint(Point(10, 45)), 1.0f);
    EXPECT_FLOAT_EQ(knob->valueFromPoint(Point(40, 45)), 0.0f);
}

TEST_F(KnobTest, CircularDragFollowsTheAngleWithOneBracket) {
    knob->setValue(0.5f);
    drag(onCircle(1.5708f), {onCircle(0.7854f), onCircle(0.0f)});
    ASSERT_GE(listener.values.size(), 2u);
    EXPECT_NEAR(listener.values[listener.values.size() - 2], 2.0f / 3.0f, 0.02f);
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 0.02f);
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 42", "end 42"}));
    EXPECT_EQ(frame->getFocusView(), knob);
    EXPECT_GT(editor.idles, 0);
}

TEST_F(KnobTest, CrossingTheDeadZoneFromTheTopPinsTheMaximum) {
    knob->setValue(0.95f);
    // Down-right, then through the bottom to the down-left side.
    drag(onCircle(-0.7f), {onCircle(-1.3f), onCircle(-1.9f), onCircle(-2.3f), onCircle(3.0f)});
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    EXPECT_FLOAT_EQ(listener.values.back(), 1.0f);
}

TEST_F(KnobTest, LinearDragOf200PixelsCoversTheRangeAndShiftTwoThirds) {
    Frame::setKnobMode(2);
    knob->setValue(0.0f);
    drag(Point(110, 90), {Point(210, 90), Point(310, 90)});
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f, 1.0f}));

    knob->setValue(0.0f);
    drag(Point(110, 90), {Point(110, 80), Point(110, -110)}, leftButton(true));
    EXPECT_NEAR(knob->getValue(), 2.0f / 3.0f, 1e-5f);
    EXPECT_EQ(brackets().size(), 4u);

    // Alt turns a linear knob circular.
    knob->setValue(0.5f);
    drag(onCircle(1.5708f), {onCircle(0.0f)}, leftButton(false, false, true));
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 0.02f);
}

TEST_F(KnobTest, ShiftPressedMidDragDoesNotJump) {
    Frame::setKnobMode(2);
    knob->setValue(0.0f);
    std::vector<platform::ScriptStep> steps{{Point(110, 90), leftButton(), 0}, {Point(110, 90), leftButton(), 0}};
    steps.push_back({Point(160, 90), leftButton(), 0});      // 50 px: 0.25
    steps.push_back({Point(160, 90), leftButton(true), 0});  // Shift down, no move
    steps.push_back({Point(220, 90), leftButton(true), 0});  // 60 px at 300 px per range
    steps.push_back({Point(220, 90), {}, 0});
    system.script(steps);
    window->paintAll();
    window->pressMouse(Point(110, 90));
    ASSERT_GE(listener.values.size(), 2u);
    EXPECT_NEAR(listener.values[0], 0.25f, 1e-5f);
    EXPECT_NEAR(knob->getValue(), 0.25f + 60.0f / 300.0f, 1e-5f);
}

TEST_F(KnobTest, ControlClickResetsToTheDefaultWithoutABracket) {
    knob->setValue(0.9f);
    click(Point(125, 75), leftButton(false, true));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(listener.values, std::vector<float>{0.5f});
    EXPECT_TRUE(brackets().empty());
}

TEST_F(KnobTest, DisabledOrRightButtonClicksDoNothing) {
    platform::InputState right;
    right.right = true;
    click(Point(125, 75), right);
    knob->setMouseEnabled(false);
    click(Point(125, 75));
    EXPECT_TRUE(brackets().empty());
    EXPECT_TRUE(listener.values.empty());
    EXPECT_FALSE(knob->onWheel(nullptr, Point(), 1.0f));
}

TEST_F(KnobTest, WheelAndArrowKeysStepAndClamp) {
    knob->setValue(0.5f);
    knob->setDirty(false);
    system.setCursor(Point(125, 75));
    EXPECT_TRUE(frame->onWheel(nullptr, Point(), 2.0f));
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-6f);
    KeyCode key;
    key.virt = KeyCode::keyDown;
    key.modifier = KeyCode::modShift;
    EXPECT_EQ(knob->onKeyDown(key), 1);
    EXPECT_NEAR(knob->getValue(), 0.69f, 1e-6f);
    key.virt = KeyCode::keyRight;
    key.modifier = 0;
    for (int i = 0; i < 5; ++i) knob->onKeyDown(key);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    key.virt = 4;  // Return
    EXPECT_EQ(knob->onKeyDown(key), -1);
    EXPECT_EQ(listener.values.size(), 7u);
}

TEST_F(KnobTest, DrawnHandleIsAShadowAndAHandleLine) {
    knob->setValue(0.5f);
    window->paintAll();
    // Straight up: the shadow line on x = 124, the handle line on x = 125.
    EXPECT_EQ(window->pixel(124, 60), grey);
    EXPECT_EQ(window->pixel(125, 60), white);
    EXPECT_FALSE(knob->isDirty());
}

// Shows which frame the knob would draw.
struct FrameShowingKnob : AnimKnob {
    using AnimKnob::AnimKnob;
    using AnimKnob::frameOffset;
};

TEST_F(ToolkitTest, AnimKnobShowsTheFrameOfItsValue) {
    auto* k = add(new FrameShowingKnob(Rect(0, 0, 31, 31), nullptr, 1, 91, 31, nullptr));
    EXPECT_EQ(k->getInset(), 0);
    k->setValue(0.5f);
    EXPECT_EQ(k->frameOffset(), Point(0, 1395));
    k->setValue(1.0f);
    EXPECT_EQ(k->frameOffset(), Point(0, 2790));
    k->setValue(0.999f);
    EXPECT_EQ(k->frameOffset(), Point(0, 2759));
    k->setValue(-0.2f);
    EXPECT_EQ(k->frameOffset(), Point(0, 0));
    k->setValue(7.0f);
    EXPECT_EQ(k->frameOffset(), Point(0, 2790));
    k->setInverseBitmap(true);
    k->setValue(0.0f);
    EXPECT_EQ(k->frameOffset(), Point(0, 2790));
}

TEST_F(ToolkitTest, AnimKnobDrawsFromItsStrip) {
    Bitmap* strip = new Bitmap(tb::kKnobStrip);
    AnimKnob* k = add(new AnimKnob(Rect(10, 10, 50, 50), nullptr, 1, 31, 40, strip));
    strip->release();
    k->setValue(0.5f);
    window->paintAll();
    // Frame 15 of the strip, pixel by pixel.
    for (int y = 0; y < 40; y += 3)
        for (int x = 0; x < 40; x += 3)
            ASSERT_EQ(window->pixel(10 + x, 10 + y), strip->getHandle()->getPixel(Point(x, 600 + y)));
}

} // namespace
} // namespace strellon::test

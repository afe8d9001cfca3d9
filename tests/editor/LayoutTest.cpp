// After open: every control at its rectangle, with its tag, its value and
// its transparency, in the order the frame draws them.
#include "tests/editor/EditorFixture.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Buttons.h"
#include "toolkit/Knob.h"
#include "toolkit/ParamDisplay.h"
#include "toolkit/SplashScreen.h"

namespace strellon::test {
namespace {

struct Expected {
    Rect rect;
    int tag;
    bool transparent;
};

Rect box(int left, int top, int width, int height) { return Rect(left, top, left + width, top + height); }

std::vector<Expected> expectedLayout() {
    std::vector<Expected> all;
    const int global[][3] = {{72, 100, 352}, {76, 179, 352}, {73, 258, 352}, {74, 337, 352},
                             {75, 416, 352}, {60, 495, 352}, {77, 416, 316}, {78, 495, 316},
                             {80, 544, 99},  {81, 541, 151}, {82, 539, 205}, {83, 536, 257}};
    for (const auto& g : global) all.push_back({box(g[1], g[2], 31, 31), g[0], true});
    const int rows[][2] = {{12, 65}, {24, 110}, {36, 178}, {48, 224}};
    for (const auto& row : rows)
        for (int k = 0; k < 12; ++k) all.push_back({box(59 + 39 * k, row[1], 28, 28), row[0] + k, true});
    for (int k = 0; k < 12; ++k) all.push_back({box(55 + 39 * k, 260, 10, 10), k, false});
    for (int n = 0; n < 10; ++n) all.push_back({box(455 + 8 * (n % 5), n < 5 ? 372 : 382, 4, 4), 60, false});
    for (int k = 0; k < 12; ++k) all.push_back({box(57 + 39 * k, 146, 31, 14), 0, true});
    all.push_back({Rect(0, 0, 593, 36), 97, false});
    all.push_back({Rect(445, 347, 486, 361), 98, false});
    for (int k = 0; k < 12; ++k) all.push_back({box(68 + 39 * k, 300 - 2 * k, 8, 8), 85 + k, true});
    const int corners[][2] = {{9, 12}, {543, 12}, {543, 341}, {9, 341}};
    for (const auto& c : corners) all.push_back({box(c[0], c[1], 38, 48), 99, true});
    return all;
}

TEST_F(EditorTest, EveryControlAtItsPlaceWithTagAndValue) {
    // Values that differ per control, so a control on the wrong parameter
    // shows; links off first, so the store does not spread them.
    for (int k = 0; k < 12; ++k) set(k, 0.0f);
    for (int i = 12; i < 60; ++i) set(i, float(i) / 100.0f);
    for (int i : {72, 73, 74, 75, 76, 77, 78, 80, 81, 82, 83}) set(i, float(i - 70) / 20.0f);
    set(0, 1.0f);
    set(1, 0.0f);
    set(60, 0.45f);  // LED 5 alone
    open();
    ASSERT_EQ(frame()->getViewCount(), InstrumentEditor::kControlCount);
    const std::vector<Expected> layout = expectedLayout();
    ASSERT_EQ(int(layout.size()), InstrumentEditor::kControlCount);
    for (int i = 0; i < InstrumentEditor::kControlCount; ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        Control* c = control(i);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->getBounds(), layout[i].rect);
        EXPECT_EQ(c->getTag(), layout[i].tag);
        EXPECT_EQ(c->isTransparent(), layout[i].transparent);
    }
    for (int i = 0; i < at::link; ++i) {
        SCOPED_TRACE("knob " + std::to_string(i));
        ASSERT_NE(dynamic_cast<AnimKnob*>(control(i)), nullptr);
        EXPECT_EQ(value(i), plugin().getParameter(control(i)->getTag()));
    }
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(value(at::link + k), plugin().getParameter(k));
        auto* display = dynamic_cast<ParamDisplay*>(control(at::display + k));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->getValue(), plugin().getParameter(24 + k));
        EXPECT_EQ(display->getBackgroundOffset(), Point(57, 146));
        EXPECT_EQ(display->getFontColor(), (Color{255, 255, 0, 0}));
        EXPECT_EQ(display->getFont(), 6);
        EXPECT_EQ(display->getListener(), nullptr);
        ASSERT_NE(dynamic_cast<MovieBitmap*>(control(at::lamp + k)), nullptr);
        EXPECT_EQ(value(at::lamp + k), 0.0f);
    }
    for (int n = 0; n < 10; ++n) EXPECT_EQ(value(at::led + n), n == 4 ? 1.0f : 0.0f) << n;
    auto* about = dynamic_cast<SplashScreen*>(control(at::about));
    auto* help = dynamic_cast<SplashScreen*>(control(at::help));
    ASSERT_TRUE(about && help);
    EXPECT_EQ(about->displayArea(), Rect(143, 93, 443, 293));
    EXPECT_EQ(help->displayArea(), Rect(344, 102, 544, 402));
    EXPECT_EQ(about->getValue(), 0.0f);
    for (int i = 0; i < 4; ++i) {
        auto* corner = dynamic_cast<AnimationButton*>(control(at::decoration + i));
        ASSERT_NE(corner, nullptr);
        EXPECT_TRUE(corner->isRunning());
    }
    EXPECT_EQ(frame()->getBackground()->getResourceId(), kPanelBitmap);
}

TEST_F(EditorTest, RectangleBeforeDuringAndAfterOpen) {
    const auto rect = [&] {
        vst2::ERect* r = nullptr;
        EXPECT_EQ(plugin().dispatch(vst2::effEditGetRect, 0, 0, &r), 1);
        return r ? std::vector<int>{r->top, r->left, r->bottom, r->right} : std::vector<int>{};
    };
    const std::vector<int> expected{0, 0, 400, 593};
    EXPECT_EQ(rect(), expected);
    open();
    EXPECT_EQ(rect(), expected);
    EXPECT_TRUE(editor().isOpen());
    close();
    EXPECT_EQ(rect(), expected);
    EXPECT_FALSE(editor().isOpen());
    EXPECT_EQ(frame(), nullptr);
    // Opened again: a new frame with every control.
    open();
    EXPECT_EQ(frame()->getViewCount(), InstrumentEditor::kControlCount);
    // A second open without a close replaces the frame rather than leaking it.
    open();
    EXPECT_EQ(frame()->getViewCount(), InstrumentEditor::kControlCount);
    EXPECT_EQ(session->system().windows().size(), 1u);
}

TEST_F(EditorTest, OpeningWithoutAParentCreatesNothing) {
    EXPECT_EQ(plugin().dispatch(vst2::effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_FALSE(editor().isOpen());
    EXPECT_TRUE(session->system().windows().empty());
    close();
    // A close after a failed open writes no decorations file.
    EXPECT_FALSE(std::filesystem::exists(decorationsPath()));
}

TEST_F(EditorTest, AHostMayCloseThePlugInWithTheEditorOpen) {
    open();
    session->paint();
    EXPECT_EQ(plugin().close(), 1);
    EXPECT_TRUE(session->system().windows().empty());
    // The decorations are written only by the editor's close.
    EXPECT_FALSE(std::filesystem::exists(decorationsPath()));
}

}  // namespace
}  // namespace strellon::test

// The standard controls other than the knobs: drawing offsets, clicks and
// tracking loops, each with its listener and edit bracket.
#include <cstring>

#include "ToolkitFixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/Meters.h"
#include "toolkit/OptionMenu.h"
#include "toolkit/ParamDisplay.h"
#include "toolkit/Slider.h"
#include "toolkit/SplashScreen.h"
#include "toolkit/Switches.h"
#include "toolkit/TextEdit.h"

namespace strellon::test {
namespace {

class ControlsTest : public ToolkitTest {
protected:
    // The colour the bitmap has at a point.
    static Color source(Bitmap* b, int x, int y) { return b->getHandle()->getPixel(Point(x, y)); }
    RecordingListener listener;
};

TEST_F(ControlsTest, OnOffButtonTruncatesAndDrawsItsHalf) {
    Bitmap* b = new Bitmap(tb::kOnOff);
    auto* button = add(new OnOffButton(Rect(10, 10, 50, 30), &listener, 3, b));
    button->setValue(0.7f);
    click(Point(20, 20));
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    click(Point(20, 20));
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_TRUE(brackets().empty());

    button->setValue(1.0f);
    window->paintAll();
    EXPECT_EQ(window->pixel(30, 20), source(b, 20, 30));  // lower half
    button->setValue(0.0f);
    frame->idle();
    EXPECT_EQ(window->pixel(30, 20), source(b, 20, 10));
    b->release();
}

TEST_F(ControlsTest, MovieBitmapPicksTheNearestFrame) {
    Bitmap* b = new Bitmap(tb::kMovie);
    auto* movie = add(new MovieBitmap(Rect(0, 0, 40, 40), nullptr, 0, 2, 40, b));
    movie->setValue(0.49f);
    window->paintAll();
    EXPECT_EQ(window->pixel(2, 2), source(b, 2, 2));
    movie->setValue(0.5f);
    frame->idle();
    EXPECT_EQ(window->pixel(2, 2), source(b, 2, 42));
    movie->setValue(3.0f);
    frame->idle();
    EXPECT_FLOAT_EQ(movie->getValue(), 1.0f);
    click(Point(5, 5));
    EXPECT_FLOAT_EQ(movie->getValue(), 1.0f);
    b->release();
}

TEST_F(ControlsTest, AnimationButtonCyclesAndAClickStartsOrStopsIt) {
    Bitmap* b = new Bitmap(tb::kAnim);
    auto* anim = add(new AnimationButton(Rect(0, 0, 48, 48), &listener, 5, 4, 48, b));
    std::vector<float> offsets{anim->getValue()};
    for (int i = 0; i < 3; ++i) {
        anim->nextFrame();
        offsets.push_back(anim->getValue());
    }
    EXPECT_EQ(offsets, (std::vector<float>{0, 48, 96, 0}));
    anim->previousFrame();
    EXPECT_FLOAT_EQ(anim->getValue(), 143.0f);

    anim->setValue(0.0f);
    window->paintAll();
    EXPECT_EQ(window->pixel(24, 12), black);  // stopped: not drawn
    click(Point(10, 10));
    EXPECT_TRUE(anim->isRunning());
    EXPECT_FLOAT_EQ(anim->getValue(), 48.0f);
    EXPECT_EQ(listener.values, std::vector<float>{48.0f});
    EXPECT_EQ(window->pixel(38, 24), source(b, 38, 72));
    click(Point(10, 10));
    EXPECT_FALSE(anim->isRunning());
    b->release();
}

TEST_F(ControlsTest, ParamDisplayFormatsAndDrawsItsBox) {
    auto* display = add(new ParamDisplay(Rect(10, 10, 80, 30)));
    char text[kDisplayTextSize];
    display->setValue(0.5f);
    display->formatValue(text);
    EXPECT_STREQ(text, "0.50");
    display->setValueFormatter([](float v, char* t) { std::snprintf(t, kDisplayTextSize, "v%.1f", double(v)); });
    display->formatValue(text);
    EXPECT_STREQ(text, "v0.5");
    static int tag = 7;
    display->setValueFormatterWithData(
        [](float, char* t, void* data) { std::snprintf(t, kDisplayTextSize, "#%d", *static_cast<int*>(data)); },
        &tag);
    display->formatValue(text);
    EXPECT_STREQ(text, "#7");

    display->setFrameColor(red);
    display->setBackColor(blue);
    window->paintAll();
    EXPECT_EQ(window->pixel(10, 10), red);
    EXPECT_EQ(window->pixel(80, 30), red);
    EXPECT_EQ(window->pixel(12, 12), blue);
    EXPECT_FALSE(display->isDirty());
    display->setBackColor(Color{0, 0, 255, 9});  // only alpha differs
    EXPECT_FALSE(display->isDirty());
    display->setFont(1);
    EXPECT_TRUE(display->isDirty());

    auto* hidden = add(new ParamDisplay(Rect(), nullptr, ParamDisplay::kNoDrawStyle));
    EXPECT_FALSE(hidden->isDirty());
}

TEST_F(ControlsTest, SunkenBorderSwapsItsColours) {
    auto* display = add(new ParamDisplay(Rect(10, 10, 40, 30), nullptr, ParamDisplay::k3DIn));
    display->setBackColor(blue);
    display->setFrameColor(yellow);
    window->paintAll();
    EXPECT_EQ(window->pixel(10, 20), blue);    // left edge in the back colour
    EXPECT_EQ(window->pixel(40, 20), yellow);  // right edge in the frame colour
}

class SliderTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        handle = new Bitmap(tb::kHHandle);  // 12 wide
        track = new Bitmap(tb::kHTrack);
        slider = add(new HorizontalSlider(Rect(100, 50, 220, 74), &listener, 9, Point(0, 2), 120, handle, track));
        handle->release();
        track->release();
    }
    Bitmap* handle = nullptr;
    Bitmap* track = nullptr;
    HorizontalSlider* slider = nullptr;
};

TEST_F(SliderTest, FreeClickPutsTheHandleCentreUnderThePointer) {
    EXPECT_TRUE(slider->hasOffscreen());
    drag(Point(160, 60), {Point(165, 60)});
    EXPECT_NEAR(slider->getValue(), (165.0f - 105.0f) / 108.0f, 1e-5f);
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 9", "end 9"}));
    EXPECT_EQ(frame->getFocusView(), slider);
}

TEST_F(SliderTest, HandleClickKeepsItsGripAndABesideClickDoesNothing) {
    slider->setFreeClick(false);
    slider->setValue(0.5f);
    slider->setDirty(false);
    // The handle starts at 100 + 54 = 154 and spans 12 pixels.
    click(Point(120, 60));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_TRUE(brackets().empty());
    EXPECT_TRUE(listener.values.empty());
    drag(Point(158, 60), {Point(168, 60)});
    EXPECT_NEAR(slider->getValue(), 0.5f + 10.0f / 108.0f, 1e-5f);
}

TEST_F(SliderTest, ShiftZoomsTheMovement) {
    slider->setValue(0.0f);
    drag(Point(105, 60), {Point(105, 60), Point(213, 60)}, leftButton(true));
    EXPECT_NEAR(slider->getValue(), 0.1f, 1e-5f);
}

TEST_F(SliderTest, DrawsTheHandleThroughItsOffscreen) {
    slider->setValue(0.5f);
    window->paintAll();
    // Handle from 154 to 166, keyed corners show the track.
    EXPECT_EQ(window->pixel(160, 53), source(handle, 6, 1));
    EXPECT_EQ(window->pixel(154, 52), source(track, 54, 2));
    EXPECT_EQ(window->pixel(130, 60), source(track, 30, 10));
    frame->removeView(slider, false);
    EXPECT_FALSE(slider->hasOffscreen());
    slider->release();
}

TEST_F(SliderTest, ControlClickWheelAndKeys) {
    slider->setValue(0.9f);
    click(Point(160, 60), leftButton(false, true));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_TRUE(brackets().empty());
    system.setCursor(Point(150, 60));
    frame->onWheel(nullptr, Point(), -1.0f);
    EXPECT_NEAR(slider->getValue(), 0.4f, 1e-6f);
    KeyCode up;
    up.virt = KeyCode::keyUp;
    EXPECT_EQ(frame->onKeyDown(up), 1);
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-6f);
}

// Shows where the slider would draw its handle.
struct HandleShowingSlider : VerticalSlider {
    using VerticalSlider::VerticalSlider;
    using VerticalSlider::handleRect;
};

TEST_F(ControlsTest, VerticalSliderFromTheBottom) {
    Bitmap* h = new Bitmap(tb::kVHandle);  // 12 high
    auto* s = add(new HandleShowingSlider(Rect(10, 10, 40, 130), &listener, 2, 10, 118, h, nullptr));
    h->release();
    s->setValue(1.0f);
    EXPECT_EQ(s->handleRect().top, 0);
    s->setValue(0.0f);
    EXPECT_EQ(s->handleRect().top, 108);
    drag(Point(20, 20), {Point(20, 15)});  // top: value 1
    EXPECT_FLOAT_EQ(s->getValue(), 1.0f);
}

TEST_F(ControlsTest, SplashOpensAsModalViewAndClosesOnTheNextClick) {
    Bitmap* b = new Bitmap(tb::kSplash);
    auto* splash = add(new SplashScreen(Rect(10, 10, 30, 30), &listener, 4, b, Rect(50, 20, 270, 160)));
    b->release();
    Bitmap* bg = new Bitmap(tb::kBackground);
    frame->setBackground(bg);
    bg->release();
    window->paintAll();
    const Color under = window->pixel(100, 100);
    EXPECT_EQ(under, source(bg, 100, 100));
    click(Point(15, 15));
    EXPECT_EQ(frame->getModalView(), splash);
    EXPECT_EQ(splash->getBounds(), Rect(50, 20, 270, 160));
    EXPECT_EQ(window->pixel(100, 100), source(b, 50, 80));
    EXPECT_EQ(listener.values, std::vector<float>{1.0f});

    platform::InputState right;
    right.right = true;
    click(Point(100, 100), right);  // needs the left button
    EXPECT_EQ(frame->getModalView(), splash);
    click(Point(100, 100));
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(splash->getBounds(), Rect(10, 10, 30, 30));
    EXPECT_EQ(window->pixel(100, 100), under);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
}

TEST_F(ControlsTest, SplashRefusedAsModalStaysAndTellsNobody) {
    auto* splash = add(new SplashScreen(Rect(10, 10, 30, 30), &listener, 4, nullptr, Rect(50, 20, 270, 160)));
    splash->closeSplash();  // never opened: keeps its own bounds
    EXPECT_EQ(splash->getBounds(), Rect(10, 10, 30, 30));
    View* other = new View(Rect());
    frame->setModalView(other);
    splash->onMouseDown(nullptr, Point(15, 15));  // no context: nothing
    DrawContext context(frame, nullptr, window);
    system.script({{Point(15, 15), leftButton(), 0}});
    splash->onMouseDown(&context, Point(15, 15));
    EXPECT_FLOAT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(splash->getBounds(), Rect(10, 10, 30, 30));
    EXPECT_TRUE(listener.values.empty());
    EXPECT_TRUE(splash->isDirty());
    frame->setModalView(nullptr);
    other->release();
}

TEST_F(ControlsTest, TextEditOpensTheEditBoxAndTakesTheTextBack) {
    auto* edit = add(new TextEdit(Rect(10, 10, 110, 30), &listener, 6, "abc"));
    edit->setAlignment(2);
    click(Point(20, 20));
    ASSERT_TRUE(window->editOpen());
    EXPECT_EQ(window->editRequest().text, "abc");
    EXPECT_EQ(window->editRequest().bounds, Rect(10, 10, 110, 30));
    EXPECT_EQ(window->editRequest().align, platform::TextAlign::right);
    EXPECT_EQ(window->editRequest().font.pixelHeight, 12);
    EXPECT_EQ(frame->getFocusView(), edit);
    edit->setDirty(false);
    window->finishEdit("a much longer text");
    EXPECT_STREQ(edit->text(), "a much longer text");
    EXPECT_EQ(listener.values.size(), 1u);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_FALSE(edit->isEditing());

    click(Point(20, 20));
    window->finishEdit("a much longer text");  // unchanged: nobody told
    EXPECT_EQ(listener.values.size(), 1u);

    click(Point(20, 20));
    click(Point(200, 150));  // a click elsewhere ends the edit, text kept
    EXPECT_FALSE(window->editOpen());
    EXPECT_STREQ(edit->text(), "a much longer text");
    EXPECT_EQ(listener.values.size(), 1u);
}

// The frame drops the focus before it hands on a click: what was typed by
// then is the control's new text, and its listener hears of it once.
TEST_F(ControlsTest, TextEditKeepsWhatWasTypedWhenTheUserClicksElsewhere) {
    auto* edit = add(new TextEdit(Rect(10, 10, 110, 30), &listener, 6, "abc"));
    struct Watcher : View {
        Watcher() : View(Rect()) {}
        int notify(View*, const char* message) override {
            messages.push_back(message);
            return 0;
        }
        std::vector<std::string> messages;
    } parent;
    edit->setParentView(&parent);
    click(Point(20, 20));
    ASSERT_TRUE(window->editOpen());
    window->typeInEditBox("typed so far");
    click(Point(200, 150));
    EXPECT_FALSE(window->editOpen());
    EXPECT_FALSE(edit->isEditing());
    EXPECT_STREQ(edit->text(), "typed so far");
    EXPECT_EQ(listener.values.size(), 1u);
    EXPECT_EQ(parent.messages, std::vector<std::string>{kMsgLooseFocus});
    EXPECT_EQ(frame->getFocusView(), nullptr);

    // Closing the frame with the box open keeps the text too.
    click(Point(20, 20));
    window->typeInEditBox("last words");
    frame->removeAllViews(false);
    EXPECT_FALSE(window->editOpen());
    EXPECT_STREQ(edit->text(), "last words");
    EXPECT_EQ(listener.values.size(), 2u);
    edit->setParentView(nullptr);
    edit->release();
}

TEST_F(ControlsTest, DoubleClickStyleNeedsTwoClicks) {
    auto* edit = add(new TextEdit(Rect(10, 10, 110, 30), &listener, 6, "x", nullptr, ParamDisplay::kDoubleClickStyle));
    click(Point(20, 20));
    EXPECT_FALSE(window->editOpen());
    system.advanceClock(50);
    click(Point(20, 20));
    EXPECT_TRUE(window->editOpen());
    (void)edit;
}

TEST_F(ControlsTest, OptionMenuBuildsThePopupAndTakesTheChoice) {
    auto* menu = add(new OptionMenu(Rect(10, 10, 110, 30), &listener, 8, nullptr, nullptr, ParamDisplay::kCheckStyle));
    for (const char* e : {"-TWaves", "Sine", "-", "Saw", "-GNoise"}) ASSERT_TRUE(menu->addEntry(e));
    auto* sub = new OptionMenu(Rect(), &listener, 9);
    sub->addEntry("Fine");
    sub->addEntry("Coarse");
    ASSERT_TRUE(menu->addEntry(sub, "More"));
    sub->release();
    auto* scheme = new MenuScheme();
    menu->setScheme(scheme);
    scheme->release();
    menu->setCurrent(3);

    system.queueMenuChoice(3);  // commands: Sine 1, Saw 2, Noise 3, Fine 4, Coarse 5
    click(Point(20, 20));
    const auto& shown = window->lastMenu();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_TRUE(shown[0].disabled);
    EXPECT_EQ(shown[0].text, "Waves");
    EXPECT_TRUE(shown[2].separator);
    EXPECT_TRUE(shown[3].checked);
    EXPECT_FALSE(shown[1].checked);
    EXPECT_TRUE(shown[4].disabled);
    EXPECT_EQ(shown[5].text, "More");
    ASSERT_EQ(shown[5].submenu.size(), 2u);
    EXPECT_EQ(window->lastMenuPosition(), Point(10, 30));
    EXPECT_EQ(window->lastMenuAlign(), platform::MenuAlign::below);
    EXPECT_EQ(menu->getCurrent(), 4);
    EXPECT_EQ(listener.values, std::vector<float>{4.0f});
    EXPECT_EQ(frame->getFocusView(), nullptr);

    system.queueMenuChoice(5);
    click(Point(20, 20));
    EXPECT_FLOAT_EQ(sub->getValue(), 1.0f);
    EXPECT_EQ(menu->getCurrent(), 4);

    click(Point(20, 20));  // dismissed
    EXPECT_EQ(listener.values.size(), 2u);

    // The popup style opens the menu above the display.
    menu->setStyle(menu->getStyle() | ParamDisplay::kPopupStyle);
    click(Point(20, 20));
    EXPECT_EQ(window->lastMenuPosition(), Point(10, 10));
    EXPECT_EQ(window->lastMenuAlign(), platform::MenuAlign::above);
}

TEST_F(ControlsTest, OptionMenuNumbersEntriesAndRefusesPastItsLimit) {
    auto* menu = add(new OptionMenu(Rect(10, 10, 110, 30), &listener, 8));
    menu->setNumberStyle(OptionMenu::kNumber2);
    menu->addEntry("One");
    menu->addEntry("Two");
    click(Point(20, 20));  // dismissed
    EXPECT_EQ(window->lastMenu()[1].text, "02 Two");
    for (int i = 2; i < OptionMenu::kMaxEntries; ++i) ASSERT_TRUE(menu->addEntry("x"));
    EXPECT_FALSE(menu->addEntry("one too many"));
    EXPECT_EQ(menu->getNbEntries(), OptionMenu::kMaxEntries);
    char text[OptionMenu::kMaxEntryText + 1];
    EXPECT_TRUE(menu->getEntry(0, text));
    EXPECT_STREQ(text, "One");
    EXPECT_FALSE(menu->getEntry(OptionMenu::kMaxEntries, text));
}

TEST_F(ControlsTest, VerticalSwitchFollowsThePointerBand) {
    Bitmap* b = new Bitmap(tb::kSwitch);
    auto* sw = add(new VerticalSwitch(Rect(10, 10, 34, 70), &listener, 11, 3, 60, 3, b));
    b->release();
    drag(Point(20, 15), {Point(20, 40), Point(20, 200)});
    EXPECT_FLOAT_EQ(sw->getValue(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f, 1.0f}));  // 0 was already shown
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 11", "end 11"}));
    window->paintAll();
    EXPECT_EQ(window->pixel(20, 50), source(b, 10, 160));
    click(Point(20, 15), leftButton(false, true));
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
}

TEST_F(ControlsTest, HorizontalSwitchUsesTheWidth) {
    auto* sw = add(new HorizontalSwitch(Rect(10, 10, 70, 30), &listener, 12, 3, 60, 3, nullptr));
    drag(Point(15, 15), {Point(45, 15)});
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
}

TEST_F(ControlsTest, RockerSwitchIsMinusOrPlusWhilePressedAndZeroAfter) {
    auto* rocker = add(new RockerSwitch(Rect(10, 10, 58, 34), &listener, 13, 24, nullptr));
    drag(Point(15, 20), {Point(50, 20)});
    EXPECT_EQ(listener.values, (std::vector<float>{-1.0f, 1.0f, 0.0f}));
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.0f);
    listener.values.clear();
    system.setCursor(Point(20, 20));
    frame->onWheel(nullptr, Point(), -2.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{-1.0f, 0.0f}));
}

TEST_F(ControlsTest, ToggleButtonFlipsOnlyWhileThePointerIsInside) {
    auto* toggle = add(new ToggleButton(Rect(10, 10, 50, 30), &listener, 14, nullptr));
    drag(Point(20, 20), {Point(100, 100), Point(30, 20)});
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 1.0f}));
    EXPECT_FLOAT_EQ(toggle->getValue(), 1.0f);
    drag(Point(20, 20), {Point(100, 100)});
    EXPECT_FLOAT_EQ(toggle->getValue(), 1.0f);  // released outside: as before
}

TEST_F(ControlsTest, TrackingToggleTogglesAtOnceForOtherPresses) {
    auto* toggle = add(new TrackingToggle(Rect(10, 10, 50, 30), &listener, 15, nullptr));
    click(Point(20, 20), leftButton(true));
    EXPECT_FLOAT_EQ(toggle->getValue(), 1.0f);
    EXPECT_TRUE(brackets().empty());
    click(Point(20, 20));
    EXPECT_FLOAT_EQ(toggle->getValue(), 0.0f);
    EXPECT_EQ(brackets().size(), 2u);
}

TEST_F(ControlsTest, DigitDisplayDrawsLeadingZerosWithinItsRange) {
    Bitmap* b = new Bitmap(tb::kDigits);
    auto* digits = add(new DigitDisplay(Rect(0, 0, 36, 18), nullptr, 0, 3, b));
    EXPECT_FLOAT_EQ(digits->getMax(), 999.0f);
    digits->setValue(47.0f);
    window->paintAll();
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 18; ++y) {
            ASSERT_EQ(window->pixel(x, y), source(b, x, y));            // 0
            ASSERT_EQ(window->pixel(12 + x, y), source(b, x, 72 + y));  // 4
            ASSERT_EQ(window->pixel(24 + x, y), source(b, x, 126 + y));  // 7
        }
    EXPECT_EQ(DigitDisplay(Rect(), nullptr, 0, 12, nullptr).getDigits(), 7);
    b->release();
}

TEST_F(ControlsTest, LevelMeterFallsBackATenthPerRedraw) {
    Bitmap* on = new Bitmap(tb::kMeterOn);
    Bitmap* off = new Bitmap(tb::kMeterOff);
    auto* meter = add(new LevelMeter(Rect(0, 0, 14, 100), on, off, 10));
    meter->setValue(0.8f);
    window->paintAll();
    EXPECT_FLOAT_EQ(meter->shownValue(), 0.8f);
    EXPECT_EQ(window->pixel(7, 25), source(on, 7, 25));
    EXPECT_EQ(window->pixel(7, 15), source(off, 7, 15));
    meter->setValue(0.2f);
    frame->idle();
    EXPECT_NEAR(meter->shownValue(), 0.7f, 1e-6f);
    EXPECT_TRUE(meter->isDirty());
    for (int i = 0; i < 10; ++i) frame->idle();
    EXPECT_NEAR(meter->shownValue(), 0.2f, 1e-6f);
    EXPECT_FALSE(meter->isDirty());
    on->release();
    off->release();
}

} // namespace
} // namespace strellon::test

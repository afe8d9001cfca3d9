// strellon-toolkit-demo [out.png]: builds a frame with one control of each
// class over the synthetic bitmaps, paints it on a headless window and
// writes what it shows; a second picture (…-splash.png) shows the splash
// screen opened by a click, a third (…-drawing.png) the drawing operations
// of the drawing context, magnified four times.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/cairo/CairoModule.h"
#include "platform/cairo/CairoSurface.h"
#include "platform/headless/HeadlessWindow.h"
#include "resources/toolkit-test/TestBitmaps.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Buttons.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/Knob.h"
#include "toolkit/Meters.h"
#include "toolkit/OptionMenu.h"
#include "toolkit/ParamDisplay.h"
#include "toolkit/Slider.h"
#include "toolkit/SplashScreen.h"
#include "toolkit/Switches.h"
#include "toolkit/TextEdit.h"

using namespace strellon;
namespace tb = strellon::testbitmaps;

namespace {

void labelText(float, char* text, void* data) { std::snprintf(text, kDisplayTextSize, "%s", static_cast<const char*>(data)); }

void percent(float value, char* text) { std::snprintf(text, kDisplayTextSize, "%d %%", int(value * 100.0f + 0.5f)); }

// A small caption under a control.
void label(Frame& frame, int left, int top, int right, const char* text) {
    auto* caption = new ParamDisplay(Rect(left - 10, top, right + 10, top + 12));
    caption->setTransparent(true);
    caption->setFont(6);
    caption->setFontColor(Color{220, 225, 235, 0});
    caption->setValueFormatterWithData(labelText, const_cast<char*>(text));
    frame.addView(caption);
}

// Every drawing operation once, in a 120 by 75 panel.
class DrawingSampler : public View {
public:
    DrawingSampler() : View(Rect(0, 0, 120, 75)) {}
    void draw(DrawContext* c) override {
        c->setFrameColor(white);
        c->drawRect(Rect(2, 2, 20, 14));
        c->setFillColor(red);
        c->fillRect(Rect(2, 2, 20, 14));
        c->setLineStyle(1);
        c->moveTo(Point(24, 2));
        c->lineTo(Point(44, 14));
        c->setLineStyle(0);
        c->setLineWidth(3);
        c->setFrameColor(yellow);
        c->moveTo(Point(48, 4));
        c->lineTo(Point(66, 12));
        c->setLineWidth(1);
        const Point zigzag[] = {{70, 14}, {75, 2}, {80, 14}, {85, 2}, {90, 14}};
        c->setFrameColor(cyan);
        c->polyline(zigzag, 5);
        const Point triangle[] = {{96, 14}, {106, 2}, {116, 14}};
        c->setFillColor(magenta);
        c->fillPolygon(triangle, 3);

        c->setFrameColor(white);
        c->drawEllipse(Rect(2, 20, 22, 36));
        c->setFillColor(blue);
        c->fillEllipse(Rect(26, 20, 46, 36));
        c->setFrameColor(green);
        c->drawArc(Rect(50, 20, 66, 36), Point(66, 28), Point(58, 20));
        c->setFillColor(yellow);
        c->fillArc(Rect(70, 20, 86, 36), Point(86, 28), Point(70, 28));
        for (int i = 0; i < 8; ++i) c->drawPoint(Point(92 + 3 * i, 28), white);
        c->setFrameColor(grey);
        c->drawRect(Rect(92, 31, 116, 37));
        c->setFillColor(green);
        c->floodFill(Point(100, 34));

        c->setFont(0);
        c->setFontColor(white);
        c->drawString("Bold 12", Rect(0, 40, 60, 56), false, 0);
        c->setFont(6, 0, kItalicFace | kUnderlineFace);
        c->setFillColor(blue);
        c->drawString("9 opaque", Rect(60, 40, 120, 56), true, 2);
        c->setFont(7);
        c->drawString("Symbol abc", Rect(0, 58, 120, 74), false, 1);
        setDirty(false);
    }
};

template <typename T>
T* add(Frame& frame, T* control, float value) {
    control->setValue(value);
    frame.addView(control);
    return control;
}

} // namespace

// Draws the sampler and writes it enlarged, so single pixels can be seen.
bool drawingSample(platform::HeadlessWindowSystem& system, const std::string& path) {
    int parent = 0;
    Frame sample(Rect(0, 0, 120, 75), &parent, nullptr);
    sample.addView(new DrawingSampler);
    platform::HeadlessWindow* window = system.lastWindow();
    if (!window) return false;
    window->paintAll();
    auto big = platform::CairoSurface::create(480, 300);
    if (!big) return false;
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 120; ++x) {
            big->setBrush(window->pixel(x, y));
            big->fillRect(Rect(x * 4, y * 4, x * 4 + 4, y * 4 + 4));
        }
    return big->savePng(path.c_str());
}

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "toolkit-demo.png";
    platform::CairoModule::install();
    platform::HeadlessWindowSystem system;
    platform::setWindowSystem(&system);

    int parent = 0;
    Frame* frame = new Frame(Rect(0, 0, 480, 300), &parent, nullptr);
    auto* bg = new Bitmap(tb::kBackground);
    frame->setBackground(bg);
    bg->release();

    auto bitmap = [](int id) { return new Bitmap(id); };
    Bitmap* onoff = bitmap(tb::kOnOff);
    Bitmap* strip = bitmap(tb::kKnobStrip);
    Bitmap* knobBack = bitmap(tb::kKnobBack);
    Bitmap* handle = bitmap(tb::kHandle);
    Bitmap* vtrack = bitmap(tb::kVTrack);
    Bitmap* vhandle = bitmap(tb::kVHandle);
    Bitmap* htrack = bitmap(tb::kHTrack);
    Bitmap* hhandle = bitmap(tb::kHHandle);
    Bitmap* movie = bitmap(tb::kMovie);
    Bitmap* anim = bitmap(tb::kAnim);
    Bitmap* splash = bitmap(tb::kSplash);
    Bitmap* sw = bitmap(tb::kSwitch);
    Bitmap* hswitch = bitmap(tb::kHSwitch);
    Bitmap* rocker = bitmap(tb::kRocker);
    Bitmap* toggle = bitmap(tb::kToggle);
    Bitmap* digits = bitmap(tb::kDigits);
    Bitmap* meterOn = bitmap(tb::kMeterOn);
    Bitmap* meterOff = bitmap(tb::kMeterOff);

    // Row one.
    add(*frame, new OnOffButton(Rect(20, 20, 60, 40), nullptr, 0, onoff), 1.0f);
    label(*frame, 10, 44, 70, "OnOffButton on");
    add(*frame, new OnOffButton(Rect(20, 60, 60, 80), nullptr, 0, onoff), 0.0f);
    label(*frame, 10, 84, 70, "OnOffButton off");
    auto* knob = add(*frame, new Knob(Rect(84, 14, 132, 62), nullptr, 1, knobBack, handle), 0.3f);
    knob->setTransparent(true);
    label(*frame, 78, 64, 138, "Knob 0.3");
    auto* drawn = add(*frame, new Knob(Rect(150, 14, 198, 62), nullptr, 2, knobBack, nullptr), 0.75f);
    drawn->setTransparent(true);
    drawn->setHandleColor(yellow);
    label(*frame, 144, 64, 204, "Knob 0.75");
    add(*frame, new AnimKnob(Rect(216, 18, 256, 58), nullptr, 3, 31, 40, strip), 0.5f);
    label(*frame, 206, 64, 266, "AnimKnob 0.5");
    add(*frame, new MovieBitmap(Rect(280, 18, 320, 58), nullptr, 4, 5, 40, movie), 0.5f);
    label(*frame, 270, 76, 330, "MovieBitmap 0.5");  // a line lower: the captions are wider than the controls
    auto* animation = add(*frame, new AnimationButton(Rect(344, 14, 392, 62), nullptr, 5, 4, 48, anim), 0.0f);
    animation->start();
    animation->nextFrame();
    label(*frame, 338, 64, 398, "AnimationButton");
    add(*frame, new DigitDisplay(Rect(406, 29, 466, 47), nullptr, 6, 5, digits), 4711.0f);
    label(*frame, 406, 76, 466, "DigitDisplay");

    // Row two: sliders and displays.
    add(*frame, new VerticalSlider(Rect(20, 110, 50, 230), nullptr, 7, Point(3, 0), 120, vhandle, vtrack), 0.7f);
    label(*frame, 5, 234, 65, "VerticalSlider");
    add(*frame, new HorizontalSlider(Rect(80, 110, 200, 134), nullptr, 8, Point(0, 2), 120, hhandle, htrack),
        0.25f);
    label(*frame, 80, 136, 200, "HorizontalSlider 0.25");
    auto* plain = add(*frame, new ParamDisplay(Rect(80, 154, 200, 172)), 0.5f);
    plain->setFrameColor(white);
    label(*frame, 80, 174, 200, "ParamDisplay %2.2f");
    auto* sunken =
        add(*frame, new ParamDisplay(Rect(80, 190, 200, 208), nullptr, ParamDisplay::k3DIn | ParamDisplay::kShadowText),
            0.75f);
    sunken->setValueFormatter(percent);
    sunken->setBackColor(Color{20, 30, 60, 0});
    sunken->setFrameColor(Color{150, 160, 200, 0});
    sunken->setFont(2);
    label(*frame, 80, 210, 200, "ParamDisplay 3D, shadow");
    auto* text = new TextEdit(Rect(80, 228, 200, 246), nullptr, 9, "Strellon");
    text->setBackColor(Color{240, 240, 230, 0});
    text->setFontColor(black);
    text->setFrameColor(grey);
    text->setAlignment(0);
    frame->addView(text);
    label(*frame, 80, 248, 200, "TextEdit");
    auto* menu = new OptionMenu(Rect(80, 266, 200, 284), nullptr, 10, nullptr, nullptr, ParamDisplay::kCheckStyle);
    for (const char* entry : {"Sine", "Saw", "Square", "Noise"}) menu->addEntry(entry);
    menu->setCurrent(2);
    menu->setFontColor(Color{255, 220, 120, 0});
    menu->setFrameColor(Color{255, 220, 120, 0});
    auto* scheme = new MenuScheme();
    menu->setScheme(scheme);
    scheme->release();
    frame->addView(menu);
    label(*frame, 80, 286, 200, "OptionMenu");

    // Right half: switches, toggles, meter, splash trigger.
    add(*frame, new VerticalSwitch(Rect(226, 110, 250, 170), nullptr, 11, 3, 60, 3, sw), 0.5f);
    label(*frame, 208, 172, 268, "VerticalSwitch");
    add(*frame, new HorizontalSwitch(Rect(280, 110, 340, 134), nullptr, 12, 3, 24, 3, hswitch), 1.0f);
    label(*frame, 280, 136, 340, "HorizontalSwitch");
    add(*frame, new RockerSwitch(Rect(346, 150, 394, 174), nullptr, 13, 24, rocker), 1.0f);
    label(*frame, 340, 176, 400, "RockerSwitch +1");
    add(*frame, new ToggleButton(Rect(226, 196, 266, 216), nullptr, 14, toggle), 1.0f);
    label(*frame, 216, 218, 276, "ToggleButton");
    add(*frame, new TrackingToggle(Rect(290, 196, 330, 216), nullptr, 15, toggle), 0.0f);
    label(*frame, 280, 218, 340, "TrackingToggle");
    auto* meter = new LevelMeter(Rect(420, 110, 434, 210), meterOn, meterOff, 10);
    meter->setValue(0.7f);
    frame->addView(meter);
    label(*frame, 397, 212, 457, "LevelMeter 0.7");
    auto* splashScreen = new SplashScreen(Rect(346, 236, 466, 290), nullptr, 16, splash, Rect(130, 80, 350, 220));
    frame->addView(splashScreen);
    auto* trigger = new ParamDisplay(Rect(346, 250, 466, 276));
    trigger->setValueFormatterWithData(labelText, const_cast<char*>("SplashScreen: click"));
    trigger->setMouseEnabled(false);
    trigger->setFont(4);
    trigger->setFrameColor(white);
    frame->addView(trigger);

    for (Bitmap* b : {onoff, strip, knobBack, handle, vtrack, vhandle, htrack, hhandle, movie, anim, splash, sw,
                      hswitch, rocker, toggle, digits, meterOn, meterOff})
        b->release();

    platform::HeadlessWindow* window = system.lastWindow();
    int status = 0;
    if (!window) {
        std::fprintf(stderr, "no window\n");
        status = 1;
    } else {
        window->paintAll();
        if (!window->savePng(out)) status = 1;
        // Click the splash trigger: the splash opens as the modal view. The
        // frame and the splash each read the buttons once.
        const platform::ScriptStep press{Point(400, 260), {true}, 0};
        system.script({press, press});
        window->pressMouse(Point(400, 260));
        std::string second = out;
        const auto dot = second.rfind(".png");
        second.insert(dot == std::string::npos ? second.size() : dot, "-splash");
        if (!window->savePng(second)) status = 1;
        std::string third = out;
        third.insert(dot == std::string::npos ? third.size() : dot, "-drawing");
        if (!drawingSample(system, third)) status = 1;
        std::printf("%s\n%s\n%s\n", out.c_str(), second.c_str(), third.c_str());
    }
    delete frame;
    platform::setWindowSystem(nullptr);
    return status;
}

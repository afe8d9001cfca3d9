// What the composed panel shows: knobs at their values' images, and no key
// colour anywhere. Compared with the loaded bitmaps, whatever the art.
#include "tests/editor/EditorFixture.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Knob.h"

namespace strellon::test {
namespace {

bool isKey(Color c) { return c.red == 0 && c.green == 255 && c.blue == 0; }
void release(Bitmap* b) { b->release(); }
bool same(Color a, Color b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

class Pixels : public EditorTest {
protected:
    // Each pixel of the control's rectangle is the strip's pixel of the image
    // for the value, or, where the strip is transparent, the panel's.
    void expectKnobImage(int position, int bitmapId, int image) {
        Control* knob = control(position);
        const std::unique_ptr<Bitmap, void (*)(Bitmap*)> strip(new Bitmap(bitmapId), release);
        const std::unique_ptr<Bitmap, void (*)(Bitmap*)> panel(new Bitmap(kPanelBitmap), release);
        const Rect& r = knob->getBounds();
        const int height = r.bottom - r.top;
        int mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < r.right - r.left; ++x) {
                const Color source = strip->getHandle()->getPixel(Point(x, image * height + y));
                const Color expected =
                    isKey(source) ? panel->getHandle()->getPixel(Point(r.left + x, r.top + y)) : source;
                if (!same(session->window()->pixel(r.left + x, r.top + y), expected)) ++mismatches;
            }
        EXPECT_EQ(mismatches, 0) << "knob at " << position << ", image " << image;
    }
};

TEST_F(Pixels, KnobsShowTheImageOfTheirValue) {
    for (int k = 0; k < 12; ++k) set(k, 0.0f);
    set(12, 0.5f);    // Exciter1: image 45 of 0..90
    set(23, 1.0f);    // Exciter12: the last image
    set(48, 0.0f);    // nisFilter1: the first
    set(83, 0.25f);   // Volume: 22.5 -> image 22
    open();
    session->paint();
    expectKnobImage(at::exciter, kKnob28Bitmap, 45);
    expectKnobImage(at::exciter + 11, kKnob28Bitmap, 90);
    expectKnobImage(at::nisFilter, kKnob28Bitmap, 0);
    expectKnobImage(at::globals + 11, kKnob31Bitmap, 22);
    // A change drawn by the idle, not by a full paint.
    set(12, 0.1f);  // image 9
    idle();
    expectKnobImage(at::exciter, kKnob28Bitmap, 9);
}

TEST_F(Pixels, NoKeyColourLeftOnThePanel) {
    session->holdNotes({60, 62, 65, 69});
    for (int program : {0, 7, 20}) {
        plugin().changeProgram(program);
        open();
        session->paint();
        idle();
        idle();
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 593; ++x)
                ASSERT_FALSE(isKey(session->window()->pixel(x, y)))
                    << "program " << program << " at " << x << "," << y;
        close();
    }
}

}  // namespace
}  // namespace strellon::test

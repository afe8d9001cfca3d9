// Drawing rules of the cairo surface and the drawing context, bitmaps and
// transparent copies, checked pixel by pixel.
#include <cstring>

#include "ToolkitFixture.h"
#include "platform/Resources.h"
#include "platform/cairo/CairoSurface.h"

namespace strellon::test {
namespace {

using platform::CairoSurface;

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override { platform::CairoModule::install(); }
    std::unique_ptr<CairoSurface> surface = CairoSurface::create(40, 30);
    Color at(int x, int y) const { return surface->getPixel(Point(x, y)); }
};

TEST_F(DrawingTest, RectOutlineAndFillMeetWithoutOverlap) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setFrameColor(white);
    context.drawRect(Rect(10, 10, 20, 15));
    context.setFillColor(red);
    context.fillRect(Rect(10, 10, 20, 15));

    for (int x = 10; x <= 20; ++x) {
        EXPECT_EQ(at(x, 10), white) << x;
        EXPECT_EQ(at(x, 15), white) << x;
    }
    for (int y = 10; y <= 15; ++y) {
        EXPECT_EQ(at(10, y), white) << y;
        EXPECT_EQ(at(20, y), white) << y;
    }
    for (int y = 11; y < 15; ++y)
        for (int x = 11; x < 20; ++x) ASSERT_EQ(at(x, y), red) << x << "," << y;
    EXPECT_EQ(at(21, 10), black);
    EXPECT_EQ(at(10, 16), black);
}

TEST_F(DrawingTest, LinesLeaveOutTheirEndAndFollowTheOffset) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setOffset(Point(5, 2));
    context.moveTo(Point(0, 0));
    context.lineTo(Point(4, 0));
    EXPECT_EQ(at(5, 2), white);
    EXPECT_EQ(at(8, 2), white);
    EXPECT_EQ(at(9, 2), black);
    EXPECT_EQ(at(4, 2), black);

    context.setLineStyle(1);
    context.moveTo(Point(0, 5));
    context.lineTo(Point(6, 5));
    EXPECT_EQ(at(5, 7), white);
    EXPECT_EQ(at(6, 7), black);
}

TEST_F(DrawingTest, PixelsFloodFillAndDrawModes) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.drawPoint(Point(3, 3), blue);
    Color c = context.getPoint(Point(3, 3));
    EXPECT_EQ(c, blue);

    context.setFrameColor(white);
    context.drawRect(Rect(20, 5, 30, 15));
    context.setFillColor(green);
    context.floodFill(Point(25, 10));
    EXPECT_EQ(at(25, 10), green);
    EXPECT_EQ(at(21, 14), green);
    EXPECT_EQ(at(20, 10), white);
    EXPECT_EQ(at(31, 10), black);

    // Not-xor of a white pen on black leaves black; merging red into blue
    // gives magenta.
    context.setDrawMode(2);
    context.moveTo(Point(0, 20));
    context.lineTo(Point(3, 20));
    EXPECT_EQ(at(1, 20), black);
    context.setDrawMode(1);
    context.drawPoint(Point(5, 25), blue);
    context.setFrameColor(red);
    context.moveTo(Point(5, 25));
    context.lineTo(Point(6, 25));
    EXPECT_EQ(at(5, 25), magenta);
}

TEST_F(DrawingTest, EllipseOutlineTouchesAllFourEdgesAndTheFillStaysInside) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.drawEllipse(Rect(10, 10, 20, 20));
    EXPECT_EQ(at(15, 10), white);
    EXPECT_EQ(at(10, 15), white);
    EXPECT_EQ(at(20, 15), white);
    EXPECT_EQ(at(15, 20), white);
    EXPECT_EQ(at(15, 15), black);
    EXPECT_EQ(at(21, 15), black);

    context.setFillColor(red);
    context.fillEllipse(Rect(10, 10, 20, 20));
    EXPECT_EQ(at(15, 15), red);
    EXPECT_EQ(at(10, 15), white);

    // A quarter pie from three to twelve o'clock, counter-clockwise.
    context.setFillColor(blue);
    context.fillArc(Rect(0, 0, 9, 9), Point(9, 5), Point(5, 0));
    EXPECT_EQ(at(7, 2), blue);
    EXPECT_EQ(at(2, 7), black);
}

TEST_F(DrawingTest, ClipKeepsDrawingInsideItsRectangle) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setClipRect(Rect(0, 0, 10, 10));
    context.setFillColor(red);
    context.fillRect(Rect(-1, -1, 30, 30));
    EXPECT_EQ(at(9, 9), red);
    EXPECT_EQ(at(10, 5), black);
    context.resetClipRect();
    EXPECT_EQ(context.getClipRect(), Rect(0, 0, 1000, 1000));
}

TEST_F(DrawingTest, FontTableFallsBackToBoldArialTwelve) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setFont(9);
    EXPECT_EQ(context.getFont(), 0);
    EXPECT_EQ(context.getFontSize(), 12);
    EXPECT_EQ(surface->state().font.pixelHeight, 12);
    EXPECT_TRUE(surface->state().font.bold);
    context.setFont(2, 0, 0);
    EXPECT_EQ(context.getFontSize(), 14);
    EXPECT_FALSE(surface->state().font.bold);
    EXPECT_GT(context.getStringWidth("Strellon"), 20);
}

TEST_F(DrawingTest, FontStylesChangeTheGlyphs) {
    auto render = [](int style) {
        auto s = CairoSurface::create(40, 30);
        DrawContext context(nullptr, s.get(), nullptr);
        context.setFont(1, 24, style);
        context.drawString("l", Rect(0, 0, 40, 30), false, 0);
        std::vector<Color> pixels;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) pixels.push_back(s->getPixel(Point(x, y)));
        return pixels;
    };
    const auto plain = render(0);
    EXPECT_NE(plain, render(kItalicFace));
    EXPECT_NE(plain, render(kBoldFace));
    EXPECT_NE(plain, render(kUnderlineFace));
}

TEST_F(DrawingTest, LeftAlignedTextStartsOnePixelIn) {
    auto other = CairoSurface::create(40, 30);
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setFontColor(white);
    context.drawString("Il", Rect(5, 0, 40, 30), false, 0);
    other->setTextColor(white);
    other->drawText("Il", Rect(6, 0, 40, 30), platform::TextAlign::left, false);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(x, y), other->getPixel(Point(x, y))) << x << "," << y;
}

TEST_F(DrawingTest, OpaqueTextFillsItsCellWithTheFillColour) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setFillColor(blue);
    context.drawString("x", Rect(0, 0, 40, 30), true, 1);
    EXPECT_EQ(at(0, 15), black);  // outside the text cell
    EXPECT_EQ(at(20, 10), blue);  // text cell, outside the glyph
}

TEST_F(DrawingTest, ContextPutsTheSurfaceSettingsBack) {
    surface->setPen(cyan, 3, false);
    {
        DrawContext context(nullptr, surface.get(), nullptr);
        context.setFrameColor(red);
        EXPECT_EQ(surface->state().penColor, red);
    }
    EXPECT_EQ(surface->state().penColor, cyan);
    EXPECT_EQ(surface->state().penWidth, 3);
}

TEST_F(DrawingTest, RestoreGoesBackToItsSaveAndDropsLaterOnes) {
    surface->setBrush(blue);
    const int outer = surface->save();
    surface->setBrush(red);
    const Rect corner(0, 0, 2, 2);
    surface->setClip(&corner);
    const int inner = surface->save();
    surface->setBrush(green);
    surface->restore(outer);
    EXPECT_EQ(surface->state().brushColor, blue);
    surface->fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(at(5, 5), blue);  // the clip went with the save
    surface->restore(inner);    // dropped with the outer one: nothing
    EXPECT_EQ(surface->state().brushColor, blue);
    surface->restore(99);
    EXPECT_EQ(surface->state().brushColor, blue);
}

TEST_F(DrawingTest, OffscreenStartsInItsColourAndCopiesOutInOneBlock) {
    OffscreenContext offscreen(nullptr, 8, 6, yellow);
    offscreen.drawPoint(Point(1, 1), red);
    EXPECT_EQ(offscreen.getClipRect(), Rect(0, 0, 8, 6));
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setOffset(Point(2, 2));
    offscreen.copyTo(&context, Rect(10, 10, 18, 16));
    EXPECT_EQ(at(12, 12), yellow);
    EXPECT_EQ(at(13, 13), red);
    EXPECT_EQ(at(19, 17), yellow);
    EXPECT_EQ(at(20, 18), black);

    OffscreenContext negative(nullptr, -4, 3, black);
    EXPECT_EQ(negative.getClipRect(), Rect(-4, 0, 0, 3));
}

// The offscreen may hold the last reference to the bitmap it draws into:
// it must let go of the bitmap's surface before the bitmap goes (the
// sanitizer run of the tests sees a use after free otherwise).
TEST_F(DrawingTest, OffscreenIntoABitmapMayOutliveEveryOtherReference) {
    Bitmap* bitmap = new Bitmap(6, 4);
    ASSERT_TRUE(bitmap->isLoaded());
    auto* offscreen = new OffscreenContext(nullptr, bitmap, true);
    EXPECT_EQ(bitmap->referenceCount(), 2);
    offscreen->drawPoint(Point(1, 1), red);
    EXPECT_EQ(bitmap->getHandle()->getPixel(Point(1, 1)), red);
    bitmap->release();
    delete offscreen;
}

TEST_F(DrawingTest, BmpFilesDecodeBottomUpAndBadOnesAreRefused) {
    const platform::BitmapResource* keyed = platform::findBitmapResource(tb::kKeyed);
    ASSERT_NE(keyed, nullptr);
    auto image = CairoSurface::fromBmp(keyed->data, keyed->size);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getPixel(Point(0, 0)), transparentColor);
    EXPECT_EQ(image->getPixel(Point(2, 2)), red);
    EXPECT_EQ(image->getPixel(Point(6, 6)), transparentColor);

    std::vector<unsigned char> bytes(keyed->data, keyed->data + keyed->size);
    EXPECT_EQ(CairoSurface::fromBmp(bytes.data(), bytes.size() - 10), nullptr);
    std::vector<unsigned char> paletted = bytes;
    paletted[28] = 8;
    EXPECT_EQ(CairoSurface::fromBmp(paletted.data(), paletted.size()), nullptr);
    std::vector<unsigned char> huge = bytes;
    huge[21] = 0x7f;  // width far beyond the data
    EXPECT_EQ(CairoSurface::fromBmp(huge.data(), huge.size()), nullptr);
    EXPECT_EQ(CairoSurface::fromBmp(nullptr, 100), nullptr);
}

TEST_F(DrawingTest, TransparentCopyKeepsTheDestinationUnderTheKey) {
    DrawContext context(nullptr, surface.get(), nullptr);
    context.setFillColor(blue);
    context.fillRect(Rect(-1, -1, 40, 30));

    Bitmap* allGreen = new Bitmap(tb::kAllGreen);
    ASSERT_TRUE(allGreen->isLoaded());
    allGreen->drawTransparent(&context, Rect(0, 0, 16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(at(x, y), blue);
    allGreen->draw(&context, Rect(0, 0, 16, 16));
    EXPECT_EQ(at(5, 5), transparentColor);
    allGreen->release();

    Bitmap* keyed = new Bitmap(tb::kKeyed);
    keyed->drawTransparent(&context, Rect(20, 10, 28, 18));
    EXPECT_EQ(at(20, 10), blue);
    EXPECT_EQ(at(21, 11), blue);
    EXPECT_EQ(at(22, 12), red);
    EXPECT_EQ(at(25, 15), red);
    EXPECT_EQ(at(26, 16), blue);
    keyed->release();
}

TEST_F(DrawingTest, MaskedCopyKeepsTheDestinationWhereTheMaskIsSet) {
    DrawContext context(nullptr, surface.get(), nullptr);
    Bitmap* keyed = new Bitmap(tb::kKeyed);
    // The mask is read from the context: draw the bitmap there first.
    keyed->draw(&context, Rect(0, 0, 8, 8));
    keyed->createMask(&context, Point(0, 0));
    EXPECT_TRUE(keyed->hasMask());
    context.setFillColor(blue);
    context.fillRect(Rect(9, -1, 40, 30));
    keyed->drawTransparent(&context, Rect(10, 0, 18, 8));
    EXPECT_EQ(at(10, 0), blue);
    EXPECT_EQ(at(13, 3), red);
    keyed->release();
}

struct CountedBitmap : Bitmap {
    explicit CountedBitmap(int* deaths) : Bitmap(tb::kHandle), deaths_(deaths) {}
    ~CountedBitmap() override { ++*deaths_; }
    int* deaths_;
};

TEST_F(DrawingTest, BitmapsAreReferenceCountedAndMissingOnesDrawNothing) {
    int deaths = 0;
    Bitmap* b = new CountedBitmap(&deaths);
    EXPECT_EQ(b->getWidth(), 9);
    b->retain();
    b->release();
    EXPECT_EQ(deaths, 0);
    b->release();
    EXPECT_EQ(deaths, 1);

    Bitmap* missing = new Bitmap(12345);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    DrawContext context(nullptr, surface.get(), nullptr);
    missing->draw(&context, Rect(0, 0, 10, 10));
    missing->drawTransparent(&context, Rect(0, 0, 10, 10));
    EXPECT_EQ(at(1, 1), black);
    missing->release();
}

TEST_F(DrawingTest, ContextWithoutSurfaceIgnoresEverything) {
    DrawContext context(nullptr, nullptr, nullptr);
    context.drawRect(Rect(0, 0, 5, 5));
    context.fillPolygon(nullptr, 3);
    context.drawString("x", Rect(0, 0, 5, 5));
    EXPECT_EQ(context.getStringWidth("abc"), 0);
    EXPECT_EQ(context.getPoint(Point(1, 1)), black);
}

TEST_F(DrawingTest, PolygonsOfManyPointsUseTheHeap) {
    DrawContext context(nullptr, surface.get(), nullptr);
    std::vector<Point> ring;
    for (int i = 0; i < 40; ++i) ring.push_back(Point(i < 20 ? i : 39 - i, i < 20 ? 0 : 20));
    context.setFillColor(red);
    context.fillPolygon(ring.data(), int(ring.size()));
    EXPECT_EQ(at(5, 10), red);
}

} // namespace
} // namespace strellon::test

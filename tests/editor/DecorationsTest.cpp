// The corner decorations and their file beside the library.
#include "tests/editor/EditorFixture.h"
#include "toolkit/Buttons.h"

namespace strellon::test {
namespace {

class Decorations : public EditorTest {
protected:
    AnimationButton* corner(int i) { return dynamic_cast<AnimationButton*>(control(at::decoration + i)); }
    std::vector<float> shown() {
        std::vector<float> v;
        for (int i = 0; i < 4; ++i) v.push_back(corner(i)->getValue());
        return v;
    }
    Point centre(int i) {
        const Rect& r = corner(i)->getBounds();
        return Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

TEST_F(Decorations, AFirstOpenShowsARandomLookButRecordsNothing) {
    open();
    EXPECT_TRUE(editor().decorationsFileMissing());
    EXPECT_EQ(editor().decorationsPath(), decorationsPath());
    for (float v : shown()) EXPECT_TRUE(v == 0.0f || v == 48.0f || v == 96.0f) << v;
    close();
    EXPECT_EQ(readDecorations(), "0 \n0 \n0 \n0 \n");
    open();
    EXPECT_FALSE(editor().decorationsFileMissing());
    EXPECT_EQ(shown(), (std::vector<float>{0, 0, 0, 0}));
}

TEST_F(Decorations, AShortFileRepeatsItsLastLine) {
    writeDecorations("480\n960\n");
    open();
    EXPECT_EQ(shown(), (std::vector<float>{48, 96, 96, 96}));
    writeDecorations("");
    close();  // writes the values read
    EXPECT_EQ(readDecorations(), "480 \n960 \n960 \n960 \n");
}

TEST_F(Decorations, ClicksChangeTheLookAndCloseRecordsIt) {
    writeDecorations("480\n480\n960\n480\n");
    open();
    session->paint();
    plugin().clearCalls();
    // A click on a shown corner stops it; the next click shows the next image.
    session->click(centre(2));
    EXPECT_FALSE(corner(2)->isRunning());
    session->click(centre(2));
    EXPECT_TRUE(corner(2)->isRunning());
    EXPECT_EQ(corner(2)->getValue(), 0.0f);
    session->click(centre(0));
    session->click(centre(0));
    EXPECT_EQ(corner(0)->getValue(), 96.0f);
    // Nothing of it reaches the plug-in; the values are recorded.
    EXPECT_EQ(plugin().countCalls(vst2::audioMasterAutomate), 0);
    EXPECT_EQ(editor().decorationValues(), (DecorationsFile::Offsets{96, 48, 0, 48}));
    close();
    EXPECT_EQ(readDecorations(), "960 \n480 \n0 \n480 \n");
    open();  // the second open in one life reads the file again
    EXPECT_EQ(shown(), (std::vector<float>{96, 48, 0, 48}));
}

TEST_F(Decorations, HandEditedValuesStayInsideTheStrip) {
    writeDecorations("1e30\n-480\nknot\n99999999999999999999\n");
    open();
    EXPECT_EQ(shown(), (std::vector<float>{96, 0, 0, 96}));
    close();
    EXPECT_EQ(readDecorations(), "960 \n0 \n0 \n960 \n");
    writeDecorations("nan\ninf\n-inf\n500\n");
    open();
    EXPECT_EQ(shown(), (std::vector<float>{0, 96, 0, 50}));
    // Drawn from inside the strip: the window shows no key colour there.
    session->paint();
    for (int i = 0; i < 4; ++i) {
        const Rect& r = corner(i)->getBounds();
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const Color c = session->window()->pixel(x, y);
                ASSERT_FALSE(c.red == 0 && c.green == 255 && c.blue == 0) << x << "," << y;
            }
    }
}

TEST_F(Decorations, AFolderThatCannotBeWrittenIsSkipped) {
    editor().setDecorationsDirectory(folder + "/missing/deeper");
    open();
    EXPECT_TRUE(editor().decorationsFileMissing());
    close();
    EXPECT_FALSE(std::filesystem::exists(folder + "/missing"));
}

TEST(DecorationsPath, UsesThePlatformSeparator) {
    EXPECT_EQ(DecorationsFile::pathIn("/usr/lib/vst"), "/usr/lib/vst/decorations.txt");
    EXPECT_EQ(DecorationsFile::pathIn("/usr/lib/vst/"), "/usr/lib/vst/decorations.txt");
}

}  // namespace
}  // namespace strellon::test

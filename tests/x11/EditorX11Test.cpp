// Strellon.so's editor in a real X window, opened by our test host through
// the binary interface: idled every 40 ms while audio with notes runs on
// another thread, driven by a user through XTest, and compared with the
// same panel drawn on the headless window.
#include "X11Fixture.h"
#include "host/editor/EditorHost.h"
#include "tools/panel/PanelSession.h"

namespace strellon::test {
namespace {

using host::EditorHost;

constexpr Point kVolumeKnob(551, 272);  // parameter 83
constexpr Point kLinkTwo(99, 265);      // parameter 1
constexpr Point kAboutStrip(300, 20);
const Rect kAboutPicture(143, 93, 443, 293);
constexpr int kWidth = 593;
constexpr int kHeight = 400;

class EditorX11Test : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        std::string error;
        host = EditorHost::load(STRELLON_PLUGIN_PATH, error);
        ASSERT_TRUE(host) << error;
    }
    void TearDown() override {
        if (actor.joinable()) whileActing();
        host.reset();
        X11Test::TearDown();
    }

    // The host's UI thread while the user acts, and a little after.
    void whileActing(int after = 300) {
        while (!done) host->idle(40);
        host->idle(after);
    }
    int calls(vst2::int32 opcode, vst2::int32 index) {
        int n = 0;
        for (const auto& c : host->plugin().calls())
            if (c.opcode == opcode && c.index == index) ++n;
        return n;
    }
    std::vector<vst2::int32> editCalls() {
        std::vector<vst2::int32> seen;
        for (const auto& c : host->plugin().calls())
            if (c.opcode == vst2::audioMasterBeginEdit || c.opcode == vst2::audioMasterEndEdit) seen.push_back(c.opcode);
        return seen;
    }

    // The same editor on the headless window, with the same values.
    std::unique_ptr<platform::CairoSurface> headlessPicture() {
        panel::PanelSession session;
        EXPECT_TRUE(session.ok());
        for (int i = 0; i < 84; ++i) session.plugin().setParameter(i, host->plugin().getParameter(i));
        session.open();
        session.paint();
        session.idle();
        auto picture = platform::CairoSurface::create(kWidth, kHeight);
        picture->copyFrom(session.window()->image(), Rect(0, 0, kWidth, kHeight), Point());
        session.close();
        return picture;
    }
    // Differences outside what changes by itself: the string lamps (notes
    // are playing) and the four corner ornaments (drawn by chance).
    static int steadyDifferences(platform::CairoSurface& a, platform::CairoSurface& b) {
        const Rect moving[] = {Rect(60, 270, 540, 320), Rect(9, 12, 47, 60), Rect(543, 12, 581, 60),
                               Rect(543, 341, 581, 389), Rect(9, 341, 47, 389)};
        int n = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                bool skip = false;
                for (const Rect& r : moving) skip = skip || r.pointInside(Point(x, y));
                if (!skip && !a.getPixel(Point(x, y)).sameRgb(b.getPixel(Point(x, y)))) ++n;
            }
        return n;
    }

    std::unique_ptr<EditorHost> host;
};

TEST_F(EditorX11Test, ThePanelPaintsCompletelyAndAsOnTheHeadlessWindow) {
    EXPECT_EQ(host->editorRect(), Rect(0, 0, kWidth, kHeight));
    ASSERT_TRUE(host->open());
    EXPECT_EQ(host->editorRect(), Rect(0, 0, kWidth, kHeight));
    host->idle(400);
    EXPECT_EQ(host->window()->childCount(), 1);
    auto shot = host->window()->screenshot();
    ASSERT_TRUE(shot);
    keep(shot.get(), "editor-x11");
    EXPECT_EQ(backgroundPixels(*shot), 0);
    auto expected = headlessPicture();
    keep(expected.get(), "editor-headless");
    EXPECT_EQ(steadyDifferences(*shot, *expected), 0);
    EXPECT_GT(host->blocksProcessed(), 10);
}

TEST_F(EditorX11Test, AKnobDragTellsTheHostAndMovesTheParameter) {
    ASSERT_TRUE(host->open());
    host->idle(300);
    auto before = host->window()->screenshot();
    const float volume = host->plugin().getParameter(83);
    host->plugin().clearCalls();
    const int blocks = host->blocksProcessed();
    const Point from = host->screen(kVolumeKnob);
    act([&](platform::X11User& u) {
        u.moveTo(from);
        u.press();
        u.glide(from, from.offset(0, -60), 15, 20);
        u.pause(150);
        u.release();
    });
    whileActing();
    EXPECT_EQ(editCalls(), (std::vector<vst2::int32>{vst2::audioMasterBeginEdit, vst2::audioMasterEndEdit}));
    EXPECT_EQ(calls(vst2::audioMasterBeginEdit, 83), 1);
    EXPECT_GT(calls(vst2::audioMasterAutomate, 83), 1);
    EXPECT_GT(calls(vst2::audioMasterIdle, 0), 0);  // the idle pump kept the host going
    EXPECT_NE(host->plugin().getParameter(83), volume);
    EXPECT_GT(host->blocksProcessed(), blocks + 20);  // audio ran all along
    auto after = host->window()->screenshot();
    keep(before.get(), "editor-x11-before-drag");
    keep(after.get(), "editor-x11-after-drag");
    EXPECT_EQ(backgroundPixels(*after), 0);
    EXPECT_GT(differences(*before, *after, Rect(536, 257, 567, 288)), 0);
    auto expected = headlessPicture();
    EXPECT_EQ(steadyDifferences(*after, *expected), 0);
}

TEST_F(EditorX11Test, AShortClickTogglesALinkButtonEvenWhenHandledLate) {
    ASSERT_TRUE(host->open());
    host->idle(300);
    const float link = host->plugin().getParameter(1);
    // The host is busy while the user clicks: the press waits in the queue.
    act([&](platform::X11User& u) { u.click(host->screen(kLinkTwo), 20); });
    while (!done) platform::X11User::pause(10);
    host->idle(200);
    EXPECT_EQ(host->plugin().getParameter(1), link == 0.0f ? 1.0f : 0.0f);
    EXPECT_GT(calls(vst2::audioMasterAutomate, 1), 0);
    // And back, with the host idling all along.
    act([&](platform::X11User& u) { u.click(host->screen(kLinkTwo), 20); });
    whileActing();
    EXPECT_EQ(host->plugin().getParameter(1), link);
}

TEST_F(EditorX11Test, TheAboutScreenOpensAndCloses) {
    ASSERT_TRUE(host->open());
    host->idle(300);
    auto before = host->window()->screenshot();
    act([&](platform::X11User& u) { u.click(host->screen(kAboutStrip)); });
    whileActing();
    auto about = host->window()->screenshot();
    keep(about.get(), "editor-x11-about");
    EXPECT_GT(differences(*before, *about, kAboutPicture), kAboutPicture.width() * kAboutPicture.height() / 2);
    act([&](platform::X11User& u) { u.click(host->screen(Point(300, 200))); });
    whileActing();
    auto closed = host->window()->screenshot();
    EXPECT_EQ(steadyDifferences(*before, *closed), 0);
}

TEST_F(EditorX11Test, OpensAndClosesFiftyTimesWithTheHostDestroyingItsWindowFirst) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(host->open()) << i;
        host->idle(i % 5 == 0 ? 200 : 40);
        // Some hosts destroy their window first; some idle us once more.
        if (i % 2 == 0) {
            host->window()->destroy();
            if (i % 4 == 0) host->idle(40);
        }
        host->close();
    }
    ASSERT_TRUE(host->open());
    host->idle(300);
    auto shot = host->window()->screenshot();
    EXPECT_EQ(backgroundPixels(*shot), 0);
}

TEST_F(EditorX11Test, TwoInstancesShowTheirEditorsAtOnce) {
    std::string error;
    auto second = EditorHost::another(*host, error);
    ASSERT_TRUE(second) << error;
    ASSERT_TRUE(host->open(Point(20, 20)));
    ASSERT_TRUE(second->open(Point(640, 20)));
    const float volume = second->plugin().getParameter(83);
    const Point from = host->screen(kVolumeKnob);
    act([&](platform::X11User& u) {
        u.moveTo(from);
        u.press();
        u.glide(from, from.offset(0, -50), 10, 20);
        u.release();
    });
    while (!done) {
        host->idle(40);
        second->idle(40);
    }
    host->idle(200);
    second->idle(200);
    EXPECT_EQ(second->plugin().getParameter(83), volume);
    EXPECT_NE(host->plugin().getParameter(83), volume);
    for (EditorHost* h : {host.get(), second.get()}) {
        auto shot = h->window()->screenshot();
        ASSERT_TRUE(shot);
        EXPECT_EQ(backgroundPixels(*shot), 0);
    }
    second.reset();
}

} // namespace
} // namespace strellon::test

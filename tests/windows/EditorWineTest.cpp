// The editor in a real window (under Wine on a virtual screen), as a host
// shows it: the host's window, effEditOpen with its handle, idles, the
// picture, and a drag made with injected mouse input that reaches the host
// as begin-edit, automation and end-edit.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/PluginHost.h"
#include "platform/win32/GdiSurface.h"

using namespace strellon;

namespace {

constexpr int kWidth = 593, kHeight = 400;
constexpr int kVolume = 83;
const Point kVolumeKnobCentre(536 + 15, 257 + 15);

void pump(host::HostedPlugin& plugin, int rounds) {
    for (int i = 0; i < rounds; ++i) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        plugin.dispatch(vst2::effEditIdle);
        Sleep(10);
    }
}

std::string winePath(const char* unixPath) {
    std::string p = unixPath;
    return !p.empty() && p[0] == '/' ? "Z:" + p : p;
}

class EditorWindow : public ::testing::Test {
protected:
    // One host window for all: without a window manager, Wine waits on every
    // top-level window that goes.
    static void SetUpTestSuite() {
        WNDCLASSA c{};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "StrellonTestHostWindow";
        RegisterClassA(&c);
        // A window without a frame at the screen's corner, so window and
        // screen positions agree.
        host = CreateWindowExA(0, c.lpszClassName, "Strellon", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                               nullptr, nullptr, c.hInstance, nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(host); }
    void SetUp() override {
        ASSERT_NE(host, nullptr);
        // The first look of the corners depends on a missing decorations file.
        DeleteFileA(host::besideProgram("decorations.txt").c_str());
        std::string error;
        plugin = host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error);
        ASSERT_TRUE(plugin) << error;
    }
    void TearDown() override { plugin.reset(); }

    static HWND host;
    std::unique_ptr<host::HostedPlugin> plugin;
};

HWND EditorWindow::host = nullptr;

} // namespace

TEST_F(EditorWindow, OpensInTheHostsWindowAndLooksLikeTheHeadlessPanel) {
    vst2::ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    ASSERT_EQ(plugin->dispatch(vst2::effEditOpen, 0, 0, host), 1);
    HWND frame = GetWindow(host, GW_CHILD);
    ASSERT_NE(frame, nullptr);
    char name[64] = {};
    GetClassNameA(frame, name, sizeof name);
    EXPECT_EQ(std::string(name).rfind("Plugin", 0), 0u) << name;
    RECT client{};
    GetClientRect(frame, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    pump(*plugin, 20);

    HDC dc = GetDC(frame);
    platform::GdiSurface screen(dc, kWidth, kHeight, [frame](HDC d) { ReleaseDC(frame, d); });
    EXPECT_TRUE(screen.saveBmp(host::besideProgram("editor-wine.bmp").c_str()));

    const char* reference = std::getenv("STRELLON_HEADLESS_PANEL");
    if (reference) {
        HBITMAP picture = static_cast<HBITMAP>(
            LoadImageA(nullptr, winePath(reference).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(picture, nullptr) << reference;
        auto headless = platform::GdiSurface::adopt(picture);
        ASSERT_EQ(headless->width(), kWidth);
        // The corner ornaments take a random first look; text is drawn by
        // two different font engines. Everything else is the same bitmaps.
        const Rect corners[] = {{9, 12, 47, 60}, {543, 12, 581, 60}, {543, 341, 581, 389}, {9, 341, 47, 389}};
        int compared = 0, differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                bool skip = false;
                for (const Rect& c : corners) skip = skip || c.pointInside(Point(x, y));
                if (skip) continue;
                ++compared;
                const Color a = screen.getPixel(Point(x, y)), b = headless->getPixel(Point(x, y));
                if (std::abs(a.red - b.red) > 40 || std::abs(a.green - b.green) > 40 || std::abs(a.blue - b.blue) > 40)
                    ++differing;
            }
        std::printf("panel: %d of %d pixels differ from the headless picture\n", differing, compared);
        EXPECT_LT(differing, compared / 100);
    }
    plugin->dispatch(vst2::effEditClose);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_EQ(GetFileAttributesA(host::besideProgram("decorations.txt").c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

TEST_F(EditorWindow, AMouseDragOnAKnobReachesTheHostAsAnEdit) {
    plugin->setParameter(kVolume, 0.5f);  // room to turn up
    ASSERT_EQ(plugin->dispatch(vst2::effEditOpen, 0, 0, host), 1);
    plugin->dispatch(vst2::effSetEditKnobMode, 0, 2);  // linear: up raises the value
    pump(*plugin, 10);
    const float before = plugin->getParameter(kVolume);
    plugin->clearCalls();

    // The user's hand, on a thread of its own while the host's thread runs
    // the knob's tracking loop.
    std::atomic<bool> done{false};
    std::thread hand([&done] {
        auto button = [](DWORD flags) {
            INPUT in{};
            in.type = INPUT_MOUSE;
            in.mi.dwFlags = flags;
            SendInput(1, &in, sizeof in);
        };
        SetCursorPos(kVolumeKnobCentre.h, kVolumeKnobCentre.v);
        Sleep(100);
        button(MOUSEEVENTF_LEFTDOWN);
        for (int step = 1; step <= 10; ++step) {
            Sleep(60);
            SetCursorPos(kVolumeKnobCentre.h, kVolumeKnobCentre.v - 4 * step);
        }
        Sleep(100);
        button(MOUSEEVENTF_LEFTUP);
        done = true;
    });
    while (!done) pump(*plugin, 1);
    hand.join();
    pump(*plugin, 5);

    const float after = plugin->getParameter(kVolume);
    EXPECT_GT(after, before);
    int begins = 0, automations = 0, ends = 0, order = 0;
    bool inOrder = true;
    for (const auto& call : plugin->calls()) {
        if (call.opcode == vst2::audioMasterBeginEdit && call.index == kVolume) {
            ++begins;
            inOrder = inOrder && order == 0;
            order = 1;
        } else if (call.opcode == vst2::audioMasterAutomate && call.index == kVolume) {
            ++automations;
            inOrder = inOrder && order == 1;
        } else if (call.opcode == vst2::audioMasterEndEdit && call.index == kVolume) {
            ++ends;
            inOrder = inOrder && order == 1;
            order = 2;
        }
    }
    EXPECT_EQ(begins, 1);
    EXPECT_GT(automations, 0);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(inOrder);
    plugin->dispatch(vst2::effEditClose);
}

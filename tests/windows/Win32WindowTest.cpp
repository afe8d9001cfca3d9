// The toolkit's frame on a real Windows window (under Wine on a virtual
// screen): the class, painting through GDI with keyed copies, presses, the
// edit box, owner-drawn popup menus, cursors and the polled input.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/GdiSurface.h"
#include "platform/win32/Win32Window.h"
#include "platform/Resources.h"
#include "resources/toolkit-test/TestBitmaps.h"
#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/FrameEditor.h"
#include "toolkit/View.h"

using namespace strellon;
namespace tb = strellon::testbitmaps;

namespace {

struct NoEditor : FrameEditor {
    void beginEdit(int) override {}
    void endEdit(int) override {}
    void pumpIdle() override {}
};

// Draws the keyed test bitmap at (10, 10) and records presses.
class KeyedView : public View {
public:
    explicit KeyedView(const Rect& r) : View(r), bitmap_(new Bitmap(tb::kKeyed)) {}
    void draw(DrawContext* context) override {
        bitmap_->drawTransparent(context, Rect(size_.left, size_.top, size_.left + 8, size_.top + 8));
        setDirty(false);
    }
    void onMouseDown(DrawContext*, Point where) override { presses.push_back(where); }
    std::vector<Point> presses;

protected:
    ~KeyedView() override { bitmap_->release(); }

private:
    Bitmap* bitmap_;
};

void pumpMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

Color pixelOf(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return Color{GetRValue(c), GetGValue(c), GetBValue(c), 0};
}

class Win32Frame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA c{};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "StrellonTestHost";
        RegisterClassA(&c);
        // One host window for all: without a window manager, Wine waits on
        // every top-level window that goes.
        host = CreateWindowExA(0, "StrellonTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 520, 360,
                               nullptr, nullptr, c.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(host);
        pumpMessages();
    }
    void SetUp() override {
        ASSERT_NE(host, nullptr);
        instance = GetModuleHandleA(nullptr);
        platform::setWindowSystem(&system);
        platform::setModule(&module);
    }
    void TearDown() override {
        pumpMessages();
        platform::setWindowSystem(nullptr);
        platform::setModule(nullptr);
    }
    HWND frameWindow(Frame* f) { return static_cast<platform::Win32Window*>(f->getWindow())->handle(); }
    std::string className() {
        char name[32];
        std::snprintf(name, sizeof name, "Plugin%08lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(instance)));
        return name;
    }

    HINSTANCE instance = nullptr;
    platform::Win32WindowSystem system{GetModuleHandleA(nullptr)};
    platform::Win32Module module{GetModuleHandleA(nullptr)};
    NoEditor editor;
    static HWND host;
};

HWND Win32Frame::host = nullptr;

} // namespace

TEST_F(Win32Frame, ClassIsSharedAndGoesWithTheLastFrame) {
    WNDCLASSA info;
    auto* first = new Frame(Rect(0, 0, 100, 80), host, &editor);
    auto* second = new Frame(Rect(0, 0, 100, 80), host, &editor);
    char name[64] = {};
    GetClassNameA(frameWindow(first), name, sizeof name);
    EXPECT_EQ(name, className());
    EXPECT_EQ(GetParent(frameWindow(second)), host);
    EXPECT_TRUE(GetClassInfoA(instance, className().c_str(), &info));
    EXPECT_EQ(info.style, UINT(CS_GLOBALCLASS));
    delete first;
    EXPECT_TRUE(GetClassInfoA(instance, className().c_str(), &info));
    delete second;
    EXPECT_FALSE(GetClassInfoA(instance, className().c_str(), &info));
}

TEST_F(Win32Frame, PaintsTheBackgroundAndKeyedCopiesThroughGdi) {
    auto* frame = new Frame(Rect(0, 0, 480, 300), host, &editor);
    auto* background = new Bitmap(tb::kBackground);
    ASSERT_TRUE(background->isLoaded());
    frame->setBackground(background);
    background->release();
    frame->addView(new KeyedView(Rect(10, 10, 18, 18)));
    UpdateWindow(host);
    pumpMessages();
    EXPECT_FALSE(frame->isFirstDrawPending());

    const platform::BitmapResource* bmp = platform::findBitmapResource(tb::kBackground);
    auto reference = platform::GdiSurface::fromBmp(bmp->data, bmp->size);
    HWND hwnd = frameWindow(frame);
    for (Point p : {Point(0, 0), Point(200, 150), Point(479, 299), Point(10, 10), Point(17, 17)})
        EXPECT_EQ(pixelOf(hwnd, p.h, p.v), reference->getPixel(p)) << p.h << "," << p.v;
    // The red inside of the keyed bitmap, at 2..5 of its 8 by 8.
    EXPECT_EQ(pixelOf(hwnd, 13, 13), (Color{255, 0, 0, 0}));
    delete frame;
}

TEST_F(Win32Frame, MaskedCopyKeepsTheDestinationWhereTheMaskIsSet) {
    auto* frame = new Frame(Rect(0, 0, 100, 80), host, &editor);
    auto* keyed = new Bitmap(tb::kKeyed);
    OffscreenContext source(frame, 8, 8, black);
    keyed->draw(&source, Rect(0, 0, 8, 8));
    keyed->createMask(&source, Point(0, 0));
    ASSERT_TRUE(keyed->hasMask());
    OffscreenContext target(frame, 20, 20, blue);
    keyed->drawTransparent(&target, Rect(4, 4, 12, 12));
    EXPECT_EQ(target.getPoint(Point(4, 4)), blue);    // key border: kept
    EXPECT_EQ(target.getPoint(Point(7, 7)), red);     // inside: copied
    EXPECT_EQ(target.getPoint(Point(15, 15)), blue);  // outside the copy
    keyed->release();
    delete frame;
}

TEST_F(Win32Frame, PressesReachTheViewUnderThem) {
    auto* frame = new Frame(Rect(0, 0, 200, 100), host, &editor);
    auto* view = new KeyedView(Rect(10, 10, 60, 60));
    frame->addView(view);
    SendMessageA(frameWindow(frame), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
    SendMessageA(frameWindow(frame), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 90));  // no view there
    ASSERT_EQ(view->presses.size(), 1u);
    EXPECT_EQ(view->presses[0], Point(20, 30));
    delete frame;
}

namespace {
struct EditRecorder : platform::EditBoxClient {
    std::vector<std::string> ended;
    void editBoxEnded(const char* text) override { ended.push_back(text); }
};
} // namespace

TEST_F(Win32Frame, EditBoxTakesColoursAndEndsWithReturn) {
    auto* frame = new Frame(Rect(0, 0, 200, 100), host, &editor);
    platform::Window* window = frame->getWindow();
    EditRecorder recorder;
    platform::EditBoxRequest request;
    request.bounds = Rect(10, 10, 110, 30);
    request.text = "440.0";
    request.textColor = Color{255, 255, 0, 0};
    request.backColor = Color{0, 0, 128, 0};
    request.client = &recorder;
    ASSERT_TRUE(window->openEditBox(request));
    HWND edit = FindWindowExA(frameWindow(frame), nullptr, "EDIT", nullptr);
    ASSERT_NE(edit, nullptr);
    char text[32] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "440.0");

    HDC dc = GetDC(edit);
    EXPECT_NE(SendMessageA(frameWindow(frame), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(edit)), 0);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 128));
    ReleaseDC(edit, dc);

    SetWindowTextA(edit, "415.3");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(recorder.ended.size(), 1u);
    EXPECT_EQ(recorder.ended[0], "415.3");
    window->closeEditBox();
    EXPECT_EQ(FindWindowExA(frameWindow(frame), nullptr, "EDIT", nullptr), nullptr);
    delete frame;
}

namespace {
struct CountingPainter : platform::MenuPainter {
    std::vector<std::string> measured, drawn;
    Point measureItem(platform::Surface&, const char* text) override {
        measured.push_back(text);
        return Point(80, 18);
    }
    std::vector<int> ids;
    void drawItem(platform::Surface&, const Rect&, const char* text, int itemId, int) override {
        drawn.push_back(text);
        ids.push_back(itemId);
    }
};

// Chooses the second entry of the open menu with the keyboard.
void CALLBACK chooseSecond(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_DOWN, VK_DOWN, VK_RETURN, VK_RETURN};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
    }
    keys[1].ki.dwFlags = 0;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &keys[0], sizeof(INPUT));
    SendInput(1, &keys[1], sizeof(INPUT));
    SendInput(1, &keys[2], sizeof(INPUT));
    SendInput(1, &keys[3], sizeof(INPUT));
}

void CALLBACK dismiss(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}
} // namespace

TEST_F(Win32Frame, PopupMenuPaintsItsItemsAndAnswersTheChoice) {
    auto* frame = new Frame(Rect(0, 0, 200, 100), host, &editor);
    SetForegroundWindow(host);
    std::vector<platform::MenuEntry> entries(3);
    entries[0].text = "Nylon";
    entries[0].command = 1;
    entries[1].text = "Gut";
    entries[1].command = 2;
    entries[2].text = "Steel";
    entries[2].command = 3;
    CountingPainter painter;
    SetTimer(nullptr, 0, 300, dismiss);
    EXPECT_EQ(frame->getWindow()->popupMenu(entries, Point(10, 10), platform::MenuAlign::below, &painter), 0);
    EXPECT_EQ(painter.measured, (std::vector<std::string>{"Nylon", "Gut", "Steel"}));
    ASSERT_FALSE(painter.drawn.empty());
    for (std::size_t i = 0; i < painter.drawn.size(); ++i)
        EXPECT_EQ(painter.ids[i], painter.drawn[i] == "Nylon" ? 1 : painter.drawn[i] == "Gut" ? 2 : 3);

    SetTimer(nullptr, 0, 300, chooseSecond);
    EXPECT_EQ(frame->getWindow()->popupMenu(entries, Point(10, 60), platform::MenuAlign::above, nullptr), 2);
    delete frame;
}

TEST_F(Win32Frame, CursorsAndPolledInput) {
    auto* frame = new Frame(Rect(0, 0, 200, 100), host, &editor);
    platform::Window* window = frame->getWindow();
    window->setCursor(platform::CursorShape::sizeNS);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZENS));
    window->setCursor(platform::CursorShape::arrow);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));

    // The polled state follows injected input.
    INPUT shift{};
    shift.type = INPUT_KEYBOARD;
    shift.ki.wVk = VK_SHIFT;
    SendInput(1, &shift, sizeof shift);
    EXPECT_TRUE(system.input().shift);
    shift.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &shift, sizeof shift);
    EXPECT_FALSE(system.input().shift);
    SetCursorPos(123, 77);
    EXPECT_EQ(system.cursorScreenPosition(), Point(123, 77));
    delete frame;
}

TEST_F(Win32Frame, SetSizeGrowsTheWindowsThatHoldTheFrame) {
    const int border = 2 * GetSystemMetrics(SM_CYDLGFRAME);
    // A holder a border larger than the frame, as hosts put plug-ins in.
    HWND holder = CreateWindowExA(0, "StrellonTestHost", "", WS_CHILD | WS_VISIBLE, 0, 0, 200 + border,
                                  100 + border, host, nullptr, instance, nullptr);
    auto* frame = new Frame(Rect(0, 0, 200, 100), holder, &editor);
    RECT before{}, after{}, frameRect{}, hostBefore{}, hostAfter{};
    GetWindowRect(holder, &before);
    GetWindowRect(host, &hostBefore);
    ASSERT_TRUE(frame->setSize(260, 130));
    GetWindowRect(holder, &after);
    GetWindowRect(frameWindow(frame), &frameRect);
    GetWindowRect(host, &hostAfter);
    EXPECT_EQ(frameRect.right - frameRect.left, 260);
    EXPECT_EQ(frameRect.bottom - frameRect.top, 130);
    EXPECT_EQ(after.right - after.left, 260 + border);
    EXPECT_EQ(after.bottom - after.top, 130 + border);
    // The host's window is far larger than the holder: it stays.
    EXPECT_EQ(hostAfter.right - hostAfter.left, hostBefore.right - hostBefore.left);
    delete frame;
    DestroyWindow(holder);
}

TEST(GdiSurface, SaveAndRestoreGiveBackTheContextsObjects) {
    auto surface = platform::GdiSurface::create(20, 20);
    ASSERT_TRUE(surface);
    HDC dc = surface->dc();
    surface->setBrush(blue);
    HGDIOBJ blueBrush = GetCurrentObject(dc, OBJ_BRUSH);
    {
        // Contexts nest on one surface, as a control drawing inside a paint.
        DrawContext outer(nullptr, surface.get(), nullptr);
        outer.setFillColor(red);
        {
            DrawContext inner(nullptr, surface.get(), nullptr);
            inner.setFillColor(green);
            inner.fillRect(Rect(-1, -1, 5, 5));
        }
        EXPECT_EQ(surface->state().brushColor, red);
        outer.fillRect(Rect(9, 9, 15, 15));
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), blueBrush);
    EXPECT_EQ(surface->state().brushColor, blue);
    surface->fillRect(Rect(15, 15, 20, 20));
    EXPECT_EQ(surface->getPixel(Point(2, 2)), green);
    EXPECT_EQ(surface->getPixel(Point(12, 12)), red);
    EXPECT_EQ(surface->getPixel(Point(17, 17)), blue);
}

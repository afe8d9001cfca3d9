// The toolkit in a real X window: a panel of demo widgets in a host's
// top-level window, driven by a user through XTest while the test's thread
// plays the host's UI thread and idles the frame every 40 ms.
#include <X11/keysym.h>

#include "X11Fixture.h"
#include "platform/cairo/CairoModule.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/x11/X11DropTarget.h"
#include "platform/x11/X11Window.h"
#include "platform/x11/X11WindowSystem.h"
#include "resources/toolkit-test/TestBitmaps.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Buttons.h"
#include "toolkit/Frame.h"
#include "toolkit/FrameEditor.h"
#include "toolkit/Knob.h"
#include "toolkit/OptionMenu.h"
#include "toolkit/TextEdit.h"

namespace strellon::test {
namespace {

namespace tb = strellon::testbitmaps;

constexpr int kWidth = 480;
constexpr int kHeight = 300;
const Rect kKnob(84, 14, 132, 62);
const Rect kButton(20, 20, 60, 40);
const Rect kText(80, 228, 200, 246);
const Rect kMenu(80, 266, 200, 284);

// The editor's side: edit brackets, and the idle pump as the editor runs
// it (at most one idle and one paint per 50 ms or so).
struct PumpingEditor : FrameEditor {
    Frame* frame = nullptr;
    std::vector<std::string> calls;
    uint32_t nextIdle = 0;
    void beginEdit(int tag) override { calls.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { calls.push_back("end " + std::to_string(tag)); }
    void pumpIdle() override {
        platform::WindowSystem* system = platform::windowSystem();
        uint32_t now = system->ticks();
        if (int32_t(now - nextIdle) < 0) {
            system->sleep(4);
            now += 4;
            if (int32_t(now - (nextIdle - 50)) < 0) return;
        }
        if (frame) {
            frame->idle();
            if (frame->getWindow()) frame->getWindow()->dispatchPendingPaint();
        }
        nextIdle = now + 100;
    }
};

struct ValueListener : ControlListener {
    std::vector<float> values;
    void valueChanged(DrawContext*, Control* c) override { values.push_back(c->getValue()); }
};

// The demo panel: background, a knob, an on/off button, a text edit and an
// option menu.
struct Panel {
    Frame* frame = nullptr;
    Knob* knob = nullptr;
    OnOffButton* button = nullptr;
    TextEdit* text = nullptr;
    OptionMenu* menu = nullptr;

    Panel(void* parent, PumpingEditor& editor, ControlListener* listener, float knobValue = 0.3f) {
        frame = new Frame(Rect(0, 0, kWidth, kHeight), parent, &editor);
        editor.frame = frame;
        auto* bg = new Bitmap(tb::kBackground);
        frame->setBackground(bg);
        bg->release();
        Bitmap* back = new Bitmap(tb::kKnobBack);
        Bitmap* handle = new Bitmap(tb::kHandle);
        Bitmap* onoff = new Bitmap(tb::kOnOff);
        knob = new Knob(kKnob, listener, 1, back, handle);
        knob->setTransparent(true);
        knob->setValue(knobValue);
        frame->addView(knob);
        button = new OnOffButton(kButton, listener, 2, onoff);
        frame->addView(button);
        text = new TextEdit(kText, listener, 3, "Strellon");
        text->setBackColor(Color{240, 240, 230, 0});
        text->setFontColor(Color{0, 0, 0, 0});
        frame->addView(text);
        menu = new OptionMenu(kMenu, listener, 4);
        for (const char* entry : {"Sine", "Saw", "Square", "Noise"}) menu->addEntry(entry);
        menu->setCurrent(0);
        frame->addView(menu);
        for (Bitmap* b : {back, handle, onoff}) b->release();
    }
    ~Panel() { delete frame; }
};

class X11WindowTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        platform::CairoModule::install();
        platform::X11WindowSystem::install();
        host = openHostWindow(kWidth, kHeight);
        ASSERT_TRUE(host);
    }
    void TearDown() override {
        if (actor.joinable()) {
            // Keep the host alive while the user finishes.
            runUntilDone();
        }
        panel.reset();
        host.reset();
        platform::setWindowSystem(nullptr);
        X11Test::TearDown();
    }

    void openPanel(float knobValue = 0.3f, int idle = 200) {
        panel = std::make_unique<Panel>(host->handle(), editor, &listener, knobValue);
        ASSERT_NE(panel->frame->getWindow(), nullptr);
        runHost(idle);
    }

    // The host's UI thread: the frame's idle every 40 ms.
    void runHost(int milliseconds) {
        for (int t = 0; t < milliseconds; t += 40) {
            if (panel) panel->frame->idle();
            platform::X11User::pause(40);
        }
    }
    void runUntilDone(int after = 200) {
        while (!done) runHost(40);
        runHost(after);
    }

    // What the same panel looks like on a headless window.
    std::unique_ptr<platform::CairoSurface> headlessPicture(float knobValue, float buttonValue = 0.0f) {
        platform::HeadlessWindowSystem headless;
        platform::setWindowSystem(&headless);
        // The X frame holds the class registered, so the toolkit will not
        // register it again with this system.
        headless.registerClass(Frame::windowClassName());
        int parent = 0;
        PumpingEditor quiet;
        auto picture = platform::CairoSurface::create(kWidth, kHeight);
        {
            Panel twin(&parent, quiet, nullptr, knobValue);
            twin.button->setValue(buttonValue);
            headless.lastWindow()->paintAll();
            picture->copyFrom(headless.lastWindow()->image(), Rect(0, 0, kWidth, kHeight), Point());
        }
        platform::X11WindowSystem::install();
        return picture;
    }

    Point screen(Point inWindow) const { return inWindow.offset(host->origin().h, host->origin().v); }
    static Point centre(const Rect& r) { return Point((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

    std::unique_ptr<platform::X11HostWindow> host;
    PumpingEditor editor;
    ValueListener listener;
    std::unique_ptr<Panel> panel;
};

TEST_F(X11WindowTest, ThePanelPaintsCompletelyAndAsOnAHeadlessWindow) {
    openPanel();
    auto shot = host->screenshot();
    ASSERT_TRUE(shot);
    keep(shot.get(), "toolkit-x11");
    EXPECT_EQ(backgroundPixels(*shot), 0);
    auto expected = headlessPicture(0.3f);
    EXPECT_EQ(differences(*shot, *expected, Rect(0, 0, kWidth, kHeight)), 0);
}

TEST_F(X11WindowTest, AKnobDragIsBracketedAndRedrawsOnlyTheKnob) {
    openPanel();
    auto before = host->screenshot();
    const Point from = screen(Point(kKnob.left + 5, kKnob.top + 10));
    act([&](platform::X11User& u) {
        u.moveTo(from);
        u.press();
        u.glide(from, from.offset(30, -10), 10, 15);
        u.pause(100);
        u.release();
    });
    runUntilDone();
    EXPECT_EQ(editor.calls, (std::vector<std::string>{"begin 1", "end 1"}));
    EXPECT_GT(listener.values.size(), 1u);
    EXPECT_GT(panel->knob->getValue(), 0.3f);
    auto after = host->screenshot();
    keep(after.get(), "toolkit-x11-after-drag");
    EXPECT_GT(differences(*before, *after, kKnob), 0);
    EXPECT_EQ(differences(*before, *after, Rect(0, 0, kWidth, kHeight)), differences(*before, *after, kKnob));
    auto expected = headlessPicture(panel->knob->getValue());
    EXPECT_EQ(differences(*after, *expected, Rect(0, 0, kWidth, kHeight)), 0);
}

TEST_F(X11WindowTest, AShortClickHandledLateTogglesTheButton) {
    openPanel();
    // The host is busy while the user clicks: the click waits in the queue.
    act([&](platform::X11User& u) { u.click(screen(centre(kButton)), 20); });
    while (!done) platform::X11User::pause(10);
    EXPECT_EQ(panel->button->getValue(), 0.0f);
    runHost(200);
    EXPECT_EQ(panel->button->getValue(), 1.0f);
    auto shot = host->screenshot();
    auto expected = headlessPicture(0.3f, 1.0f);
    EXPECT_EQ(differences(*shot, *expected, Rect(0, 0, kWidth, kHeight)), 0);
}

TEST_F(X11WindowTest, TheWheelTurnsTheKnobUnderThePointer) {
    openPanel();
    act([&](platform::X11User& u) {
        u.wheel(screen(centre(kKnob)), true);
        u.wheel(screen(centre(kKnob)), true);
    });
    runUntilDone();
    EXPECT_NEAR(panel->knob->getValue(), 0.5f, 1e-5f);
}

TEST_F(X11WindowTest, TheEditBoxTakesTypedTextUntilReturn) {
    openPanel();
    act([&](platform::X11User& u) { u.click(screen(centre(kText))); });
    runUntilDone();
    ASSERT_TRUE(panel->text->isEditing());
    act([&](platform::X11User& u) {
        u.typeText("Harp");
        u.key(XK_BackSpace, true);
        u.key(XK_BackSpace, false);
        u.typeText("e");
        u.key(XK_Return, true);
        u.key(XK_Return, false);
    });
    runUntilDone();
    EXPECT_FALSE(panel->text->isEditing());
    EXPECT_STREQ(panel->text->text(), "Hare");
}

struct EndedText : platform::EditBoxClient {
    std::vector<std::string> ended;
    void editBoxEnded(const char* text) override { ended.emplace_back(text); }
};

TEST_F(X11WindowTest, ClosingTheEditBoxHandsBackWhatWasTyped) {
    openPanel();
    EndedText client;
    platform::EditBoxRequest request;
    request.bounds = kText;
    request.text = "old";
    request.client = &client;
    platform::Window* window = panel->frame->getWindow();
    ASSERT_TRUE(window->openEditBox(request));
    act([&](platform::X11User& u) {
        u.moveTo(screen(centre(kText)));
        u.typeText("new");
    });
    runUntilDone();
    window->closeEditBox();
    EXPECT_EQ(client.ended, std::vector<std::string>{"new"});
}

TEST_F(X11WindowTest, APopupMenuChoosesTheEntryClicked) {
    openPanel();
    // The menu opens under the control; its second entry is 18 pixels down.
    const Point second = screen(Point(kMenu.left + 30, kMenu.bottom + 18 + 9));
    act([&](platform::X11User& u) {
        u.click(screen(centre(kMenu)));
        u.pause(400);
        u.glide(second.offset(0, -10), second, 5, 10);
        u.click(second);
    });
    runUntilDone();
    EXPECT_EQ(panel->menu->getCurrent(), 1);

    // A click outside dismisses it without a choice.
    act([&](platform::X11User& u) {
        u.click(screen(centre(kMenu)));
        u.pause(400);
        u.click(screen(Point(400, 20)));
    });
    runUntilDone();
    EXPECT_EQ(panel->menu->getCurrent(), 1);
}

TEST_F(X11WindowTest, TheHostMayDestroyItsWindowFirstManyTimes) {
    for (int i = 0; i < 50; ++i) {
        openPanel(0.3f, 80);
        if (i % 2) panel->frame->setCursor(2);
        host->destroy();
        // Every other time the editor idles once more before it is closed.
        if (i % 2) runHost(40);
        EXPECT_TRUE(i % 2 == 0 || !panel->frame->isOpen());
        panel.reset();
        host = openHostWindow(kWidth, kHeight);
        ASSERT_TRUE(host);
    }
}

TEST_F(X11WindowTest, AParentThatIsNoWindowGetsNoWindowAndNoError) {
    PumpingEditor quiet;
    Frame frame(Rect(0, 0, 40, 40), reinterpret_cast<void*>(uintptr_t(0x7fffff01)), &quiet);
    EXPECT_EQ(frame.getWindow(), nullptr);
}

TEST_F(X11WindowTest, TwoFramesLiveSideBySide) {
    openPanel();
    auto otherHost = openHostWindow(kWidth, kHeight, Point(40, 400));
    PumpingEditor otherEditor;
    ValueListener otherListener;
    Panel other(otherHost->handle(), otherEditor, &otherListener);
    const Point from = screen(Point(kKnob.left + 5, kKnob.top + 10));
    act([&](platform::X11User& u) {
        u.moveTo(from);
        u.press();
        u.glide(from, from.offset(30, -10), 10, 15);
        u.release();
    });
    while (!done) {
        panel->frame->idle();
        other.frame->idle();
        platform::X11User::pause(40);
    }
    for (int i = 0; i < 5; ++i) {
        panel->frame->idle();
        other.frame->idle();
        platform::X11User::pause(40);
    }
    EXPECT_GT(panel->knob->getValue(), 0.3f);
    EXPECT_FLOAT_EQ(other.knob->getValue(), 0.3f);
    auto shot = otherHost->screenshot();
    EXPECT_EQ(backgroundPixels(*shot), 0);
}

// Takes every drop and keeps what came.
struct DropCatcher : View {
    DropCatcher() : View(Rect(250, 100, 450, 200)) {}
    void draw(DrawContext*) override {}
    bool onDrop(void** items, int count, DropKind type, Point where) override {
        kind = type;
        at = where;
        if (type == DropKind::text) texts.emplace_back(static_cast<const char*>(items[0]), std::size_t(count));
        else
            for (int i = 0; i < count; ++i) texts.emplace_back(static_cast<const char*>(items[i]));
        return true;
    }
    DropKind kind = DropKind::text;
    Point at;
    std::vector<std::string> texts;
};

// A file manager's side of an XDND drag onto a window, on its own
// connection: enter, position, drop, then the data on request. Answers
// whether the target said it took the drop.
bool dragFiles(::Window target, Point screen, const std::string& uriList) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    const ::Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    auto atom = [&](const char* name) { return XInternAtom(d, name, False); };
    const Atom selection = atom("XdndSelection");
    const Atom uri = atom("text/uri-list");
    XSetSelectionOwner(d, selection, source, CurrentTime);
    auto send = [&](const char* type, long l1, long l2, long l3, long l4) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = target;
        e.xclient.message_type = atom(type);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(source);
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(d, target, False, NoEventMask, &e);
        XSync(d, False);
    };
    // Waits up to two seconds for an event of a type on the source.
    auto await = [&](int type, XEvent& e) {
        for (int i = 0; i < 200; ++i) {
            while (XPending(d)) {
                XNextEvent(d, &e);
                if (e.type == type) return true;
            }
            platform::X11User::pause(10);
        }
        return false;
    };
    bool accepted = false;
    send("XdndEnter", 5L << 24, long(uri), 0, 0);
    send("XdndPosition", 0, (long(screen.h) << 16) | screen.v, CurrentTime, long(atom("XdndActionCopy")));
    XEvent e;
    if (await(ClientMessage, e) && e.xclient.data.l[1] & 1) {
        send("XdndDrop", 0, CurrentTime, 0, 0);
        if (await(SelectionRequest, e)) {
            const XSelectionRequestEvent& r = e.xselectionrequest;
            XChangeProperty(d, r.requestor, r.property, r.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uriList.data()), int(uriList.size()));
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = r.requestor;
            reply.xselection.selection = r.selection;
            reply.xselection.target = r.target;
            reply.xselection.property = r.property;
            reply.xselection.time = r.time;
            XSendEvent(d, r.requestor, False, NoEventMask, &reply);
            XSync(d, False);
            accepted = await(ClientMessage, e) && e.xclient.message_type == atom("XdndFinished") &&
                       (e.xclient.data.l[1] & 1);
        }
    }
    XCloseDisplay(d);
    return accepted;
}

TEST_F(X11WindowTest, FilesDroppedFromAFileManagerReachTheViewUnderThePointer) {
    openPanel();
    auto* catcher = new DropCatcher;
    panel->frame->addView(catcher);
    const ::Window target = static_cast<platform::X11Window*>(panel->frame->getWindow())->xid();
    std::atomic<bool> accepted{false};
    act([&](platform::X11User&) {
        accepted = dragFiles(target, screen(Point(300, 150)), "file:///tmp/My%20Song.mid\r\nfile:///tmp/b.wav\r\n");
    });
    runUntilDone();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(catcher->kind, DropKind::files);
    EXPECT_EQ(catcher->texts, (std::vector<std::string>{"/tmp/My Song.mid", "/tmp/b.wav"}));
    EXPECT_EQ(catcher->at, Point(300, 150));
}

TEST(X11Drop, FileUrisBecomeLocalNames) {
    const auto files = platform::filesFromUriList(
        "# comment\r\nfile:///home/a/My%20Song.mid\r\nfile://localhost/tmp/x.wav\r\n"
        "file://elsewhere/tmp/y\r\nhttp://example/z\r\nfile:///bad%zzname\r\n");
    EXPECT_EQ(files, (std::vector<std::string>{"/home/a/My Song.mid", "/tmp/x.wav", "/bad%zzname"}));
}

} // namespace
} // namespace strellon::test

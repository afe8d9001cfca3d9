// The frame: window class, view list, clicks, keys, wheel, drops, drawing
// and the idle update.
#include "ToolkitFixture.h"
#include "toolkit/Buttons.h"

namespace strellon::test {
namespace {

struct Probe : Control {
    explicit Probe(const Rect& r, int key = -100) : Control(r, nullptr, 0), key_(key) {}
    void draw(DrawContext* context) override {
        ++draws;
        if (context) {
            context->setFillColor(colour);
            context->fillRect(Rect(size_.left - 1, size_.top - 1, size_.right, size_.bottom));
        }
        setDirty(false);
    }
    void onMouseDown(DrawContext*, Point where) override { clicks.push_back(where); }
    int onKeyDown(const KeyCode& key) override { return key.character == key_ ? key_ : -1; }
    bool onDrop(void**, int count, DropKind, Point) override {
        dropped = count;
        return accepts;
    }
    void loseFocus(DrawContext*) override { ++focusLost; }
    int draws = 0;
    int key_;
    int dropped = -1;
    int focusLost = 0;
    bool accepts = true;
    Color colour = red;
    std::vector<Point> clicks;
};

// A module that reports a fixed instance handle.
struct HandleModule : platform::Module {
    uintptr_t instanceHandle() const override { return 4194304; }
    std::unique_ptr<platform::Surface> loadBitmap(int) override { return nullptr; }
    std::unique_ptr<platform::Surface> createSurface(int, int) override { return nullptr; }
};

TEST_F(ToolkitTest, WindowClassIsSharedByFramesAndNamedAfterTheModule) {
    EXPECT_EQ(Frame::windowClassUseCount(), 1);
    Frame* second = new Frame(Rect(0, 0, 10, 10), &parentHandle, nullptr);
    EXPECT_EQ(Frame::windowClassUseCount(), 2);
    EXPECT_EQ(system.registrations(), 1);
    EXPECT_EQ(system.windows().size(), 2u);
    delete frame;
    frame = nullptr;
    EXPECT_EQ(system.registeredClasses().size(), 1u);
    delete second;
    EXPECT_TRUE(system.registeredClasses().empty());
    EXPECT_EQ(Frame::windowClassUseCount(), 0);

    HandleModule module;
    platform::setModule(&module);
    frame = new Frame(Rect(0, 0, 10, 10), &parentHandle, nullptr);
    EXPECT_STREQ(Frame::windowClassName(), "Plugin00400000");
    EXPECT_EQ(system.registeredClasses().count("Plugin00400000"), 1u);
    delete frame;
    frame = nullptr;
    platform::CairoModule::install();
}

TEST_F(ToolkitTest, NoParentMeansNoWindowAndAnHonestClassCount) {
    Frame* lone = new Frame(Rect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_EQ(lone->getWindow(), nullptr);
    EXPECT_EQ(Frame::windowClassUseCount(), 1);
    lone->drawView(nullptr);
    lone->idle();
    delete lone;
    EXPECT_EQ(Frame::windowClassUseCount(), 1);
}

TEST_F(ToolkitTest, ViewListHoldsEveryViewAndAnswersOutOfRangeWithNull) {
    for (int i = 0; i < 21; ++i) add(new Probe(Rect()));
    EXPECT_EQ(frame->getViewCount(), 21);
    EXPECT_EQ(frame->getViewAt(-1), nullptr);
    EXPECT_EQ(frame->getViewAt(21), nullptr);
    View* third = frame->getViewAt(2);
    EXPECT_EQ(third->getFrame(), frame);
    EXPECT_TRUE(frame->containsView(third));
    EXPECT_TRUE(frame->removeView(third));
    EXPECT_EQ(frame->getViewCount(), 20);
    EXPECT_FALSE(frame->containsView(third));
    EXPECT_FALSE(frame->addView(nullptr));
}

TEST_F(ToolkitTest, ClickGoesToTheViewAddedLastAndModalViewTakesAll) {
    Probe* under = add(new Probe(Rect(10, 10, 50, 50)));
    Probe* over = add(new Probe(Rect(30, 30, 70, 70)));
    click(Point(40, 40));
    EXPECT_EQ(over->clicks.size(), 1u);
    EXPECT_TRUE(under->clicks.empty());

    over->setMouseEnabled(false);
    click(Point(40, 40));
    EXPECT_EQ(under->clicks.size(), 1u);
    click(Point(50, 50));  // right-bottom edge still hits
    EXPECT_EQ(under->clicks.size(), 2u);

    Probe* modal = new Probe(Rect(100, 100, 120, 120));
    EXPECT_TRUE(frame->setModalView(modal));
    EXPECT_FALSE(frame->setModalView(under));
    click(Point(20, 20));
    EXPECT_EQ(under->clicks.size(), 2u);
    EXPECT_TRUE(modal->clicks.empty());
    click(Point(110, 110));
    EXPECT_EQ(modal->clicks.size(), 1u);
    EXPECT_EQ(frame->getCurrentView(), modal);
    EXPECT_TRUE(frame->setModalView(nullptr));
    modal->release();
}

TEST_F(ToolkitTest, KeysGoToFocusThenModalThenTopDown) {
    Probe* a = add(new Probe(Rect(), 'a'));
    Probe* b = add(new Probe(Rect(), 'b'));
    KeyCode key;
    key.character = 'a';
    EXPECT_EQ(frame->onKeyDown(key), 'a');
    key.character = 'z';
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(frame->onKeyUp(key), -1);

    frame->setFocusView(a);
    frame->setFocusView(b);
    EXPECT_EQ(a->focusLost, 1);
    click(Point(5, 5));  // any click clears the focus
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(b->focusLost, 1);
}

TEST_F(ToolkitTest, RemovingTheFocusViewClearsIt) {
    Probe* a = add(new Probe(Rect()));
    a->retain();
    frame->setFocusView(a);
    frame->removeView(a, true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    a->release();
}

TEST_F(ToolkitTest, WheelGoesToTheViewUnderTheCursor) {
    struct WheelProbe : Probe {
        using Probe::Probe;
        bool onWheel(DrawContext* context, Point where, float distance) override {
            at = where;
            got = distance;
            return context != nullptr;
        }
        Point at;
        float got = 0;
    };
    auto* left = add(new WheelProbe(Rect(0, 0, 50, 50)));
    auto* right = add(new WheelProbe(Rect(60, 0, 100, 50)));
    system.setCursor(Point(70, 20));
    EXPECT_TRUE(frame->onWheel(nullptr, Point(1, 1), 2.0f));
    EXPECT_EQ(right->at, Point(70, 20));
    EXPECT_FLOAT_EQ(right->got, 2.0f);
    EXPECT_FLOAT_EQ(left->got, 0.0f);
    system.setCursor(Point(55, 20));
    EXPECT_FALSE(frame->onWheel(nullptr, Point(), 1.0f));
}

TEST_F(ToolkitTest, DropsReachTheTopmostAcceptingViewUnlessFocusOrModalIsSet) {
    Probe* bottom = add(new Probe(Rect(0, 0, 50, 50)));
    Probe* top = add(new Probe(Rect(0, 0, 50, 50)));
    top->accepts = false;
    const char* names[] = {"a", "b"};
    void** items = reinterpret_cast<void**>(const_cast<char**>(names));
    EXPECT_TRUE(window->dropActive());
    EXPECT_TRUE(window->drop(items, 2, platform::DropType::files, Point(10, 10)));
    EXPECT_EQ(top->dropped, 2);
    EXPECT_EQ(bottom->dropped, 2);
    frame->setFocusView(bottom);
    EXPECT_FALSE(frame->onDrop(items, 2, DropKind::files, Point(10, 10)));
}

TEST_F(ToolkitTest, IdleDrawsNothingBeforeTheFirstPaintThenOnlyDirtyViews) {
    Probe* a = add(new Probe(Rect(10, 10, 20, 20)));
    Probe* b = add(new Probe(Rect(30, 10, 40, 20)));
    frame->idle();
    EXPECT_EQ(a->draws, 0);
    EXPECT_TRUE(frame->isFirstDrawPending());

    window->paintAll();
    EXPECT_FALSE(frame->isFirstDrawPending());
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(window->pixel(15, 15), red);

    b->setValue(0.3f);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);

    frame->invalidate(Rect(20, 20, 25, 25));  // touches a's corner
    frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 2);
}

TEST_F(ToolkitTest, PaintDrawsTheBackgroundUnderTheAreaThenTheViewsInIt) {
    Bitmap* bg = new Bitmap(tb::kBackground);
    frame->setBackground(bg);
    bg->release();
    Probe* inside = add(new Probe(Rect(10, 10, 20, 20)));
    Probe* outside = add(new Probe(Rect(200, 100, 220, 120)));
    const Rect area(0, 0, 50, 50);
    window->invalidate(&area);
    EXPECT_TRUE(window->dispatchPendingPaint());
    EXPECT_EQ(inside->draws, 1);
    EXPECT_EQ(outside->draws, 0);
    EXPECT_EQ(window->pixel(40, 40), frame->getBackground()->getHandle()->getPixel(Point(40, 40)));
    EXPECT_EQ(window->pixel(15, 15), red);
    EXPECT_EQ(window->pixel(250, 150), black);  // outside the area: untouched
}

TEST_F(ToolkitTest, DestroyedWindowStopsTheIdleUpdate) {
    Probe* a = add(new Probe(Rect(10, 10, 20, 20)));
    window->paintAll();
    window->destroy();
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getParentWindow(), nullptr);
    a->setValue(0.7f);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    int x = 0, y = 0;
    EXPECT_FALSE(frame->getPosition(x, y));
}

TEST_F(ToolkitTest, EditBracketsAndTicksNeedAnEditor) {
    frame->beginEdit(7);
    frame->endEdit(7);
    frame->pumpIdle();
    EXPECT_EQ(brackets(), (std::vector<std::string>{"begin 7", "end 7"}));
    EXPECT_EQ(editor.idles, 1);
    EXPECT_EQ(frame->getTicks(), system.ticks());

    Frame* bare = new Frame(Rect(0, 0, 10, 10), &parentHandle, nullptr);
    EXPECT_EQ(bare->getTicks(), 0u);
    bare->beginEdit(1);
    delete bare;
    EXPECT_EQ(brackets().size(), 2u);
}

TEST_F(ToolkitTest, ButtonWordAndSwappedButtons) {
    {
        DrawContext context(frame, nullptr, window);
        platform::InputState s;
        s.left = true;
        s.shift = true;
        s.alt = true;
        system.script({{Point(), s, 0}});
        EXPECT_EQ(context.getMouseButtons(), kLButton | kShift | kAlt);
    }

    delete frame;
    system.setSwapped(true);
    frame = new Frame(Rect(0, 0, 300, 200), &parentHandle, &editor);
    window = system.lastWindow();
    DrawContext swapped(frame, nullptr, window);
    platform::InputState r;
    r.right = true;
    r.middle = true;
    r.control = true;
    system.script({{Point(), r, 0}, {Point(), leftButton(), 0}});
    EXPECT_EQ(swapped.getMouseButtons(), kLButton | kMButton | kControl);
    EXPECT_EQ(swapped.getMouseButtons(), kRButton);
}

TEST_F(ToolkitTest, MouseLocationIsRelativeToTheWindow) {
    system.setWindowOrigin(Point(500, 300));
    DrawContext context(frame, nullptr, window);
    system.setCursor(Point(12, 34));
    Point p;
    context.getMouseLocation(p);
    EXPECT_EQ(p, Point(12, 34));
    frame->getCurrentLocation(p);
    EXPECT_EQ(p, Point(12, 34));
}

TEST_F(ToolkitTest, CursorTypesAndTheSavedCursor) {
    window->setCursor(platform::CursorShape::sizeAll);
    frame->setCursor(1);
    EXPECT_EQ(window->cursor(), platform::CursorShape::wait);
    frame->setCursor(6);
    EXPECT_EQ(window->cursor(), platform::CursorShape::sizeNWSE);
    frame->setCursor(9);
    EXPECT_EQ(window->cursor(), platform::CursorShape::sizeNWSE);
    frame->setCursor(0);
    EXPECT_EQ(window->cursor(), platform::CursorShape::sizeAll);
}

TEST_F(ToolkitTest, SetSizeResizesTheWindowOnce) {
    EXPECT_FALSE(frame->setSize(300, 200));
    EXPECT_TRUE(frame->setSize(320, 240));
    EXPECT_EQ(window->width(), 320);
    EXPECT_EQ(frame->getBounds(), Rect(0, 0, 320, 240));
    // Without the host's help the windows that hold the frame grow too.
    EXPECT_EQ(window->parentResizes(), 1);
}

} // namespace
} // namespace strellon::test

namespace strellon::test {
namespace {

struct HostEditor : RecordingEditor {
    void* answer = nullptr;
    HostWindowRecord seen;
    int closes = 0;
    void* openWindow(HostWindowRecord& record) override {
        seen = record;
        return answer;
    }
    bool closeWindow(HostWindowRecord&) override {
        ++closes;
        return true;
    }
};

TEST_F(ToolkitTest, HostWindowModeOpensOnlyWithTheHostsWindow) {
    HostEditor host;
    Frame* hosted = new Frame(Rect(5, 6, 105, 56), "Strellon", &host, 3);
    EXPECT_FALSE(hosted->isOpen());
    EXPECT_EQ(hosted->getWindow(), nullptr);
    EXPECT_FALSE(hosted->openHostWindow());  // the host gives no window
    EXPECT_FALSE(hosted->isOpen());

    host.answer = &parentHandle;
    const Point at(40, 50);
    EXPECT_TRUE(hosted->openHostWindow(&at));
    EXPECT_STREQ(host.seen.title, "Strellon");
    EXPECT_EQ(host.seen.xPos, 40);
    EXPECT_EQ(host.seen.width, 100);
    EXPECT_EQ(host.seen.style, 3);
    ASSERT_NE(hosted->getWindow(), nullptr);
    EXPECT_FALSE(hosted->openHostWindow());  // already open: raised instead
    EXPECT_EQ(system.lastWindow()->timesRaised(), 1);
    EXPECT_TRUE(hosted->closeHostWindow());
    EXPECT_FALSE(hosted->closeHostWindow());
    delete hosted;
    EXPECT_EQ(host.closes, 1);
    EXPECT_FALSE(frame->openHostWindow());
}

TEST_F(ToolkitTest, WaitDragAnswersWhenThePointerLeavesItsBox) {
    DrawContext context(frame, nullptr, window);
    system.setCursor(Point(50, 50));
    system.script({{Point(51, 52), leftButton(), 0}, {Point(54, 50), leftButton(), 0}});
    EXPECT_TRUE(context.waitDrag());
    system.setCursor(Point(50, 50));
    system.script({{Point(51, 51), leftButton(), 0}, {Point(51, 51), {}, 0}});
    EXPECT_FALSE(context.waitDrag());
    DrawContext bare(nullptr, nullptr, window);
    EXPECT_FALSE(bare.waitDrag());
}

TEST_F(ToolkitTest, WaitDoubleClickNeedsASecondPressInTimeAndInPlace) {
    DrawContext context(frame, nullptr, window);
    system.setCursor(Point(50, 50));
    system.script({{Point(50, 50), {}, 0}, {Point(51, 50), leftButton(), 0}});
    EXPECT_TRUE(context.waitDoubleClick());
    system.setCursor(Point(50, 50));
    system.script({{Point(50, 50), {}, 0}, {Point(58, 50), leftButton(), 0}});
    EXPECT_FALSE(context.waitDoubleClick());
    system.setCursor(Point(50, 50));
    system.script({});
    EXPECT_FALSE(context.waitDoubleClick());  // time runs out
}

} // namespace
} // namespace strellon::test

// View and control base rules, and the nested views of a container.
#include <cmath>

#include "ToolkitFixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/ViewContainer.h"

namespace strellon::test {
namespace {

struct CountedView : View {
    CountedView(const Rect& r, int* deaths) : View(r), deaths_(deaths) {}
    ~CountedView() override { ++*deaths_; }
    int* deaths_;
};

// A control that records the clicks and draws it gets.
struct ProbeControl : Control {
    explicit ProbeControl(const Rect& r, ControlListener* l = nullptr, int tag = 0) : Control(r, l, tag) {}
    void draw(DrawContext*) override {
        ++draws;
        setDirty(false);
    }
    void onMouseDown(DrawContext* context, Point where) override {
        clicks.push_back(where);
        if (context) context->getMouseLocation(pointer);
    }
    bool onWheel(DrawContext*, Point where, float) override {
        wheels.push_back(where);
        return true;
    }
    int onKeyDown(const KeyCode& key) override { return key.character == takes ? 1 : -1; }
    int draws = 0;
    int takes = -100;
    std::vector<Point> clicks;
    std::vector<Point> wheels;
    Point pointer;
};

TEST(ViewBase, HitTestAndIntersectionIncludeTheRightAndBottomEdges) {
    View* v = new View(Rect(10, 10, 20, 20));
    EXPECT_TRUE(v->hitTest(Point(20, 20), 0));
    EXPECT_TRUE(v->hitTest(Point(10, 10), 0));
    EXPECT_FALSE(v->hitTest(Point(21, 15), 0));
    EXPECT_TRUE(v->intersects(Rect(20, 0, 30, 10)));
    EXPECT_FALSE(v->intersects(Rect(21, 0, 30, 10)));
    EXPECT_FALSE(Rect(10, 10, 20, 20).pointInside(Point(20, 15)));
    v->release();
}

TEST(ViewBase, ReleaseDeletesOnceAndThenDoesNothing) {
    int deaths = 0;
    View* v = new CountedView(Rect(), &deaths);
    v->retain();
    EXPECT_EQ(v->referenceCount(), 2);
    v->release();
    EXPECT_EQ(deaths, 0);
    v->release();
    EXPECT_EQ(deaths, 1);
}

TEST(ControlBase, DirtyFollowsTheValueAndSetDirtyForcesIt) {
    ProbeControl* c = new ProbeControl(Rect(0, 0, 10, 10));
    EXPECT_TRUE(c->isDirty());  // new: old 1.0, value 0.0
    c->setDirty(false);
    EXPECT_FALSE(c->isDirty());
    c->setValue(0.25f);
    EXPECT_TRUE(c->isDirty());
    c->setDirty(false);
    EXPECT_FLOAT_EQ(c->getOldValue(), 0.25f);

    c->setValue(-1.0f);
    c->setDirty(true);
    EXPECT_FLOAT_EQ(c->getOldValue(), 0.0f);
    c->setDirty(false);
    c->setDirty(true);
    EXPECT_TRUE(c->isDirty());

    c->setDirty(false);
    c->setValue(NAN);
    EXPECT_TRUE(c->isDirty());
    c->release();
}

TEST(ControlBase, ClampValueChecksTheMaximumFirst) {
    ProbeControl* c = new ProbeControl(Rect());
    c->setMin(2.0f);
    c->setMax(1.0f);
    c->setValue(1.5f);
    c->clampValue();
    EXPECT_FLOAT_EQ(c->getValue(), 1.0f);
    c->setMin(0.0f);
    c->setValue(-3.0f);
    c->clampValue();
    EXPECT_FLOAT_EQ(c->getValue(), 0.0f);
    c->release();
}

TEST_F(ToolkitTest, DoubleClickTimeIsAtLeast250AndPairsDoNotChain) {
    system.setDoubleClickTime(100);
    ProbeControl* c = add(new ProbeControl(Rect(0, 0, 10, 10)));
    EXPECT_FALSE(c->isDoubleClick());
    system.advanceClock(200);
    EXPECT_TRUE(c->isDoubleClick());
    system.advanceClock(10);
    EXPECT_FALSE(c->isDoubleClick());  // a third click starts a new pair
    system.advanceClock(260);
    EXPECT_FALSE(c->isDoubleClick());
}

TEST_F(ToolkitTest, ControlHoldsOneReferenceToItsBackground) {
    Bitmap* b = new Bitmap(tb::kOnOff);
    OnOffButton* button = new OnOffButton(Rect(0, 0, 40, 20), nullptr, 0, b);
    EXPECT_EQ(b->referenceCount(), 2);
    button->setBackground(nullptr);
    EXPECT_EQ(b->referenceCount(), 1);
    button->setBackground(b);
    button->release();
    EXPECT_EQ(b->referenceCount(), 1);
    b->release();
}

TEST_F(ToolkitTest, ContainerPassesClicksInItsOwnCoordinatesFirstChildFirst) {
    auto* container = add(new ViewContainer(Rect(100, 50, 200, 150), frame));
    auto* first = new ProbeControl(Rect(10, 10, 30, 30));
    auto* second = new ProbeControl(Rect(10, 10, 30, 30));
    container->addView(first);
    container->addView(second);
    EXPECT_EQ(first->referenceCount(), 2);  // the creator's and the container's
    EXPECT_EQ(container->getViewCount(), 2);
    EXPECT_EQ(container->getViewAt(1), second);
    EXPECT_EQ(container->getViewAt(2), nullptr);

    system.setCursor(Point(120, 70));
    click(Point(120, 70));
    ASSERT_EQ(first->clicks.size(), 1u);
    EXPECT_EQ(first->clicks[0], Point(20, 20));
    EXPECT_EQ(first->pointer, Point(20, 20));
    EXPECT_TRUE(second->clicks.empty());

    system.setCursor(Point(115, 65));
    EXPECT_TRUE(frame->onWheel(nullptr, Point(), 1.0f));
    ASSERT_EQ(first->wheels.size(), 1u);
    EXPECT_EQ(first->wheels[0], Point(15, 15));
    // The container's own removal releases the creators' references too.
}

TEST_F(ToolkitTest, ContainerIsDirtyWithItsChildrenAndDrawsThemThroughItsOffscreen) {
    auto* container = add(new ViewContainer(Rect(100, 50, 200, 150), frame));
    container->setBackgroundColor(blue);
    auto* child = new ProbeControl(Rect(0, 0, 10, 10));
    container->addView(child);
    window->paintAll();
    EXPECT_EQ(child->draws, 1);
    EXPECT_TRUE(container->hasOffscreen());
    EXPECT_EQ(window->pixel(150, 100), blue);
    EXPECT_FALSE(container->isDirty());

    child->setValue(0.5f);
    EXPECT_TRUE(container->isDirty());
    frame->idle();
    EXPECT_EQ(child->draws, 2);

    container->setDrawOffscreen(false);
    EXPECT_FALSE(container->hasOffscreen());
    container->setBackgroundColor(red);
    container->setDirty(true);
    frame->idle();
    EXPECT_EQ(window->pixel(150, 100), red);
    EXPECT_EQ(window->pixel(99, 100), window->pixel(98, 100));
}

TEST_F(ToolkitTest, ContainerKeysAndTheCheckMessage) {
    auto* container = add(new ViewContainer(Rect(0, 0, 50, 50), frame));
    auto* child = new ProbeControl(Rect(0, 0, 10, 10));
    child->takes = 'a';
    container->addView(child);
    KeyCode key;
    key.character = 'a';
    EXPECT_EQ(container->onKeyDown(key), -1);  // taken by the child, still -1
    EXPECT_EQ(container->notify(nullptr, kMsgCheckIfViewContainer), 1);
    char copy[] = "kMsgCheckIfViewContainer";
    EXPECT_EQ(container->notify(nullptr, copy), 0);
}

} // namespace
} // namespace strellon::test

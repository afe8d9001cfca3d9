#pragma once
#include <list>
#include <memory>

#include "toolkit/Colors.h"
#include "toolkit/View.h"

namespace strellon {

class OffscreenContext;

// Asked with notify to learn whether a view is a container; compared by
// address, not by content.
extern const char kMsgCheckIfViewContainer[];

// A view that holds nested views in coordinates relative to its top-left.
// Children are tried in the order added, first first.
class ViewContainer : public View {
public:
    ViewContainer(const Rect& size, Frame* frame, Bitmap* background = nullptr);

    void draw(DrawContext* context) override;
    void drawArea(DrawContext* context, const Rect& update) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void redrawIfDirty(DrawContext* context) override;
    int notify(View* sender, const char* message) override;
    int onKeyDown(const KeyCode& key) override;
    int onKeyUp(const KeyCode& key) override;
    bool onDrop(void** items, int count, DropKind type, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    void loseFocus(DrawContext* context) override;
    void takeFocus(DrawContext* context) override;
    bool isDirty() const override;
    void setBounds(const Rect& r) override;
    void setFrame(Frame* frame) override;

    virtual void addView(View* view, const Rect& mouseArea, bool mouseEnabled);
    virtual void addView(View* view);
    virtual void removeView(View* view, bool releaseView = true);
    virtual void removeAllViews(bool releaseView = true);
    virtual bool containsView(View* view) const;
    virtual int getViewCount() const;
    virtual View* getViewAt(int index) const;
    virtual void setBackgroundColor(Color c) { backgroundColor_ = c; }
    virtual Color getBackgroundColor() const { return backgroundColor_; }
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground() const { return background_; }
    virtual void setBackgroundOffset(Point p) { backgroundOffset_ = p; }
    virtual Point getBackgroundOffset() const { return backgroundOffset_; }
    virtual void setMode(int mode) { mode_ = mode; }
    virtual int getMode() const { return mode_; }
    virtual void setDrawOffscreen(bool flag);

    bool hasOffscreen() const { return offscreen_ != nullptr; }

protected:
    ~ViewContainer() override;

private:
    void drawBackgroundRect(DrawContext* context, const Rect& local);
    void drawInto(DrawContext* context);
    OffscreenContext* ensureOffscreen();

    std::list<View*> children_;
    Bitmap* background_ = nullptr;
    std::unique_ptr<OffscreenContext> offscreen_;
    Color backgroundColor_ = black;
    Point backgroundOffset_;
    int mode_ = 0;
    bool drawOffscreen_ = true;
};

} // namespace strellon

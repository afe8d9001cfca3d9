#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Window.h"
#include "toolkit/View.h"

namespace strellon {

class Bitmap;
class DrawContext;
class FrameEditor;
struct HostWindowRecord;

// The root of the toolkit: its own child window in the host's window, the
// flat list of top-level views (later ones on top), the background, the
// modal and focus views, and the path from controls to the editor. Lives on
// the UI thread.
class Frame : public View, private platform::WindowClient {
public:
    // UI thread. Creates the window when a parent is given.
    Frame(const Rect& size, void* parentWindow, FrameEditor* editor);
    // UI thread. Host-window mode: no window until openHostWindow, which
    // asks the host for a window of its own to put the frame in.
    Frame(const Rect& size, const char* title, FrameEditor* editor, int style);
    ~Frame() override;

    bool createWindow(void* parentWindow);
    bool openHostWindow(const Point* position = nullptr);
    bool closeHostWindow();
    const HostWindowRecord* hostWindowRecord() const { return hostRecord_.get(); }
    bool setDropActive(bool active);

    virtual bool addView(View* view);
    virtual bool removeView(View* view, bool releaseView = true);
    virtual bool removeAllViews(bool releaseView = true);
    virtual bool containsView(View* view) const;
    virtual int getViewCount() const { return int(views_.size()); }
    virtual View* getViewAt(int index) const;

    void setBackground(Bitmap* bitmap);
    Bitmap* getBackground() const { return background_; }
    FrameEditor* getEditor() override { return editor_; }
    bool setModalView(View* view);
    View* getModalView() const { return modalView_; }
    void setFocusView(View* view);
    View* getFocusView() const { return focusView_; }

    void beginEdit(int tag);
    void endEdit(int tag);
    void pumpIdle();
    uint32_t getTicks() const;
    // Any thread: the knob mode is process-wide, the last setting of any
    // editor holds for every frame.
    static int getKnobMode() { return knobMode_.load(std::memory_order_relaxed); }
    static void setKnobMode(int mode) { knobMode_.store(mode, std::memory_order_relaxed); }
    void getCurrentLocation(Point& out) const;
    View* getCurrentView() const;
    void invalidate(const Rect& r);
    void drawView(View* view);
    void setCursor(int type);
    bool setSize(int width, int height);
    bool getPosition(int& x, int& y) const;
    bool getSize(Rect& out) const;
    void idle();

    void draw(DrawContext* context) override;
    void drawArea(DrawContext* context, const Rect& update) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void redrawIfDirty(DrawContext* context) override;
    int onKeyDown(const KeyCode& key) override;
    int onKeyUp(const KeyCode& key) override;
    bool onDrop(void** items, int count, DropKind type, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;

    bool isOpen() const { return open_; }
    bool isFirstDrawPending() const { return firstDrawPending_; }
    void* getParentWindow() const { return parentWindow_; }
    platform::Window* getWindow() const { return window_.get(); }
    // Event handlers draw into this context instead of a temporary one; the
    // frame takes ownership.
    void setCurrentContext(DrawContext* context);
    DrawContext* getCurrentContext() const { return currentContext_; }
    int getViewCapacity() const { return capacity_; }

    static const char* windowClassName() { return className_; }
    static int windowClassUseCount() { return classUseCount_; }
    static bool buttonsSwapped() { return swapButtons_; }

private:
    void windowPaint(platform::Surface& surface, const Rect& area) override;
    void windowMouseDown(Point where, const std::optional<platform::InputState>& pressed) override;
    void windowWheel(Point where, float distance, const platform::InputState& held) override;
    int windowKey(const platform::KeyEvent& key, bool down) override;
    void windowDestroyed() override;
    bool windowDrop(void** items, int count, platform::DropType type, Point where) override;

    static bool registerWindowClass();
    static void unregisterWindowClass();
    // A context on the window, when no current context is set.
    std::unique_ptr<DrawContext> temporaryContext();
    // The current context, else a temporary one that lives in the given holder.
    DrawContext* eventContext(std::unique_ptr<DrawContext>& temporary);
    bool anythingDirty() const;
    int dispatchKey(int (View::*handler)(const KeyCode&), const KeyCode& key);

    FrameEditor* editor_;
    void* parentWindow_;
    Bitmap* background_ = nullptr;
    std::vector<View*> views_;
    int capacity_ = 0;
    View* modalView_ = nullptr;
    View* focusView_ = nullptr;
    bool firstDrawPending_ = true;
    bool open_ = true;
    bool dropActive_ = false;
    std::unique_ptr<platform::Window> window_;
    DrawContext* currentContext_ = nullptr;
    std::unique_ptr<HostWindowRecord> hostRecord_;
    bool cursorSaved_ = false;
    platform::CursorShape savedCursor_ = platform::CursorShape::arrow;

    static char className_[64];
    static int classUseCount_;
    static bool swapButtons_;
    static std::atomic<int> knobMode_;
};

} // namespace strellon

#pragma once
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "platform/cairo/CairoSurface.h"

namespace strellon::platform {

class HeadlessWindowSystem;

// One scripted moment of the mouse: where the pointer is (window
// coordinates), which buttons and modifiers are down, and how far the clock
// moves when this moment is reached.
struct ScriptStep {
    Point cursor;
    InputState input;
    uint32_t advance = 0;
};

// A window without a screen: it paints into a cairo image that a test can
// read or save, and hands mouse presses, drops and destruction to its client
// when the test says so.
class HeadlessWindow final : public Window {
public:
    HeadlessWindow(HeadlessWindowSystem& system, int width, int height, WindowClient* client);
    ~HeadlessWindow() override;

    Point screenOrigin() const override;
    int width() const override { return image_->width(); }
    int height() const override { return image_->height(); }
    void resize(int width, int height) override;
    void resizeWithParents(int width, int height) override {
        resize(width, height);
        ++parentResizes_;
    }
    std::unique_ptr<Surface> drawingSurface() override;
    void invalidate(const Rect* area) override;
    bool dispatchPendingPaint() override;
    void processEvents() override;
    CursorShape cursor() const override { return cursor_; }
    void setCursor(CursorShape shape) override { cursor_ = shape; }
    bool setDropActive(bool active) override;
    bool openEditBox(const EditBoxRequest& request) override;
    void closeEditBox() override;
    int popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                  MenuPainter* painter) override;
    bool hostPosition(Point& out) const override;
    bool hostSize(Rect& out) const override;
    void raiseHostWindow() override { ++raised_; }

    // Test side.
    void paintAll();
    // A press handled now; the toolkit reads the buttons live.
    void pressMouse(Point where);
    // Events that wait for the next processEvents, as a real window's do.
    void queuePress(Point where, const InputState& pressed);
    void queueWheel(Point where, float distance, const InputState& held = {});
    void queueKey(const KeyEvent& key, bool down = true);
    int eventsProcessed() const { return processed_; }
    // Text typed into the open edit box (it starts as the request's text).
    void typeInEditBox(const std::string& text) { typed_ = text; }
    bool drop(void** items, int count, DropType type, Point where);
    void destroy();
    // Ends an open edit as Return would, with this text.
    bool finishEdit(const char* text);
    bool editOpen() const { return editOpen_; }
    const EditBoxRequest& editRequest() const { return edit_; }
    const std::vector<MenuEntry>& lastMenu() const { return lastMenu_; }
    Point lastMenuPosition() const { return lastMenuAt_; }
    MenuAlign lastMenuAlign() const { return lastMenuAlign_; }
    int parentResizes() const { return parentResizes_; }
    bool dropActive() const { return dropActive_; }
    int timesRaised() const { return raised_; }
    bool paintPending() const { return pending_; }
    Color pixel(int x, int y) const { return image_->getPixel(Point(x, y)); }
    CairoSurface& image() { return *image_; }
    bool savePng(const std::string& path) const { return image_->savePng(path.c_str()); }

private:
    HeadlessWindowSystem& system_;
    std::unique_ptr<CairoSurface> image_;
    WindowClient* client_;
    bool pending_ = false;
    Rect pendingArea_;
    CursorShape cursor_ = CursorShape::arrow;
    bool dropActive_ = false;
    int raised_ = 0;
    bool editOpen_ = false;
    EditBoxRequest edit_;
    std::string typed_;
    std::vector<MenuEntry> lastMenu_;
    struct Event {
        enum Kind { press, wheel, key } kind;
        Point where;
        InputState input;
        float distance = 0.0f;
        KeyEvent keyEvent;
        bool down = true;
    };
    std::deque<Event> events_;
    bool handling_ = false;
    int processed_ = 0;
    Point lastMenuAt_;
    MenuAlign lastMenuAlign_ = MenuAlign::below;
    int parentResizes_ = 0;
};

// Window services driven by a script: every poll of the input takes the next
// step, and once the script runs out every button and key is up, so the
// polling loops of the controls always end.
class HeadlessWindowSystem final : public WindowSystem {
public:
    bool registerClass(const char* name) override;
    void unregisterClass(const char* name) override;
    std::unique_ptr<Window> createWindow(void* parent, const char* className, int width, int height,
                                         WindowClient* client) override;
    InputState input() override;
    Point cursorScreenPosition() override;
    bool buttonsSwapped() override { return swapped_; }
    uint32_t ticks() override { return clock_; }
    void sleep(uint32_t milliseconds) override { clock_ += milliseconds; }
    int doubleClickTime() override { return doubleClickTime_; }
    // Answers the file dialog from the test's queue; records the request.
    std::vector<std::string> runFileDialog(const FileDialogRequest& request) override;

    // Test side.
    void script(std::vector<ScriptStep> steps);
    void addSteps(const std::vector<ScriptStep>& steps);
    std::size_t stepsLeft() const { return script_.size(); }
    int polls() const { return polls_; }
    void setCursor(Point windowPosition) { current_.cursor = windowPosition; }
    void setWindowOrigin(Point origin) { origin_ = origin; }
    Point windowOrigin() const { return origin_; }
    void setSwapped(bool swapped) { swapped_ = swapped; }
    void setDoubleClickTime(int ms) { doubleClickTime_ = ms; }
    void advanceClock(uint32_t ms) { clock_ += ms; }
    void queueMenuChoice(int command) { menuChoices_.push_back(command); }
    void queueFileChoice(std::vector<std::string> paths) { fileChoices_.push_back(std::move(paths)); }
    const std::vector<FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
    int takeMenuChoice();
    const std::set<std::string>& registeredClasses() const { return classes_; }
    int registrations() const { return registrations_; }
    const std::vector<HeadlessWindow*>& windows() const { return windows_; }
    HeadlessWindow* lastWindow() const { return windows_.empty() ? nullptr : windows_.back(); }
    void forget(HeadlessWindow* window);

private:
    std::deque<ScriptStep> script_;
    ScriptStep current_;
    Point origin_{200, 100};
    bool swapped_ = false;
    uint32_t clock_ = 1000;
    int doubleClickTime_ = 500;
    int polls_ = 0;
    std::deque<int> menuChoices_;
    std::deque<std::vector<std::string>> fileChoices_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::set<std::string> classes_;
    int registrations_ = 0;
    std::vector<HeadlessWindow*> windows_;
};

} // namespace strellon::platform

#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace strellon::platform {

class DropTarget;

// The toolkit's child window on Windows: a window of the frame's class in
// the host's window. Paints, button presses, owner-drawn menu items, the
// edit box's colours and its destruction go to the client.
class Win32Window final : public Window {
public:
    // Null when the window cannot be created.
    static std::unique_ptr<Win32Window> create(HWND parent, const char* className, HINSTANCE instance,
                                               int width, int height, WindowClient* client);
    ~Win32Window() override;

    HWND handle() const { return hwnd_; }

    Point screenOrigin() const override;
    int width() const override;
    int height() const override;
    void resize(int width, int height) override;
    void resizeWithParents(int width, int height) override;
    std::unique_ptr<Surface> drawingSurface() override;
    void invalidate(const Rect* area) override;
    bool dispatchPendingPaint() override;
    // The host's message loop brings every message to the window procedure
    // as it comes: nothing waits here.
    void processEvents() override {}
    CursorShape cursor() const override { return cursor_; }
    void setCursor(CursorShape shape) override;
    bool setDropActive(bool active) override;
    bool openEditBox(const EditBoxRequest& request) override;
    void closeEditBox() override;
    int popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                  MenuPainter* painter) override;
    bool hostPosition(Point& out) const override;
    bool hostSize(Rect& out) const override;
    void raiseHostWindow() override;

    // The window procedure of the frame's class.
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    // The edit box's own messages: Return and the loss of focus end it.
    static LRESULT CALLBACK editProcedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);

private:
    Win32Window(HWND hwnd, WindowClient* client);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void endEdit();

    HWND hwnd_;
    WindowClient* client_;
    CursorShape cursor_ = CursorShape::arrow;
    DropTarget* dropTarget_ = nullptr;
    bool oleStarted_ = false;

    HWND edit_ = nullptr;
    WNDPROC editOldProc_ = nullptr;
    HFONT editFont_ = nullptr;
    HBRUSH editBrush_ = nullptr;
    EditBoxRequest editRequest_;
    bool editEnding_ = false;
    bool editEnded_ = false;  // its text went to the client

    MenuPainter* menuPainter_ = nullptr;
    std::vector<std::string> menuTexts_;  // by owner-draw item data - 1
};

// Window services of Windows: the frame's class, the polled mouse and keys,
// the tick count and sleeping.
class Win32WindowSystem final : public WindowSystem {
public:
    explicit Win32WindowSystem(HINSTANCE instance) : instance_(instance) {}

    bool registerClass(const char* name) override;
    void unregisterClass(const char* name) override;
    std::unique_ptr<Window> createWindow(void* parent, const char* className, int width, int height,
                                         WindowClient* client) override;
    InputState input() override;
    Point cursorScreenPosition() override;
    bool buttonsSwapped() override { return GetSystemMetrics(SM_SWAPBUTTON) > 0; }
    uint32_t ticks() override { return GetTickCount(); }
    void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }
    int doubleClickTime() override { return int(GetDoubleClickTime()); }
    Color systemColor(SystemColor which) override;
    // The common open and save dialogs (and a folder mode built on them).
    std::vector<std::string> runFileDialog(const FileDialogRequest& request) override;

private:
    HINSTANCE instance_;
};

// The library's bitmap resources and memory surfaces. Bitmaps come from the
// module's resources, else from the compiled-in bitmap registry (tests).
class Win32Module final : public Module {
public:
    explicit Win32Module(HINSTANCE instance) : instance_(instance) {}
    uintptr_t instanceHandle() const override { return reinterpret_cast<uintptr_t>(instance_); }
    std::unique_ptr<Surface> loadBitmap(int id) override;
    std::unique_ptr<Surface> createSurface(int width, int height) override;

private:
    HINSTANCE instance_;
};

} // namespace strellon::platform

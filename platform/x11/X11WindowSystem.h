#pragma once
#include "platform/x11/Xlib.h"

#include <vector>

#include "platform/Window.h"

namespace strellon::platform {

class X11Window;

// Window services on an X server: child windows in the host's X window,
// each with its own connection; the pointer and modifier state read with
// XQueryPointer; a monotonic millisecond clock.
class X11WindowSystem final : public WindowSystem {
public:
    // UI thread. X has no window classes: registering always succeeds.
    bool registerClass(const char* name) override;
    void unregisterClass(const char* name) override;
    // UI thread. The parent is the host's X window id; null when the server
    // cannot be reached.
    std::unique_ptr<Window> createWindow(void* parent, const char* className, int width, int height,
                                         WindowClient* client) override;
    // UI thread, from the tracking loops: the pointer as the server sees it
    // now. All up when no window is open.
    InputState input() override;
    Point cursorScreenPosition() override;
    // The server maps the buttons before we see them.
    bool buttonsSwapped() override { return false; }
    uint32_t ticks() override;
    void sleep(uint32_t milliseconds) override;
    int doubleClickTime() override { return 400; }

    // The process's one instance, installed as the window system in use.
    static X11WindowSystem& install();

    // The windows register themselves so the pointer can be read on the
    // connection of one of them.
    void add(X11Window* window);
    void remove(X11Window* window);

private:
    // XQueryPointer on the root window of an open connection.
    bool queryPointer(int& rootX, int& rootY, unsigned& mask);

    std::vector<X11Window*> windows_;
};

// A connection to the display named by DISPLAY, or null. A server busy
// closing other connections may refuse one for a moment: a few tries.
Display* openDisplay();

// The modifier and button state of an X event or pointer query.
InputState inputFromMask(unsigned mask);
// A key event in the host interface's numbering; the key symbol and the
// Latin-1 text it types go to the optional outputs.
KeyEvent keyFromEvent(XKeyEvent& event, unsigned long* symbol = nullptr, char* typed = nullptr);

} // namespace strellon::platform

#pragma once
#include "platform/x11/Xlib.h"

#include <string>

#include "platform/Window.h"

namespace strellon::platform {

// Receives drops on our window through the XDND protocol (version 5): a
// list of files (text/uri-list, local file URIs only) or text. Sources that
// look for the deepest XDND-aware window under the pointer reach us; the
// others only see the host's top-level window.
class X11DropTarget {
public:
    // UI thread: marks the window as XDND-aware.
    X11DropTarget(Display* display, ::Window window, WindowClient* client);
    // Takes the mark away; only while the window exists.
    void unmark();
    X11DropTarget(const X11DropTarget&) = delete;
    X11DropTarget& operator=(const X11DropTarget&) = delete;

    // True when the event belonged to a drop and was handled.
    bool handle(const XEvent& event);

private:
    void entered(const XClientMessageEvent& message);
    void position(const XClientMessageEvent& message);
    void dropped(const XClientMessageEvent& message);
    void received(const XSelectionEvent& selection);
    void reply(Atom type, long accepted, Atom action);
    Point local(Point screen) const;

    Display* display_;
    ::Window window_;
    WindowClient* client_;
    Atom aware_, enter_, position_, status_, leave_, drop_, finished_, selection_, typeList_, copy_, uriList_,
        plainText_, utf8_, property_;
    ::Window source_ = 0;
    Atom offered_ = None;  // the best type the source offers, or None
    Point where_;
};

// The local file names of a text/uri-list ("file:" URIs with %-escapes).
std::vector<std::string> filesFromUriList(const std::string& list);

} // namespace strellon::platform

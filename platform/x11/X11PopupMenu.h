#pragma once
#include "platform/x11/Xlib.h"

#include <vector>

#include "platform/Window.h"

namespace strellon::platform {

// A popup menu drawn by us in an override-redirect window that holds the
// pointer and keyboard while it is open. A release over an entry chooses it
// (after the pointer has moved or been pressed inside, so the release of the
// opening click chooses nothing); a press outside, or Escape, dismisses it.
// The arrows and Return work too; an entry with a submenu opens it beside.
class X11PopupMenu {
public:
    // UI thread. Shows the entries hanging below a screen position (or
    // standing above it) and waits for the choice: the entry's command, or 0.
    static int run(Display* display, Point screen, MenuAlign align, const std::vector<MenuEntry>& entries,
                   MenuPainter* painter);
};

} // namespace strellon::platform

#pragma once
#include "platform/x11/Xlib.h"

#include <memory>
#include <string>

#include "platform/Window.h"
#include "platform/x11/X11Pixels.h"

namespace strellon::platform {

// The single-line edit box, drawn by us in a child window laid over the
// view: it opens with all its text selected and the keyboard focus; typing
// replaces the selection, the arrows, Home, End, Backspace and Delete edit,
// a click places the caret. Return, Tab or the loss of the focus end it
// with the text; Escape ends it with the text it started with.
class X11EditBox {
public:
    enum Result { going, ended };

    // UI thread. Null when the window cannot be drawn.
    static std::unique_ptr<X11EditBox> open(Display* display, ::Window parent, const EditBoxRequest& request);

    ::Window xid() const { return window_; }
    Result handle(XEvent& event);
    const std::string& text() const { return text_; }
    // Removes the box's window while its parent still exists.
    void destroyWindow();
    // The parent went and took the box's window with it.
    void forgetWindow() { window_ = 0; }
    // Hands the text to the client, once.
    void end();

private:
    X11EditBox(Display* display, ::Window window, const EditBoxRequest& request);
    void draw();
    int textLeft();
    int caretAt(int x);
    void replaceSelection(const std::string& with);

    Display* display_;
    ::Window window_;
    EditBoxRequest request_;
    std::unique_ptr<X11Pixels> pixels_;
    std::string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;  // the selection runs from anchor to caret
    bool ended_ = false;
    bool focused_ = false;
};

} // namespace strellon::platform

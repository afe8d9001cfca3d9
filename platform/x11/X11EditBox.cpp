#include "platform/x11/X11EditBox.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

#include "platform/x11/X11WindowSystem.h"

namespace strellon::platform {

std::unique_ptr<X11EditBox> X11EditBox::open(Display* display, ::Window parent, const EditBoxRequest& request) {
    const Rect& b = request.bounds;
    if (b.isEmpty()) return nullptr;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask;
    const ::Window window =
        XCreateWindow(display, parent, b.left, b.top, unsigned(b.width()), unsigned(b.height()), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    auto box = std::unique_ptr<X11EditBox>(new X11EditBox(display, window, request));
    if (!box->pixels_) {
        XDestroyWindow(display, window);
        return nullptr;
    }
    XMapWindow(display, window);
    box->draw();
    // The focus can only go to a window that is shown.
    XWindowAttributes shown{};
    if (XGetWindowAttributes(display, parent, &shown) && shown.map_state == IsViewable)
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    return box;
}

X11EditBox::X11EditBox(Display* display, ::Window window, const EditBoxRequest& request)
    : display_(display), window_(window), request_(request),
      pixels_(X11Pixels::create(display, window, request.bounds.width(), request.bounds.height())),
      text_(request.text.substr(0, std::size_t(std::max(0, request.maxLength)))), caret_(text_.size()) {}

void X11EditBox::destroyWindow() {
    if (!window_) return;
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
}

void X11EditBox::end() {
    if (ended_) return;
    ended_ = true;
    if (request_.client) request_.client->editBoxEnded(text_.c_str());
}

int X11EditBox::textLeft() {
    CairoSurface& s = pixels_->image();
    s.setFont(request_.font);
    const int w = s.textWidth(text_.c_str());
    switch (request_.align) {
    case TextAlign::center: return (s.width() - w) / 2;
    case TextAlign::right: return s.width() - w - 2;
    default: return 1;
    }
}

int X11EditBox::caretAt(int x) {
    CairoSurface& s = pixels_->image();
    const int left = textLeft();
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i <= text_.size(); ++i) {
        const int at = left + s.textWidth(text_.substr(0, i).c_str());
        if (std::abs(at - x) < bestDistance) {
            bestDistance = std::abs(at - x);
            best = i;
        }
    }
    return int(best);
}

void X11EditBox::draw() {
    if (!window_) return;
    CairoSurface& s = pixels_->image();
    const Rect all(0, 0, s.width(), s.height());
    s.setClip(nullptr);
    s.setBrush(request_.backColor);
    s.fillRect(all);
    s.setFont(request_.font);
    const int left = textLeft();
    const auto xOf = [&](std::size_t i) { return left + s.textWidth(text_.substr(0, i).c_str()); };
    const std::size_t from = std::min(anchor_, caret_);
    const std::size_t to = std::max(anchor_, caret_);
    const Rect line(left, 0, left + s.textWidth(text_.c_str()) + 2, s.height());
    s.setTextColor(request_.textColor);
    s.drawText(text_.c_str(), line, TextAlign::left, false);
    if (from != to) {
        // The selection in reverse colours.
        const Rect selected(xOf(from), 1, xOf(to), s.height() - 1);
        s.setClip(&selected);
        s.setBrush(request_.textColor);
        s.fillRect(selected);
        s.setTextColor(request_.backColor);
        s.drawText(text_.c_str(), line, TextAlign::left, false);
        s.setClip(nullptr);
    } else {
        s.setPen(request_.textColor, 1, false);
        const int x = xOf(caret_);
        s.moveTo(Point(x, 2));
        s.lineTo(Point(x, s.height() - 2));
    }
    pixels_->push(all);
    XSync(display_, False);
}

void X11EditBox::replaceSelection(const std::string& with) {
    const std::size_t from = std::min(anchor_, caret_);
    const std::size_t to = std::max(anchor_, caret_);
    std::string next = text_.substr(0, from) + with + text_.substr(to);
    if (int(next.size()) > request_.maxLength) return;
    text_ = std::move(next);
    caret_ = anchor_ = from + with.size();
}

X11EditBox::Result X11EditBox::handle(XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) draw();
        return going;
    case FocusIn:
        if (event.xfocus.detail != NotifyPointer) focused_ = true;
        return going;
    case FocusOut:
        // Only a focus the box had can be lost; the pointer's window, a
        // grab or a move inside the box is no loss.
        if (!focused_ || event.xfocus.detail == NotifyInferior || event.xfocus.detail == NotifyPointer ||
            event.xfocus.mode != NotifyNormal)
            return going;
        return ended;
    case ButtonPress:
        caret_ = anchor_ = std::size_t(caretAt(event.xbutton.x));
        draw();
        return going;
    case KeyPress: break;
    default: return going;
    }
    unsigned long symbol = 0;
    char typed = 0;
    keyFromEvent(event.xkey, &symbol, &typed);
    const bool selection = anchor_ != caret_;
    switch (symbol) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_Tab: return ended;
    case XK_Escape:
        text_ = request_.text;
        return ended;
    case XK_Left:
        if (!selection && caret_ > 0) --caret_;
        else if (selection) caret_ = std::min(anchor_, caret_);
        anchor_ = caret_;
        break;
    case XK_Right:
        if (!selection && caret_ < text_.size()) ++caret_;
        else if (selection) caret_ = std::max(anchor_, caret_);
        anchor_ = caret_;
        break;
    case XK_Home: caret_ = anchor_ = 0; break;
    case XK_End: caret_ = anchor_ = text_.size(); break;
    case XK_BackSpace:
        if (!selection && caret_ > 0) anchor_ = caret_ - 1;
        replaceSelection("");
        break;
    case XK_Delete:
        if (!selection && caret_ < text_.size()) anchor_ = caret_ + 1;
        replaceSelection("");
        break;
    default:
        if (static_cast<unsigned char>(typed) >= 32 && typed != 127) replaceSelection(std::string(1, typed));
        break;
    }
    draw();
    return going;
}

} // namespace strellon::platform

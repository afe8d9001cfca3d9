#include "platform/x11/X11PopupMenu.h"

#include <X11/keysym.h>

#include <algorithm>
#include <ctime>

#include "platform/x11/X11Pixels.h"
#include "platform/x11/X11WindowSystem.h"

namespace strellon::platform {

namespace {

constexpr int kItemHeight = 18;
constexpr int kSeparatorHeight = 7;
const FontSpec kMenuFont{"Arial", 12, false, false, false, false};
constexpr Color kBack{240, 240, 240, 0};
constexpr Color kText{0, 0, 0, 0};
constexpr Color kGreyText{150, 150, 150, 0};
constexpr Color kSelectedBack{51, 102, 204, 0};
constexpr Color kSelectedText{255, 255, 255, 0};

struct Item {
    const MenuEntry* entry;
    Rect box;
};

// One open level of the menu.
class Popup {
public:
    Popup(Display* display, Point screen, const std::vector<MenuEntry>& entries, MenuPainter* painter,
          MenuAlign align = MenuAlign::below)
        : display_(display), painter_(painter) {
        layout(entries);
        const Screen* s = DefaultScreenOfDisplay(display_);
        // Kept on the screen.
        const int top = align == MenuAlign::above ? screen.v - size_.v : screen.v;
        const int x = std::max(0, std::min(screen.h, WidthOfScreen(s) - size_.h));
        const int y = std::max(0, std::min(top, HeightOfScreen(s) - size_.v));
        origin_ = Point(x, y);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixmap = None;
        attributes.event_mask =
            ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), x, y, unsigned(size_.h), unsigned(size_.v), 0,
                                CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixmap | CWEventMask, &attributes);
        pixels_ = X11Pixels::create(display_, window_, size_.h, size_.v);
        XMapRaised(display_, window_);
        grab();
    }
    ~Popup() {
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        pixels_.reset();
        XDestroyWindow(display_, window_);
        XFlush(display_);
    }

    int run() {
        draw();
        for (;;) {
            XEvent event;
            if (!XCheckWindowEvent(display_, window_,
                                   ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                       KeyPressMask,
                                   &event)) {
                const timespec wait{0, 5000000};
                nanosleep(&wait, nullptr);
                continue;
            }
            switch (event.type) {
            case Expose: draw(); break;
            case MotionNotify:
                armed_ = true;
                select(itemAt(Point(event.xmotion.x, event.xmotion.y)));
                break;
            case ButtonPress: {
                const Point p(event.xbutton.x, event.xbutton.y);
                if (!Rect(0, 0, size_.h, size_.v).pointInside(p)) return 0;
                armed_ = true;
                select(itemAt(p));
                break;
            }
            case ButtonRelease: {
                if (!armed_) break;
                const int chosen = choose(itemAt(Point(event.xbutton.x, event.xbutton.y)));
                if (chosen != 0) return chosen;
                break;
            }
            case KeyPress: {
                unsigned long symbol = 0;
                keyFromEvent(event.xkey, &symbol);
                if (symbol == XK_Escape) return 0;
                if (symbol == XK_Down) step(1);
                if (symbol == XK_Up) step(-1);
                if (symbol == XK_Return || symbol == XK_KP_Enter || symbol == XK_Right) {
                    const int chosen = choose(selected_);
                    if (chosen != 0) return chosen;
                }
                break;
            }
            default: break;
            }
        }
    }

private:
    void grab() {
        // Another client's grab may be ending; a few tries, then go on
        // without (a click outside then simply does not reach us).
        for (int tries = 0; tries < 20; ++tries) {
            if (XGrabPointer(display_, window_, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
                break;
            const timespec wait{0, 10000000};
            nanosleep(&wait, nullptr);
        }
        XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    }

    void layout(const std::vector<MenuEntry>& entries) {
        auto measure = CairoSurface::create(4, 4);
        int x = 0;
        int y = 0;
        int columnWidth = 0;
        int bottom = 0;
        std::size_t columnStart = 0;
        for (const MenuEntry& e : entries) {
            if (e.columnBreak && y > 0) {
                for (std::size_t i = columnStart; i < items_.size(); ++i) items_[i].box.right = x + columnWidth;
                columnStart = items_.size();
                x += columnWidth;
                y = 0;
                columnWidth = 0;
            }
            int h = e.separator ? kSeparatorHeight : kItemHeight;
            int w = 40;
            if (!e.separator && measure) {
                if (painter_) {
                    const Point size = painter_->measureItem(*measure, e.text.c_str());
                    w = size.h + 4;
                    h = std::max(1, size.v);
                } else {
                    measure->setFont(kMenuFont);
                    w = measure->textWidth(e.text.c_str()) + 44;
                }
            }
            items_.push_back({&e, Rect(x, y, x + w, y + h)});
            columnWidth = std::max(columnWidth, w);
            y += h;
            bottom = std::max(bottom, y);
        }
        for (std::size_t i = columnStart; i < items_.size(); ++i) items_[i].box.right = x + columnWidth;
        size_ = Point(std::max(1, x + columnWidth), std::max(1, bottom));
    }

    int itemAt(Point p) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].box.pointInside(p)) return int(i);
        return -1;
    }

    bool selectable(int i) const {
        return i >= 0 && i < int(items_.size()) && !items_[std::size_t(i)].entry->separator &&
               !items_[std::size_t(i)].entry->disabled;
    }

    void select(int i) {
        if (!selectable(i)) i = -1;
        if (i == selected_) return;
        selected_ = i;
        draw();
    }

    void step(int direction) {
        const int n = int(items_.size());
        int i = selected_;
        for (int k = 0; k < n; ++k) {
            i = (i + direction + n) % n;
            if (selectable(i)) break;
        }
        armed_ = true;
        select(i);
    }

    // The command of an entry, or the choice made in its submenu.
    int choose(int i) {
        if (!selectable(i)) return 0;
        const MenuEntry& e = *items_[std::size_t(i)].entry;
        if (e.submenu.empty()) return e.command;
        const Rect& box = items_[std::size_t(i)].box;
        int chosen = 0;
        {
            Popup child(display_, origin_.offset(box.right, box.top), e.submenu, painter_);
            chosen = child.run();
        }
        if (chosen == 0) grab();
        return chosen;
    }

    void draw() {
        if (!pixels_) return;
        CairoSurface& s = pixels_->image();
        s.setClip(nullptr);
        s.setBrush(kBack);
        s.fillRect(Rect(0, 0, size_.h, size_.v));
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const MenuEntry& e = *items_[i].entry;
            const Rect& r = items_[i].box;
            if (e.separator) {
                s.setPen(kGreyText, 1, false);
                s.moveTo(Point(r.left + 2, r.top + 3));
                s.lineTo(Point(r.right - 2, r.top + 3));
                continue;
            }
            const bool isSelected = int(i) == selected_;
            if (painter_) {
                const int state = (e.checked ? MenuPainter::checked : 0) | (e.disabled ? MenuPainter::disabled : 0) |
                                  (isSelected ? MenuPainter::selected : 0);
                s.setClip(&r);
                painter_->drawItem(s, r, e.text.c_str(), e.command, state);
                s.setClip(nullptr);
            } else {
                if (isSelected) {
                    s.setBrush(kSelectedBack);
                    s.fillRect(r);
                }
                const Color text = e.disabled ? kGreyText : isSelected ? kSelectedText : kText;
                s.setFont(kMenuFont);
                s.setTextColor(text);
                s.drawText(e.text.c_str(), Rect(r.left + 20, r.top, r.right - 16, r.bottom), TextAlign::left, false);
                s.setPen(text, 1, false);
                if (e.checked) {
                    const Point tick[] = {{r.left + 6, r.top + 9}, {r.left + 9, r.top + 12}, {r.left + 15, r.top + 5}};
                    s.polyline(tick, 3);
                }
                if (!e.submenu.empty()) {
                    s.setBrush(text);
                    const Point arrow[] = {{r.right - 10, r.top + 5}, {r.right - 10, r.top + 13}, {r.right - 6, r.top + 9}};
                    s.fillPolygon(arrow, 3);
                }
            }
        }
        s.setPen(kGreyText, 1, false);
        const Point border[] = {{0, 0}, {size_.h - 1, 0}, {size_.h - 1, size_.v - 1}, {0, size_.v - 1}, {0, 0}};
        s.polyline(border, 5);
        pixels_->push(Rect(0, 0, size_.h, size_.v));
        XFlush(display_);
    }

    Display* display_;
    MenuPainter* painter_;
    std::vector<Item> items_;
    Point size_;
    Point origin_;
    ::Window window_ = 0;
    std::unique_ptr<X11Pixels> pixels_;
    int selected_ = -1;
    bool armed_ = false;
};

} // namespace

int X11PopupMenu::run(Display* display, Point screen, MenuAlign align, const std::vector<MenuEntry>& entries,
                      MenuPainter* painter) {
    if (entries.empty()) return 0;
    Popup popup(display, screen, entries, painter, align);
    return popup.run();
}

} // namespace strellon::platform

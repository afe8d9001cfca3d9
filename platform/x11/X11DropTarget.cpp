#include "platform/x11/X11DropTarget.h"

#include <X11/Xatom.h>

#include <cstring>
#include <vector>

namespace strellon::platform {

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::vector<std::string> filesFromUriList(const std::string& list) {
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || line.compare(0, 5, "file:") != 0) continue;
        std::string path = line.substr(5);
        // file:///path or file://localhost/path; another host is not ours.
        if (path.compare(0, 2, "//") == 0) {
            const std::size_t slash = path.find('/', 2);
            const std::string host = path.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
            if (slash == std::string::npos || (!host.empty() && host != "localhost")) continue;
            path = path.substr(slash);
        }
        std::string decoded;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (path[i] == '%' && i + 2 < path.size() + 0 && hexDigit(path[i + 1]) >= 0 && hexDigit(path[i + 2]) >= 0) {
                decoded += char(hexDigit(path[i + 1]) * 16 + hexDigit(path[i + 2]));
                i += 2;
            } else {
                decoded += path[i];
            }
        }
        if (!decoded.empty() && decoded.find('\0') == std::string::npos) files.push_back(decoded);
    }
    return files;
}

X11DropTarget::X11DropTarget(Display* display, ::Window window, WindowClient* client)
    : display_(display), window_(window), client_(client) {
    aware_ = XInternAtom(display_, "XdndAware", False);
    enter_ = XInternAtom(display_, "XdndEnter", False);
    position_ = XInternAtom(display_, "XdndPosition", False);
    status_ = XInternAtom(display_, "XdndStatus", False);
    leave_ = XInternAtom(display_, "XdndLeave", False);
    drop_ = XInternAtom(display_, "XdndDrop", False);
    finished_ = XInternAtom(display_, "XdndFinished", False);
    selection_ = XInternAtom(display_, "XdndSelection", False);
    typeList_ = XInternAtom(display_, "XdndTypeList", False);
    copy_ = XInternAtom(display_, "XdndActionCopy", False);
    uriList_ = XInternAtom(display_, "text/uri-list", False);
    plainText_ = XInternAtom(display_, "text/plain", False);
    utf8_ = XInternAtom(display_, "UTF8_STRING", False);
    property_ = XInternAtom(display_, "STRELLON_DROP", False);
    const Atom version = 5;
    XChangeProperty(display_, window_, aware_, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XSync(display_, False);
}

void X11DropTarget::unmark() {
    XDeleteProperty(display_, window_, aware_);
    XSync(display_, False);
}

Point X11DropTarget::local(Point screen) const {
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, DefaultRootWindow(display_), window_, screen.h, screen.v, &x, &y, &child);
    return Point(x, y);
}

bool X11DropTarget::handle(const XEvent& event) {
    if (event.type == SelectionNotify && event.xselection.requestor == window_ &&
        event.xselection.selection == selection_) {
        received(event.xselection);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.window != window_) return false;
    const XClientMessageEvent& m = event.xclient;
    if (m.message_type == enter_) entered(m);
    else if (m.message_type == position_) position(m);
    else if (m.message_type == leave_) offered_ = None;
    else if (m.message_type == drop_) dropped(m);
    else return false;
    return true;
}

void X11DropTarget::entered(const XClientMessageEvent& m) {
    source_ = ::Window(m.data.l[0]);
    offered_ = None;
    std::vector<Atom> types;
    if (m.data.l[1] & 1) {
        // More than three types: the list is a property of the source.
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, source_, typeList_, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                               &data) == Success &&
            data && format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            types.assign(atoms, atoms + count);
        }
        if (data) XFree(data);
    } else {
        for (int i = 2; i < 5; ++i)
            if (m.data.l[i]) types.push_back(Atom(m.data.l[i]));
    }
    // Files before text, as the drop handling asks for them.
    for (Atom wanted : {uriList_, utf8_, plainText_, Atom(XA_STRING)})
        for (Atom t : types)
            if (t == wanted && offered_ == None) offered_ = t;
}

void X11DropTarget::reply(Atom type, long accepted, Atom action) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = display_;
    e.xclient.window = source_;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(window_);
    e.xclient.data.l[1] = accepted;
    e.xclient.data.l[2] = type == status_ ? 0 : long(action);
    e.xclient.data.l[4] = type == status_ ? long(action) : 0;
    XSendEvent(display_, source_, False, NoEventMask, &e);
    XSync(display_, False);
}

void X11DropTarget::position(const XClientMessageEvent& m) {
    if (::Window(m.data.l[0]) != source_) return;
    where_ = local(Point(int(m.data.l[2] >> 16), int(m.data.l[2] & 0xffff)));
    reply(status_, offered_ != None ? 1 : 0, offered_ != None ? copy_ : None);
}

void X11DropTarget::dropped(const XClientMessageEvent& m) {
    if (::Window(m.data.l[0]) != source_) return;
    if (offered_ == None) {
        reply(finished_, 0, None);
        return;
    }
    XConvertSelection(display_, selection_, offered_, property_, window_, Time(m.data.l[2]));
    XSync(display_, False);
}

void X11DropTarget::received(const XSelectionEvent& selection) {
    std::string bytes;
    if (selection.property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window_, property_, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data && format == 8)
            bytes.assign(reinterpret_cast<const char*>(data), count);
        if (data) XFree(data);
    }
    bool taken = false;
    if (!bytes.empty() && client_) {
        if (selection.target == uriList_) {
            std::vector<std::string> files = filesFromUriList(bytes);
            std::vector<void*> items;
            for (std::string& f : files) items.push_back(f.data());
            if (!items.empty())
                taken = client_->windowDrop(items.data(), int(items.size()), DropType::files, where_);
        } else {
            void* item = bytes.data();
            taken = client_->windowDrop(&item, int(bytes.size()), DropType::text, where_);
        }
    }
    reply(finished_, taken ? 1 : 0, taken ? copy_ : None);
    offered_ = None;
}

} // namespace strellon::platform

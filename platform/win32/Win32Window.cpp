#include "platform/win32/Win32Window.h"

#include <cstring>

#include "platform/Resources.h"
#include "platform/win32/DropTarget.h"
#include "platform/win32/GdiSurface.h"

namespace strellon::platform {

namespace {

Win32Window* fromHandle(HWND hwnd) {
    return reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

const char* cursorName(CursorShape shape) {
    switch (shape) {
    case CursorShape::wait: return IDC_WAIT;
    case CursorShape::sizeWE: return IDC_SIZEWE;
    case CursorShape::sizeNS: return IDC_SIZENS;
    case CursorShape::sizeAll: return IDC_SIZEALL;
    case CursorShape::sizeNESW: return IDC_SIZENESW;
    case CursorShape::sizeNWSE: return IDC_SIZENWSE;
    default: return IDC_ARROW;
    }
}

RECT windowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// Adds entries to a menu; owner-drawn items carry the index of their text
// plus one as item data.
void fillMenu(HMENU menu, const std::vector<MenuEntry>& entries, bool ownerDraw, std::vector<std::string>& texts) {
    for (const MenuEntry& e : entries) {
        if (e.separator) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = (e.disabled ? MF_GRAYED : 0) | (e.checked ? MF_CHECKED : 0) | (e.columnBreak ? MF_MENUBARBREAK : 0);
        UINT_PTR id = UINT_PTR(e.command);
        if (!e.submenu.empty()) {
            HMENU sub = CreatePopupMenu();
            fillMenu(sub, e.submenu, ownerDraw, texts);
            flags |= MF_POPUP;
            id = reinterpret_cast<UINT_PTR>(sub);
        }
        if (ownerDraw) {
            texts.push_back(e.text);
            AppendMenuA(menu, flags | MF_OWNERDRAW, id, reinterpret_cast<const char*>(texts.size()));
        } else {
            AppendMenuA(menu, flags | MF_STRING, id, e.text.c_str());
        }
    }
}

} // namespace

// Win32WindowSystem -----------------------------------------------------------

bool Win32WindowSystem::registerClass(const char* name) {
    WNDCLASSA c{};
    // A global class without double clicks: every press arrives as a press.
    c.style = CS_GLOBALCLASS;
    c.lpfnWndProc = Win32Window::procedure;
    c.hInstance = instance_;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    c.lpszClassName = name;
    return RegisterClassA(&c) != 0;
}

void Win32WindowSystem::unregisterClass(const char* name) { UnregisterClassA(name, instance_); }

std::unique_ptr<Window> Win32WindowSystem::createWindow(void* parent, const char* className, int width,
                                                        int height, WindowClient* client) {
    return Win32Window::create(static_cast<HWND>(parent), className, instance_, width, height, client);
}

InputState Win32WindowSystem::input() {
    auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    InputState s;
    s.left = down(VK_LBUTTON);
    s.middle = down(VK_MBUTTON);
    s.right = down(VK_RBUTTON);
    s.shift = down(VK_SHIFT);
    s.control = down(VK_CONTROL);
    s.alt = down(VK_MENU);
    return s;
}

Color Win32WindowSystem::systemColor(SystemColor which) {
    const int index = which == SystemColor::menu            ? COLOR_MENU
                      : which == SystemColor::menuText      ? COLOR_MENUTEXT
                      : which == SystemColor::highlight     ? COLOR_HIGHLIGHT
                      : which == SystemColor::highlightText ? COLOR_HIGHLIGHTTEXT
                                                            : COLOR_GRAYTEXT;
    const COLORREF c = GetSysColor(index);
    return Color{GetRValue(c), GetGValue(c), GetBValue(c), 0};
}

Point Win32WindowSystem::cursorScreenPosition() {
    POINT p{};
    GetCursorPos(&p);
    return Point(p.x, p.y);
}

// Win32Module -----------------------------------------------------------------

std::unique_ptr<Surface> Win32Module::loadBitmap(int id) {
    if (HBITMAP b = LoadBitmapA(instance_, MAKEINTRESOURCEA(id))) return GdiSurface::adopt(b);
    if (const BitmapResource* r = findBitmapResource(id)) return GdiSurface::fromBmp(r->data, r->size);
    return nullptr;
}

std::unique_ptr<Surface> Win32Module::createSurface(int width, int height) {
    return GdiSurface::create(width, height);
}

// Win32Window -----------------------------------------------------------------

Win32Window::Win32Window(HWND hwnd, WindowClient* client) : hwnd_(hwnd), client_(client) {}

std::unique_ptr<Win32Window> Win32Window::create(HWND parent, const char* className, HINSTANCE instance,
                                                 int width, int height, WindowClient* client) {
    if (!parent) return nullptr;
    // The window's drop target needs OLE on this thread for the window's life.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));
    HWND hwnd = CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent,
                                nullptr, instance, nullptr);
    if (!hwnd) {
        if (ole) OleUninitialize();
        return nullptr;
    }
    std::unique_ptr<Win32Window> window(new Win32Window(hwnd, client));
    window->oleStarted_ = ole;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window.get()));
    return window;
}

Win32Window::~Win32Window() {
    closeEditBox();
    setDropActive(false);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (editBrush_) DeleteObject(editBrush_);
    if (oleStarted_) OleUninitialize();
}

Point Win32Window::screenOrigin() const {
    const RECT r = windowRect(hwnd_);
    return Point(r.left, r.top);
}

int Win32Window::width() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.right - r.left;
}

int Win32Window::height() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.bottom - r.top;
}

void Win32Window::resize(int width, int height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void Win32Window::resizeWithParents(int width, int height) {
    // Grows each window that holds ours by the same amount, while it is no
    // more than a border (or 80 pixels) larger, stopping at an MDI client.
    const int allowance = 2 * GetSystemMetrics(SM_CYDLGFRAME);
    HWND w = hwnd_;
    int dw = 0, dh = 0;
    auto size = [](HWND h, int width, int height) {
        SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    };
    if (allowance != 0) {
        do {
            HWND parent = GetParent(w);
            char name[1024] = {};
            if (parent) GetClassNameA(parent, name, sizeof name);
            if (!parent || std::strcmp(name, "MDIClient") == 0) break;
            const RECT own = windowRect(w), outer = windowRect(parent);
            size(w, width + dw, height + dh);
            dw = (outer.right - outer.left) - (own.right - own.left);
            dh = (outer.bottom - outer.top) - (own.bottom - own.top);
            if (dw > 80 || dh > 80) return;
            w = parent;
        } while (dw != allowance);
    }
    if (w) size(w, width + dw, height + dh);
}

std::unique_ptr<Surface> Win32Window::drawingSurface() {
    HDC dc = GetDC(hwnd_);
    if (!dc) return nullptr;
    HWND hwnd = hwnd_;
    return std::make_unique<GdiSurface>(dc, width(), height(), [hwnd](HDC d) { ReleaseDC(hwnd, d); });
}

void Win32Window::invalidate(const Rect* area) {
    if (!area) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        return;
    }
    const RECT r{area->left, area->top, area->right, area->bottom};
    InvalidateRect(hwnd_, &r, FALSE);
}

bool Win32Window::dispatchPendingPaint() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) return false;
    DispatchMessageA(&message);
    return true;
}

void Win32Window::setCursor(CursorShape shape) {
    cursor_ = shape;
    SetCursor(LoadCursorA(nullptr, cursorName(shape)));
}

bool Win32Window::setDropActive(bool active) {
    if (active == (dropTarget_ != nullptr)) return true;
    if (active) {
        dropTarget_ = new DropTarget(hwnd_, client_);
        dropTarget_->AddRef();
        if (RegisterDragDrop(hwnd_, dropTarget_) != S_OK) {
            dropTarget_->Release();
            dropTarget_ = nullptr;
            return false;
        }
        return true;
    }
    dropTarget_->forgetClient();
    RevokeDragDrop(hwnd_);
    dropTarget_->Release();
    dropTarget_ = nullptr;
    return true;
}

bool Win32Window::openEditBox(const EditBoxRequest& request) {
    closeEditBox();
    editRequest_ = request;
    editEnded_ = false;
    const DWORD align = request.align == TextAlign::center ? ES_CENTER : request.align == TextAlign::right ? ES_RIGHT : ES_LEFT;
    edit_ = CreateWindowExA(0, "EDIT", request.text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align,
                            request.bounds.left, request.bounds.top, request.bounds.width(),
                            request.bounds.height(), hwnd_, nullptr,
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE)), nullptr);
    if (!edit_) return false;
    LOGFONTA f{};
    f.lfHeight = -request.font.pixelHeight;
    f.lfWeight = request.font.bold ? FW_BOLD : FW_NORMAL;
    f.lfItalic = request.font.italic;
    f.lfUnderline = request.font.underline;
    f.lfCharSet = ANSI_CHARSET;
    lstrcpynA(f.lfFaceName, request.font.face ? request.font.face : "Arial", LF_FACESIZE);
    editFont_ = CreateFontIndirectA(&f);
    SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(editFont_), TRUE);
    SendMessageA(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageA(edit_, EM_LIMITTEXT, WPARAM(request.maxLength), 0);
    SetWindowLongPtrA(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editOldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::editProcedure)));
    SetFocus(edit_);
    SendMessageA(edit_, EM_SETSEL, 0, -1);
    return true;
}

void Win32Window::closeEditBox() {
    if (!edit_) return;
    endEdit();  // the text as typed so far goes to the client
    if (!edit_) return;
    HWND edit = edit_;
    edit_ = nullptr;
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editOldProc_));
    DestroyWindow(edit);
    if (editFont_) DeleteObject(editFont_);
    editFont_ = nullptr;
}

void Win32Window::endEdit() {
    if (!edit_ || editEnding_ || editEnded_) return;
    editEnding_ = true;
    char text[1024] = {};
    GetWindowTextA(edit_, text, sizeof text);
    EditBoxClient* client = editRequest_.client;
    editEnded_ = true;
    if (client) client->editBoxEnded(text);
    editEnding_ = false;
}

LRESULT CALLBACK Win32Window::editProcedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    auto* window = fromHandle(hwnd);
    if (!window) return DefWindowProcA(hwnd, message, w, l);
    const WNDPROC old = window->editOldProc_;
    switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (w == VK_RETURN) {
            window->endEdit();
            return 0;
        }
        break;
    case WM_CHAR:
        if (w == '\r') return 0;
        break;
    case WM_KILLFOCUS: {
        const LRESULT r = CallWindowProcA(old, hwnd, message, w, l);
        window->endEdit();
        return r;
    }
    default: break;
    }
    return CallWindowProcA(old, hwnd, message, w, l);
}

int Win32Window::popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                           MenuPainter* painter) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    menuTexts_.clear();
    fillMenu(menu, entries, painter != nullptr, menuTexts_);
    menuPainter_ = painter;
    POINT p{where.h, where.v};
    ClientToScreen(hwnd_, &p);
    const int chosen = int(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON |
                                              (align == MenuAlign::above ? TPM_BOTTOMALIGN : TPM_TOPALIGN),
                                          p.x, p.y, 0, hwnd_, nullptr));
    menuPainter_ = nullptr;
    DestroyMenu(menu);
    return chosen;
}

bool Win32Window::hostPosition(Point& out) const {
    // The host's window: up from ours while a window has no caption, has a
    // parent and is within 60 pixels of its parent's size.
    HWND w = hwnd_;
    for (;;) {
        HWND parent = GetParent(w);
        if (!parent || (GetWindowLongA(w, GWL_STYLE) & WS_CAPTION)) break;
        const RECT a = windowRect(w), b = windowRect(parent);
        if ((b.right - b.left) - (a.right - a.left) > 60 || (b.bottom - b.top) - (a.bottom - a.top) > 60) break;
        w = parent;
    }
    RECT r = windowRect(w);
    MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
    out = Point(r.left, r.top);
    return true;
}

bool Win32Window::hostSize(Rect& out) const {
    HWND parent = GetParent(hwnd_);
    if (!parent) return false;
    RECT r = windowRect(parent);
    HWND above = GetParent(GetParent(parent));
    MapWindowPoints(nullptr, above, reinterpret_cast<POINT*>(&r), 2);
    out = Rect(r.left, r.top, r.right, r.bottom);
    return true;
}

void Win32Window::raiseHostWindow() {
    if (HWND host = GetParent(GetParent(hwnd_))) BringWindowToTop(host);
}

LRESULT CALLBACK Win32Window::procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    Win32Window* window = fromHandle(hwnd);
    if (!window) return DefWindowProcA(hwnd, message, w, l);
    return window->handle(message, w, l);
}

LRESULT Win32Window::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_DESTROY:
        if (client_) client_->windowDestroyed();
        break;
    case WM_PAINT: {
        RECT update;
        if (!GetUpdateRect(hwnd_, &update, FALSE)) break;
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd_, &paint);
        {
            GdiSurface surface(dc, width(), height());
            const RECT& p = paint.rcPaint;
            client_->windowPaint(surface, Rect(p.left, p.top, p.right, p.bottom));
        }
        EndPaint(hwnd_, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    {
        // Unsigned halves of the position word, as the window reports them,
        // and the buttons and modifiers of the press.
        InputState pressed;
        pressed.left = message == WM_LBUTTONDOWN || (w & MK_LBUTTON);
        pressed.middle = message == WM_MBUTTONDOWN || (w & MK_MBUTTON);
        pressed.right = message == WM_RBUTTONDOWN || (w & MK_RBUTTON);
        pressed.shift = (w & MK_SHIFT) != 0;
        pressed.control = (w & MK_CONTROL) != 0;
        pressed.alt = GetKeyState(VK_MENU) < 0;
        client_->windowMouseDown(Point(int(LOWORD(l)), int(HIWORD(l))), pressed);
        return 0;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
        if (item->CtlType != ODT_MENU || !item->itemData || !menuPainter_ || item->itemData > menuTexts_.size()) break;
        auto surface = drawingSurface();
        if (!surface) break;
        const Point size = menuPainter_->measureItem(*surface, menuTexts_[item->itemData - 1].c_str());
        item->itemWidth = UINT(size.h);
        item->itemHeight = UINT(size.v);
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        if (item->CtlType != ODT_MENU || !item->itemData || !menuPainter_ || item->itemData > menuTexts_.size()) break;
        const RECT& r = item->rcItem;
        GdiSurface surface(item->hDC, r.right, r.bottom);
        const int state = ((item->itemState & ODS_CHECKED) ? MenuPainter::checked : 0) |
                          ((item->itemState & ODS_DISABLED) ? MenuPainter::disabled : 0) |
                          ((item->itemState & ODS_SELECTED) ? MenuPainter::selected : 0);
        menuPainter_->drawItem(surface, Rect(r.left, r.top, r.right, r.bottom),
                               menuTexts_[item->itemData - 1].c_str(), int(item->itemID), state);
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
        if (edit_ && reinterpret_cast<HWND>(l) == edit_) {
            HDC dc = reinterpret_cast<HDC>(w);
            SetTextColor(dc, toColorRef(editRequest_.textColor));
            SetBkColor(dc, toColorRef(editRequest_.backColor));
            if (editBrush_) DeleteObject(editBrush_);
            editBrush_ = CreateSolidBrush(toColorRef(editRequest_.backColor));
            return reinterpret_cast<LRESULT>(editBrush_);
        }
        break;
    default: break;
    }
    return DefWindowProcA(hwnd_, message, w, l);
}

} // namespace strellon::platform

#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Surface.h"

namespace strellon::platform {

// Physical state of the mouse buttons and modifier keys at one moment.
struct InputState {
    bool left = false;
    bool middle = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

enum class CursorShape { arrow, wait, sizeWE, sizeNS, sizeAll, sizeNESW, sizeNWSE };

enum class DropType { files = 0, text = 1 };

// A key typed into the window, numbered as the host interface numbers keys
// (character, virtual key, modifier bits), so it reaches the views as a key
// forwarded by the host would.
struct KeyEvent {
    int32_t character = 0;
    uint8_t virt = 0;
    uint8_t modifier = 0;
};

// What a window reports back to its owner.
class WindowClient {
public:
    virtual ~WindowClient() = default;
    virtual void windowPaint(Surface& surface, const Rect& area) = 0;
    // A button went down at a window position. Presses may be handled well
    // after they happened, so the window passes the buttons and modifiers as
    // they were at the press when it knows them; without them the toolkit
    // reads the live state.
    virtual void windowMouseDown(Point where, const std::optional<InputState>& pressed) = 0;
    // A wheel turn over the window, in notches (positive away from the user),
    // with the modifiers held at the turn.
    virtual void windowWheel(Point where, float distance, const InputState& held) = 0;
    // A key typed into the window; answers -1 when nobody took it.
    virtual int windowKey(const KeyEvent& key, bool down) = 0;
    virtual void windowDestroyed() = 0;
    virtual bool windowDrop(void** items, int count, DropType type, Point where) = 0;
};

// A single-line native text field laid over a view. The platform opens it
// with no margins, all its text selected and the keyboard focus; Return, the
// loss of the keyboard focus or closeEditBox ends it, and it wants every key
// meanwhile.
class EditBoxClient {
public:
    virtual ~EditBoxClient() = default;
    // The edit ended with this text (what was typed so far), once per box.
    virtual void editBoxEnded(const char* text) = 0;
};

struct EditBoxRequest {
    Rect bounds;  // window coordinates
    FontSpec font;
    TextAlign align = TextAlign::left;
    std::string text;
    Color textColor;
    Color backColor;
    int maxLength = 255;
    EditBoxClient* client = nullptr;
};

// Paints owner-drawn menu items.
class MenuPainter {
public:
    enum State { checked = 1, disabled = 2, selected = 4 };
    virtual ~MenuPainter() = default;
    virtual Point measureItem(Surface& s, const char* text) = 0;
    // itemId is the entry's command (0 for a submenu's own entry).
    virtual void drawItem(Surface& s, const Rect& r, const char* text, int itemId, int state) = 0;
};

// Where a popup menu opens from its position: hanging below it, or standing
// above it.
enum class MenuAlign { below, above };

// The desktop's colours for menus, as the user has set them.
enum class SystemColor { menu, menuText, highlight, highlightText, grayText };

struct MenuEntry {
    std::string text;
    int command = 0;  // returned when chosen; 0 for none
    bool separator = false;
    bool disabled = false;
    bool checked = false;
    bool columnBreak = false;
    std::vector<MenuEntry> submenu;
};

// A file dialog of the desktop: what it is for, the file types it offers
// (display text and patterns such as "*.wav;*.aif", first one chosen), its
// title and starting folder, the extension a saved name gets when it has
// none, and the window it belongs to (null for none).
enum class FileDialogMode { load, save, loadMany, folder };
struct FileFilter {
    std::string text;
    std::string pattern;
};
struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::load;
    std::vector<FileFilter> filters;
    std::string title;
    std::string initialPath;
    std::string defaultExtension;
    void* owner = nullptr;
};

// Shows the desktop's own file dialog (on Linux: zenity, else kdialog, when
// installed) and waits: the chosen paths, none when cancelled or when there
// is no dialog to show.
std::vector<std::string> runDesktopFileDialog(const FileDialogRequest& request);

// The toolkit's own child window inside a host window.
class Window {
public:
    virtual ~Window() = default;

    // Screen position of the window's top-left corner.
    virtual Point screenOrigin() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void resize(int width, int height) = 0;
    // Resizes the window and grows the windows that hold it by as much, up
    // to the host's own window; where there are none to grow, resize.
    virtual void resizeWithParents(int width, int height) { resize(width, height); }

    // A surface that draws on the window now; null when none can be had.
    virtual std::unique_ptr<Surface> drawingSurface() = 0;
    // Marks an area for the next paint; null means all of it.
    virtual void invalidate(const Rect* area) = 0;
    // Hands at most one pending paint to the client; true when one ran.
    virtual bool dispatchPendingPaint() = 0;
    // Handles the events waiting for the window (presses, wheel, keys,
    // exposure, destruction, drops), then a pending paint. A call made while
    // a press it handed on is still being handled (a control tracking the
    // mouse) takes only exposures, so nothing re-enters the views.
    virtual void processEvents() = 0;

    virtual CursorShape cursor() const = 0;
    virtual void setCursor(CursorShape shape) = 0;
    virtual bool setDropActive(bool active) = 0;

    virtual bool openEditBox(const EditBoxRequest& request) = 0;
    // Removes an open box; its client first hears editBoxEnded with the text
    // typed so far. Does nothing when no box is open (also from inside that
    // editBoxEnded).
    virtual void closeEditBox() = 0;
    // Shows a popup menu at a window position and waits for the choice:
    // the chosen entry's command, or 0 when dismissed.
    virtual int popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                          MenuPainter* painter) = 0;

    // The host window's top-left in its parent, and its parent's rectangle.
    virtual bool hostPosition(Point& out) const = 0;
    virtual bool hostSize(Rect& out) const = 0;
    // Brings the window that holds the parent window to the top.
    virtual void raiseHostWindow() = 0;
};

// Process-wide window services: window creation, input polling and time.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual bool registerClass(const char* name) = 0;
    virtual void unregisterClass(const char* name) = 0;
    virtual std::unique_ptr<Window> createWindow(void* parent, const char* className,
                                                 int width, int height, WindowClient* client) = 0;

    virtual InputState input() = 0;
    virtual Point cursorScreenPosition() = 0;
    virtual bool buttonsSwapped() = 0;

    virtual uint32_t ticks() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
    virtual int doubleClickTime() = 0;
    // The desktop's colour; the classic desktop's where there is none.
    virtual Color systemColor(SystemColor which);
    // The file dialog of this window system; the desktop's by default.
    virtual std::vector<std::string> runFileDialog(const FileDialogRequest& request) {
        return runDesktopFileDialog(request);
    }
};

// The library module: identity, resources and memory surfaces.
class Module {
public:
    virtual ~Module() = default;
    virtual uintptr_t instanceHandle() const = 0;
    // The bitmap resource with this number, or null.
    virtual std::unique_ptr<Surface> loadBitmap(int id) = 0;
    // A memory surface of this size (black), or null.
    virtual std::unique_ptr<Surface> createSurface(int width, int height) = 0;
};

// The services in use; null until an implementation is installed.
WindowSystem* windowSystem();
void setWindowSystem(WindowSystem* system);
Module* module();
void setModule(Module* m);

} // namespace strellon::platform

#pragma once
#include <cstdint>

namespace strellon {

// A window the host opens for the frame: its title, place, size and style,
// and the handles the host fills in. It has the layout and the full size of
// the host interface's window record, reserve included, so the editor can
// hand it to the host as it is and a host that writes the whole record stays
// inside it.
struct HostWindowRecord {
    char title[128] = {};
    int16_t xPos = 0;
    int16_t yPos = 0;
    int16_t width = 0;
    int16_t height = 0;
    int32_t style = 0;
    void* parent = nullptr;
    void* userHandle = nullptr;
    void* winHandle = nullptr;
    char future[104] = {};
};

// What the frame asks of the editor that owns it: the edit gesture brackets
// to the host and the idle pump that keeps host and painting alive while a
// control follows the mouse. The editor implements it; the toolkit knows
// nothing else of the editor.
class FrameEditor {
public:
    virtual ~FrameEditor() = default;
    // UI thread: the user starts or ends changing the parameter with this index.
    virtual void beginEdit(int tag) = 0;
    virtual void endEdit(int tag) = 0;
    // UI thread, from inside a control's tracking loop.
    virtual void pumpIdle() = 0;
    // UI thread: asks the host for a new window size; false when refused.
    virtual bool sizeWindow(int /*width*/, int /*height*/) { return false; }
    // UI thread: asks the host to open or close a window of its own for a
    // frame; open answers the window to put the frame in, or null.
    virtual void* openWindow(HostWindowRecord& /*record*/) { return nullptr; }
    virtual bool closeWindow(HostWindowRecord& /*record*/) { return false; }
};

} // namespace strellon

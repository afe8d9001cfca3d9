#pragma once

namespace strellon {

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
};

} // namespace strellon

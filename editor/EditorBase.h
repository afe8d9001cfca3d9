// The part of the editor that does not depend on the instrument: answers the
// host's editor requests, holds the frame, forwards keys and wheel turns to
// it, brackets edits to the host and runs the idle pump that keeps host and
// painting alive while a control follows the mouse.
#pragma once

#include <cstdint>

#include "plugin/EditorInterface.h"
#include "toolkit/FrameEditor.h"

namespace strellon {

class Frame;

class EditorBase : public EditorInterface, public FrameEditor {
public:
    // UI thread (inside the plug-in's constructor). Registers the editor
    // with the plug-in, which owns it from then on.
    explicit EditorBase(PluginBase* plugin);
    ~EditorBase() override = default;

    // UI thread, all of the following unless noted.
    vst2::int32 getRect(vst2::ERect** out) override;
    vst2::int32 open(void* parentWindow) override;
    void idle() override;
    vst2::int32 onKeyDown(vst2::VstKeyCode& key) override;
    vst2::int32 onKeyUp(vst2::VstKeyCode& key) override;
    // Any thread: the mode holds for every knob in the process.
    vst2::int32 setKnobMode(vst2::int32 mode) override;
    bool onWheel(float distance) override;
    // Draws the whole frame now.
    virtual void draw();

    // From the frame: edit brackets to the host, the idle pump (from a
    // control's tracking loop), and the host's window services.
    void beginEdit(int tag) override;
    void endEdit(int tag) override;
    void pumpIdle() override;
    bool sizeWindow(int width, int height) override;
    void* openWindow(HostWindowRecord& record) override;
    bool closeWindow(HostWindowRecord& record) override;

    Frame* getFrame() const { return frame; }
    bool inIdlePump() const { return inIdlePump_; }

protected:
    // Milliseconds of the window system's clock (a steady clock without
    // one), and a pause on it.
    static uint32_t ticks();
    static void sleep(uint32_t milliseconds);

    vst2::ERect rect{};
    Frame* frame = nullptr;

private:
    uint32_t nextIdleTime_;
    bool inIdlePump_ = false;
};

}  // namespace strellon

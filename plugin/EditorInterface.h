// The editor operations the plug-in frame calls. The editor proper derives
// from this root; every operation has a neutral answer so that a plug-in
// without a window still behaves.
#pragma once

#include <atomic>

#include "plugin/vst2.h"

namespace strellon {

class PluginBase;

class EditorInterface {
public:
    explicit EditorInterface(PluginBase* plugin) : plugin_(plugin) {}
    virtual ~EditorInterface() = default;
    EditorInterface(const EditorInterface&) = delete;
    EditorInterface& operator=(const EditorInterface&) = delete;

    // UI thread: the editor's size. Writes a pointer to the rectangle into out.
    virtual vst2::int32 getRect(vst2::ERect** out) {
        if (out) *out = nullptr;
        return 0;
    }
    // UI thread: show the editor inside the host's window.
    virtual vst2::int32 open(void* parentWindow) {
        parentWindow_ = parentWindow;
        return 0;
    }
    // UI thread.
    virtual void close() {}
    // UI thread, periodically while the window is open.
    virtual void idle() {
        if (updateRequested_.exchange(0, std::memory_order_relaxed) != 0) update();
    }
    // UI thread: redraw what changed since the last idle.
    virtual void update() {}
    // Any thread: ask for an update at the next idle.
    virtual void requestUpdate() { updateRequested_.store(1, std::memory_order_relaxed); }
    // UI thread: keys the host passes on; -1 means not taken.
    virtual vst2::int32 onKeyDown(vst2::VstKeyCode& /*key*/) { return -1; }
    virtual vst2::int32 onKeyUp(vst2::VstKeyCode& /*key*/) { return -1; }
    // UI thread.
    virtual vst2::int32 setKnobMode(vst2::int32 /*mode*/) { return 0; }
    // UI thread.
    virtual bool onWheel(float /*distance*/) { return false; }
    // Any thread that stores a parameter: lets the controls follow the value.
    virtual void setParameter(vst2::int32 /*index*/, float /*value*/) { requestUpdate(); }

    PluginBase* plugin() const { return plugin_; }
    void* parentWindow() const { return parentWindow_; }
    bool updateRequested() const { return updateRequested_.load(std::memory_order_relaxed) != 0; }

private:
    PluginBase* plugin_;
    void* parentWindow_ = nullptr;
    // Set by parameter stores on any thread, cleared by the UI thread's idle.
    std::atomic<vst2::int32> updateRequested_{0};
};

}  // namespace strellon

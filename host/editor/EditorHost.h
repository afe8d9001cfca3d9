// Plays a Linux host to a plug-in's editor: the editor's window goes into a
// top-level X window of the editor's size, effEditIdle comes from the
// calling thread (the host's UI thread) every 40 ms, and a thread of its
// own processes audio with notes playing all the while.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "host/PluginHost.h"
#include "platform/x11host/X11HostWindow.h"

namespace strellon::host {

class EditorHost {
public:
    // UI thread. Loads the plug-in and starts its audio; null with the
    // reason on failure.
    static std::unique_ptr<EditorHost> load(const std::string& path, std::string& error);
    // Another instance of the same library, for two editors at once.
    static std::unique_ptr<EditorHost> another(const EditorHost& first, std::string& error);
    // Stops the audio, closes the editor when open, then the plug-in.
    ~EditorHost();

    HostedPlugin& plugin() { return *plugin_; }
    // The editor's rectangle (effEditGetRect), or an empty one.
    Rect editorRect();
    // Opens a host window of the editor's size at a screen position and the
    // editor in it; false when either refuses.
    bool open(Point at = Point(40, 30));
    // Closes the editor; the host may destroy its window first, as some do.
    void close(bool destroyWindowFirst = false);
    bool isOpen() const { return open_; }
    // effEditIdle every 40 ms for this long (at least once).
    void idle(int milliseconds);
    platform::X11HostWindow* window() { return window_.get(); }
    // A window position on the screen.
    Point screen(Point inEditor) const;
    int blocksProcessed() const { return blocks_.load(std::memory_order_relaxed); }

private:
    explicit EditorHost(std::unique_ptr<HostedPlugin> plugin);
    void startAudio();
    void audioLoop();

    std::unique_ptr<HostedPlugin> plugin_;
    std::unique_ptr<platform::X11HostWindow> window_;
    bool open_ = false;
    std::atomic<bool> running_{false};
    std::atomic<int> blocks_{0};
    std::thread audio_;
};

}  // namespace strellon::host

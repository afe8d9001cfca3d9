// The plug-in linked into the program, its editor opened through the
// dispatcher on the headless window, as a host would open it: what
// strellon-panel and the editor tests stand on. Main thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/PluginHost.h"
#include "platform/Geometry.h"
#include "platform/headless/HeadlessWindow.h"

namespace strellon {

class InstrumentEditor;

namespace panel {

class PanelSession {
public:
    // Installs the cairo module and the headless window system and makes one
    // Strellon through its entry; check ok().
    explicit PanelSession(host::HostSettings settings = {});
    ~PanelSession();
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    bool ok() const { return plugin_ != nullptr; }
    const std::string& error() const { return error_; }
    host::HostedPlugin& plugin() { return *plugin_; }
    InstrumentEditor& editor();
    platform::HeadlessWindowSystem& system() { return system_; }
    // The editor's window while it is open, else null.
    platform::HeadlessWindow* window();

    // effEditOpen with a stand-in parent window; its answer.
    vst2::intptr open();
    void close();
    // effEditIdle.
    void idle();
    // Paints the whole window as the platform would on its first expose.
    void paint();
    bool savePng(const std::string& path);

    // A press of the left button at `at`, moved through `path` and released
    // at its last point; the clock moves 20 ms with every step, so the idle
    // pump works during the drag as it would under a hand.
    void drag(Point at, const std::vector<Point>& path);
    void click(Point at) { drag(at, {}); }
    // A straight drag in even steps.
    void dragTo(Point from, Point to, int steps = 12);

    // Note-on events, one block rendered, so their strings sound.
    void holdNotes(const std::vector<int>& keys);

private:
    int parentWindow_ = 0;
    platform::HeadlessWindowSystem system_;
    std::string error_;
    std::unique_ptr<host::HostedPlugin> plugin_;
};

}  // namespace panel
}  // namespace strellon

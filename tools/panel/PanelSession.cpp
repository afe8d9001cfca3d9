#include "tools/panel/PanelSession.h"

#include "editor/InstrumentEditor.h"
#include "editor/StrellonPlugin.h"
#include "platform/cairo/CairoModule.h"
#include "plugin/PluginBase.h"
#include "toolkit/Frame.h"

namespace strellon::panel {

PanelSession::PanelSession(host::HostSettings settings) {
    platform::CairoModule::install();
    platform::setWindowSystem(&system_);
    plugin_ = host::HostedPlugin::create(host::PluginLibrary::linkedIn(strellonMain, "Strellon"), error_,
                                         std::move(settings));
}

PanelSession::~PanelSession() {
    plugin_.reset();
    if (platform::windowSystem() == &system_) platform::setWindowSystem(nullptr);
}

InstrumentEditor& PanelSession::editor() {
    PluginBase* base = PluginBase::fromEffect(plugin_->effect());
    return *static_cast<InstrumentEditor*>(base->getEditor());
}

platform::HeadlessWindow* PanelSession::window() {
    Frame* frame = editor().getFrame();
    return frame ? static_cast<platform::HeadlessWindow*>(frame->getWindow()) : nullptr;
}

vst2::intptr PanelSession::open() { return plugin_->dispatch(vst2::effEditOpen, 0, 0, &parentWindow_); }

void PanelSession::close() { plugin_->dispatch(vst2::effEditClose); }

void PanelSession::idle() { plugin_->dispatch(vst2::effEditIdle); }

void PanelSession::paint() {
    if (platform::HeadlessWindow* w = window()) w->paintAll();
}

bool PanelSession::savePng(const std::string& path) {
    platform::HeadlessWindow* w = window();
    return w && w->savePng(path);
}

// The frame and the clicked control each read the buttons once before a
// tracking loop starts; every pass of the loop reads once more.
void PanelSession::drag(Point at, const std::vector<Point>& path) {
    platform::HeadlessWindow* w = window();
    if (!w) return;
    if (editor().getFrame()->isFirstDrawPending()) w->paintAll();
    platform::InputState held;
    held.left = true;
    constexpr uint32_t kStepMs = 20;
    const Point last = path.empty() ? at : path.back();
    std::vector<platform::ScriptStep> steps{{at, held, 0}, {at, held, 0}};
    for (Point p : path) steps.push_back({p, held, kStepMs});
    steps.push_back({last, held, kStepMs});
    steps.push_back({last, platform::InputState{}, kStepMs});
    system_.script(steps);
    system_.setCursor(at);
    w->pressMouse(at);
}

void PanelSession::dragTo(Point from, Point to, int steps) {
    std::vector<Point> path;
    for (int i = 1; i <= steps; ++i)
        path.emplace_back(from.h + (to.h - from.h) * i / steps, from.v + (to.v - from.v) * i / steps);
    drag(from, path);
}

void PanelSession::holdNotes(const std::vector<int>& keys) {
    host::MidiEventList events;
    for (int key : keys) events.add(0, 0x90, static_cast<unsigned char>(key & 0x7F), 100);
    plugin_->startAudio(44100.0f, 256);
    plugin_->sendEvents(events.get());
    std::vector<float> left(256), right(256);
    float* outputs[] = {left.data(), right.data()};
    plugin_->processReplacing(outputs, 256);
}

}  // namespace strellon::panel

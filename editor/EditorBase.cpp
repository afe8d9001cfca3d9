#include "editor/EditorBase.h"

#include <chrono>
#include <cstddef>
#include <thread>

#include "platform/Window.h"
#include "plugin/PluginBase.h"
#include "toolkit/Frame.h"

namespace strellon {

namespace {
KeyCode toKeyCode(const vst2::VstKeyCode& key) {
    KeyCode code;
    code.character = key.character;
    code.virt = key.virt;
    code.modifier = key.modifier;
    return code;
}
}  // namespace

static_assert(sizeof(HostWindowRecord) == sizeof(vst2::VstWindow),
              "the frame's window record is handed to the host as its window record");
static_assert(offsetof(HostWindowRecord, winHandle) == offsetof(vst2::VstWindow, winHandle));

EditorBase::EditorBase(PluginBase* plugin) : EditorInterface(plugin), nextIdleTime_(ticks()) {
    // Nothing to initialise for drag and drop here: the window system does
    // that for the frame's window.
    if (plugin) plugin->setEditor(this);
}

uint32_t EditorBase::ticks() {
    if (platform::WindowSystem* system = platform::windowSystem()) return system->ticks();
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void EditorBase::sleep(uint32_t milliseconds) {
    if (platform::WindowSystem* system = platform::windowSystem()) system->sleep(milliseconds);
    else std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

vst2::int32 EditorBase::getRect(vst2::ERect** out) {
    if (!out) return 0;
    *out = &rect;
    return 1;
}

vst2::int32 EditorBase::open(void* parentWindow) {
    requestUpdate();
    EditorInterface::open(parentWindow);
    return 0;
}

void EditorBase::idle() {
    // The host's own idle, asked for by the pump, must not redraw the frame
    // from inside the pump.
    if (inIdlePump_) return;
    EditorInterface::idle();
    if (frame) frame->idle();
}

vst2::int32 EditorBase::onKeyDown(vst2::VstKeyCode& key) {
    return frame ? frame->onKeyDown(toKeyCode(key)) : -1;
}

vst2::int32 EditorBase::onKeyUp(vst2::VstKeyCode& key) {
    return frame ? frame->onKeyUp(toKeyCode(key)) : -1;
}

vst2::int32 EditorBase::setKnobMode(vst2::int32 mode) {
    Frame::setKnobMode(mode);
    return 1;
}

bool EditorBase::onWheel(float distance) {
    return frame ? frame->onWheel(nullptr, Point(0, 0), distance) : false;
}

void EditorBase::draw() {
    if (frame) frame->drawView(nullptr);
}

void EditorBase::beginEdit(int tag) {
    if (plugin()) plugin()->beginEdit(tag);
}

void EditorBase::endEdit(int tag) {
    if (plugin()) plugin()->endEdit(tag);
}

// At most one idle, one paint and one host idle per about 50 ms however
// tightly a tracking loop calls; 4 ms pauses in between. Tick counts wrap
// after 49.7 days: differences are taken modulo 2^32, so the pump keeps
// working across the wrap.
void EditorBase::pumpIdle() {
    uint32_t now = ticks();
    const auto ahead = [&](uint32_t later) { return int32_t(later - now) > 0; };
    if (ahead(nextIdleTime_)) {
        sleep(4);
        now += 4;
        if (ahead(nextIdleTime_ - 50)) return;
    }
    idle();
    if (frame)
        if (platform::Window* window = frame->getWindow()) window->dispatchPendingPaint();
    nextIdleTime_ = now + 100;
    inIdlePump_ = true;
    if (plugin()) plugin()->hostIdle();
    inIdlePump_ = false;
}

bool EditorBase::sizeWindow(int width, int height) {
    return plugin() && plugin()->sizeWindow(width, height);
}

void* EditorBase::openWindow(HostWindowRecord& record) {
    return plugin() ? plugin()->openWindow(reinterpret_cast<vst2::VstWindow*>(&record)) : nullptr;
}

bool EditorBase::closeWindow(HostWindowRecord& record) {
    return plugin() && plugin()->closeWindow(reinterpret_cast<vst2::VstWindow*>(&record));
}

}  // namespace strellon

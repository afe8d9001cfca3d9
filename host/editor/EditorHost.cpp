#include "host/editor/EditorHost.h"

#include <chrono>
#include <vector>

namespace strellon::host {

namespace {
constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;
}  // namespace

std::unique_ptr<EditorHost> EditorHost::load(const std::string& path, std::string& error) {
    auto plugin = HostedPlugin::load(path, error);
    if (!plugin) return nullptr;
    std::unique_ptr<EditorHost> host(new EditorHost(std::move(plugin)));
    host->startAudio();
    return host;
}

std::unique_ptr<EditorHost> EditorHost::another(const EditorHost& first, std::string& error) {
    auto plugin = HostedPlugin::create(first.plugin_->library(), error);
    if (!plugin) return nullptr;
    std::unique_ptr<EditorHost> host(new EditorHost(std::move(plugin)));
    host->startAudio();
    return host;
}

EditorHost::EditorHost(std::unique_ptr<HostedPlugin> plugin) : plugin_(std::move(plugin)) {}

EditorHost::~EditorHost() {
    running_ = false;
    if (audio_.joinable()) audio_.join();
    if (open_) close();
    plugin_.reset();
}

void EditorHost::startAudio() {
    plugin_->startAudio(kRate, kBlock);
    running_ = true;
    audio_ = std::thread([this] { audioLoop(); });
}

// Audio thread: one block about every 11.6 ms, a note struck every half
// second and let go a little later, walking up the twelve pitch classes.
void EditorHost::audioLoop() {
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    MidiEventList events;
    auto next = std::chrono::steady_clock::now();
    for (int block = 0; running_; ++block) {
        events.clear();
        const int note = 60 + (block / 43) % 12;
        if (block % 43 == 0) events.add(0, 0x90, static_cast<unsigned char>(note), 100);
        if (block % 43 == 30) events.add(0, 0x80, static_cast<unsigned char>(note), 0);
        if (!events.empty()) plugin_->sendEvents(events.get());
        plugin_->processReplacing(outputs, kBlock);
        blocks_.fetch_add(1, std::memory_order_relaxed);
        next += std::chrono::microseconds(int(1e6f * kBlock / kRate));
        std::this_thread::sleep_until(next);
    }
}

Rect EditorHost::editorRect() {
    vst2::ERect* rect = nullptr;
    if (!plugin_->dispatch(vst2::effEditGetRect, 0, 0, &rect) || !rect) return Rect();
    return Rect(rect->left, rect->top, rect->right, rect->bottom);
}

bool EditorHost::open(Point at) {
    if (open_) return true;
    const Rect r = editorRect();
    if (r.isEmpty()) return false;
    std::string error;
    window_ = platform::X11HostWindow::open(at, r.width(), r.height(), error);
    if (!window_) return false;
    open_ = plugin_->dispatch(vst2::effEditOpen, 0, 0, window_->handle()) != 0;
    if (!open_) window_.reset();
    return open_;
}

void EditorHost::close(bool destroyWindowFirst) {
    if (!open_) return;
    if (destroyWindowFirst && window_) window_->destroy();
    plugin_->dispatch(vst2::effEditClose);
    open_ = false;
    window_.reset();
}

void EditorHost::idle(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        if (open_) plugin_->dispatch(vst2::effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    } while (std::chrono::steady_clock::now() < end);
}

Point EditorHost::screen(Point inEditor) const {
    return window_ ? inEditor.offset(window_->origin().h, window_->origin().v) : inEditor;
}

}  // namespace strellon::host

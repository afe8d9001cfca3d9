#include <vector>

#include "platform/Resources.h"
#include "platform/Window.h"

namespace strellon::platform {

namespace {
WindowSystem* gWindowSystem = nullptr;
Module* gModule = nullptr;

std::vector<BitmapResource>& resourceTable() {
    static std::vector<BitmapResource> table;
    return table;
}
} // namespace

Color WindowSystem::systemColor(SystemColor which) {
    switch (which) {
    case SystemColor::menu: return Color{236, 233, 216, 0};
    case SystemColor::menuText: return Color{0, 0, 0, 0};
    case SystemColor::highlight: return Color{49, 106, 197, 0};
    case SystemColor::highlightText: return Color{255, 255, 255, 0};
    case SystemColor::grayText: return Color{172, 168, 153, 0};
    }
    return Color{};
}

WindowSystem* windowSystem() { return gWindowSystem; }
void setWindowSystem(WindowSystem* system) { gWindowSystem = system; }
Module* module() { return gModule; }
void setModule(Module* m) { gModule = m; }

void registerBitmapResources(const BitmapResource* table, std::size_t count) {
    auto& all = resourceTable();
    all.insert(all.end(), table, table + count);
}

const BitmapResource* findBitmapResource(int id) {
    // Later tables win, so a test can stand in for a library bitmap.
    const auto& all = resourceTable();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->id == id) return &*it;
    return nullptr;
}

} // namespace strellon::platform

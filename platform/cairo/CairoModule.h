#pragma once
#include "platform/Window.h"

namespace strellon::platform {

// The library module on a cairo platform: bitmaps come from the resource
// tables compiled into the library, memory surfaces are cairo images.
class CairoModule final : public Module {
public:
    uintptr_t instanceHandle() const override;
    std::unique_ptr<Surface> loadBitmap(int id) override;
    std::unique_ptr<Surface> createSurface(int width, int height) override;

    // The process's one instance, installed as the module in use.
    static CairoModule& install();
};

} // namespace strellon::platform

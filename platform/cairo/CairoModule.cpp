#include "platform/cairo/CairoModule.h"

#include <dlfcn.h>

#include "platform/Resources.h"
#include "platform/cairo/CairoSurface.h"

namespace strellon::platform {

namespace {
// dladdr on one of our own functions finds the library that holds this code.
bool selfInfo(Dl_info& info) {
    return dladdr(reinterpret_cast<void*>(&selfInfo), &info) != 0;
}
} // namespace

uintptr_t CairoModule::instanceHandle() const {
    Dl_info info{};
    return selfInfo(info) ? reinterpret_cast<uintptr_t>(info.dli_fbase) : 0;
}

std::unique_ptr<Surface> CairoModule::loadBitmap(int id) {
    const BitmapResource* resource = findBitmapResource(id);
    if (!resource) return nullptr;
    return CairoSurface::fromBmp(resource->data, resource->size);
}

std::unique_ptr<Surface> CairoModule::createSurface(int width, int height) {
    return CairoSurface::create(width, height);
}

CairoModule& CairoModule::install() {
    static CairoModule instance;
    setModule(&instance);
    return instance;
}

} // namespace strellon::platform

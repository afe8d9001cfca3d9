#include "plugin/Module.h"

#include <dlfcn.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace strellon {

namespace {
std::atomic<void*> handle{nullptr};
// A plain buffer rather than a std::string: it is written from a load-time
// initialiser, whose order against other static objects is not fixed.
char path[PATH_MAX] = {};
std::atomic<bool> outOfMemoryFlag{false};
}  // namespace

void recordModule(const void* addressInLibrary) {
    Dl_info info{};
    if (dladdr(addressInLibrary, &info) == 0) return;
    if (info.dli_fname) {
        std::strncpy(path, info.dli_fname, sizeof(path) - 1);
        path[sizeof(path) - 1] = '\0';
    }
    handle.store(info.dli_fbase, std::memory_order_relaxed);
}

void* moduleHandle() { return handle.load(std::memory_order_relaxed); }

std::string modulePath() { return path; }

std::string moduleDirectory() {
    std::string p = path;
    const auto slash = p.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : p.substr(0, slash);
}

void setOutOfMemory() { outOfMemoryFlag.store(true, std::memory_order_relaxed); }
bool outOfMemory() { return outOfMemoryFlag.load(std::memory_order_relaxed); }
void clearOutOfMemory() { outOfMemoryFlag.store(false, std::memory_order_relaxed); }

}  // namespace strellon

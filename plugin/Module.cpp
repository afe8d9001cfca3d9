#include "plugin/Module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <atomic>
#include <cstring>

namespace strellon {

namespace {
std::atomic<void*> handle{nullptr};
// A plain buffer rather than a std::string: it is written from the library
// entry, whose order against other static objects is not fixed.
char path[8192] = {};
std::atomic<bool> outOfMemoryFlag{false};

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif
}  // namespace

#ifdef _WIN32
void recordModuleInstance(void* instance) {
    const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(instance), path, sizeof(path));
    // A name cut off at the buffer's end is no path to look beside.
    if (n == 0 || n >= sizeof(path)) path[0] = '\0';
    handle.store(instance, std::memory_order_relaxed);
}

void recordModule(const void* addressInLibrary) {
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(addressInLibrary), &module))
        recordModuleInstance(module);
}
#else
void recordModule(const void* addressInLibrary) {
    Dl_info info{};
    if (dladdr(addressInLibrary, &info) == 0) return;
    if (info.dli_fname) {
        std::strncpy(path, info.dli_fname, sizeof(path) - 1);
        path[sizeof(path) - 1] = '\0';
    }
    handle.store(info.dli_fbase, std::memory_order_relaxed);
}
#endif

void* moduleHandle() { return handle.load(std::memory_order_relaxed); }

std::string modulePath() { return path; }

std::string moduleDirectory() {
    std::string p = path;
    const auto slash = p.find_last_of(kSeparators);
    if (slash == std::string::npos) return {};
    return slash == 0 ? p.substr(0, 1) : p.substr(0, slash);
}

char pathSeparator() { return kSeparators[0]; }

void setOutOfMemory() { outOfMemoryFlag.store(true, std::memory_order_relaxed); }
bool outOfMemory() { return outOfMemoryFlag.load(std::memory_order_relaxed); }
void clearOutOfMemory() { outOfMemoryFlag.store(false, std::memory_order_relaxed); }

}  // namespace strellon

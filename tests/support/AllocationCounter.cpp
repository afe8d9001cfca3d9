#include "tests/support/AllocationCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);

namespace {
thread_local bool counting = false;
thread_local int allocations = 0;

void note() {
    if (counting) ++allocations;
}
}  // namespace

namespace strellon::test {

void startCountingAllocations() {
    allocations = 0;
    counting = true;
}

int stopCountingAllocations() {
    counting = false;
    return allocations;
}

}  // namespace strellon::test

extern "C" void* malloc(std::size_t size) {
    note();
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    note();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
    note();
    return __libc_realloc(p, size);
}
void* operator new(std::size_t size) {
    note();
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

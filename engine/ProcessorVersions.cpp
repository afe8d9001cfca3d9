#include "engine/ProcessorVersions.h"

#include <atomic>

namespace strellon {

namespace {

// -1: none forced.
std::atomic<int> forced{-1};

ProcessorVersion best() {
    return processorRuns(ProcessorVersion::kAvx2) ? ProcessorVersion::kAvx2 : ProcessorVersion::kPlain;
}

}  // namespace

std::vector<ProcessorVersion> builtProcessorVersions() {
#if STRELLON_HAS_AVX2_VERSION
    return {ProcessorVersion::kPlain, ProcessorVersion::kAvx2};
#else
    return {ProcessorVersion::kPlain};
#endif
}

bool processorRuns(ProcessorVersion version) {
    if (version == ProcessorVersion::kPlain) return true;
#if STRELLON_HAS_AVX2_VERSION
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

ProcessorVersion chosenProcessorVersion() {
    const int v = forced.load(std::memory_order_relaxed);
    return v < 0 ? best() : static_cast<ProcessorVersion>(v);
}

void forceProcessorVersion(ProcessorVersion version) {
    if (processorRuns(version)) forced.store(static_cast<int>(version), std::memory_order_relaxed);
}

void resetProcessorVersion() { forced.store(-1, std::memory_order_relaxed); }

}  // namespace strellon

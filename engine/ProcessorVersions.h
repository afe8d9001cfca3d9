// Where the platform allows, the hot per-sample code is built twice: for
// plain SSE2 and for AVX2 machines, the same arithmetic in the same order
// (no fused multiply-adds), the second in fewer instructions. An engine picks
// the version when it is built: the best the processor runs, unless a test
// has asked for another. Sanitizer builds and other systems (whose
// compilers misalign AVX stack slots) contain the plain version only.
#pragma once

#include <vector>

#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define STRELLON_HAS_AVX2_VERSION 1
#define STRELLON_AVX2_VERSION __attribute__((target("avx2")))
#else
#define STRELLON_HAS_AVX2_VERSION 0
#define STRELLON_AVX2_VERSION
#endif

namespace strellon {

enum class ProcessorVersion { kPlain, kAvx2 };

// Every version this build contains.
std::vector<ProcessorVersion> builtProcessorVersions();
// Whether this machine can run a version.
bool processorRuns(ProcessorVersion version);
// The version engines built from now on use. UI thread.
ProcessorVersion chosenProcessorVersion();
// For tests: makes engines built from now on use a version this machine
// runs (others are ignored); resetProcessorVersion() goes back to the best.
void forceProcessorVersion(ProcessorVersion version);
void resetProcessorVersion();

// Picks one of two member functions by the chosen version.
template <class F>
F pickVersion(F plain, [[maybe_unused]] F avx2) {
#if STRELLON_HAS_AVX2_VERSION
    if (chosenProcessorVersion() == ProcessorVersion::kAvx2) return avx2;
#endif
    return plain;
}

}  // namespace strellon

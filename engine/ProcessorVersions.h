// Where the platform can pick a function version at load time, the hot
// per-sample code is also built for AVX2 machines: the same arithmetic in the
// same order (no fused multiply-adds), in fewer instructions. Other machines
// run the plain SSE2 build, and so do sanitizer builds, whose runtime is not
// up yet when the loader picks a version.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define STRELLON_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define STRELLON_VECTOR_CLONES
#endif

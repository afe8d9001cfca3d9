# Cross-compiles the 32-bit Windows library with mingw-w64. SSE2 maths keeps
# the 32-bit sound with the other builds (x87 registers round differently
# and drift at high rates). 32-bit hosts and threads may call in with the
# stack aligned to 4 bytes only; the functions that keep SSE values on the
# stack realign it. The 32-bit C library's malloc gives 8-byte alignment,
# not the 16 the compiler assumes of new: objects with vector members take
# the aligned new.
set(STRELLON_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign -faligned-new=8")

# What both Windows toolchains share; the including file sets
# STRELLON_MINGW_TRIPLE first. The -posix compilers carry std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${STRELLON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${STRELLON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${STRELLON_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${STRELLON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Programs built here run under Wine (tests and the test host).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

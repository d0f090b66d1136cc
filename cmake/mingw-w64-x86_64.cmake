# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the
# posix-threads variant, so std::thread and std::mutex work). The libraries
# built by scripts/build-windows-deps.sh sit in ZARVEK_WIN_PREFIX; the
# toolchain's own sysroot holds zlib (libz-mingw-w64-dev).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# The prefix also reaches try_compile projects, which re-read this file.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZARVEK_WIN_PREFIX)
if(NOT ZARVEK_WIN_PREFIX AND DEFINED ENV{ZARVEK_WIN_PREFIX})
  set(ZARVEK_WIN_PREFIX $ENV{ZARVEK_WIN_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${ZARVEK_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs run under Wine when tests or tools are started.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

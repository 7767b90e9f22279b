# Cross build of the kernel-mode driver for 32-bit x86 Windows with Debian's
# MinGW-w64 (g++-mingw-w64-i686, mingw-w64-i686-dev). The kernel's import
# libraries (ntoskrnl, hal) and the DDK headers come with mingw-w64-i686-dev.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TVB_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TVB_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${TVB_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${TVB_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TVB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

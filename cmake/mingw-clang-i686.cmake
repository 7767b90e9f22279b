# The toolchain of the msvc preset: clang and lld for 32-bit x86 Windows,
# with the MinGW-w64 headers of Debian's mingw-w64-i686-dev, which clang
# finds beside i686-w64-mingw32-gcc. CMake's compiler builds only the
# MinGW-mode C host and the DDK check there; the image itself is compiled in
# MSVC mode and linked with lld-link by explicit commands
# (cmake/tvboard-sys-msvc.cmake), as a WDK build runs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TVB_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TVB_MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TVB_MINGW_PREFIX})
set(CMAKE_RC_COMPILER ${TVB_MINGW_PREFIX}-windres)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -fuse-ld=lld)
endforeach()
# Nothing here links against a C runtime (the driver and the C hosts bring
# their own entry points), so the compiler checks stop at a library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /usr/${TVB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

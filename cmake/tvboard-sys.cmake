# tvboard.sys: the module as a 32-bit x86 Windows kernel-mode export driver,
# from the same module sources as every other build, on the Windows kernel
# services. Included by the top-level CMakeLists.txt when the target is
# Windows; nothing else is built then.
set(CMAKE_C_STANDARD 11)
set(CMAKE_C_STANDARD_REQUIRED ON)
set(CMAKE_C_EXTENSIONS OFF)
# No Win32 libraries: a kernel driver imports only from the kernel and the HAL.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")
# The version resource (cmake/version.cmake).
enable_language(RC)
find_program(TVB_PYTHON3 python3 HINTS /usr/bin REQUIRED)
option(TVB_RELEASE "Sign tvboard.sys with a test certificate and make the Windows archive" OFF)

# Two builds of the image, from the same sources and flags: in MSVC mode as a
# WDK build makes it, with clang and lld-link (preset msvc, the image that
# ships, with tvboard.pdb: cmake/tvboard-sys-msvc.cmake), and with MinGW's
# GCC and GNU ld (preset mingw), the cross-compiler check. The msvc preset's
# CMake compiler is clang for MinGW, which builds only the MinGW-mode host
# there; TVB_SYS_MSVC says which build this is.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(TVB_SYS_MSVC ON)
  # The C++ libraries beneath the bench need a C++ library for Windows,
  # which this build has not.
  set_target_properties(tvb_text tvb_module_vt tvb_emu tvb_host_driver tvb_claims PROPERTIES
                        EXCLUDE_FROM_ALL ON)
else()
  set(TVB_SYS_MSVC OFF)
endif()

# What kernel code on x86 needs beyond the module's kernel-safe subset:
# - no stack probes (__chkstk): kernel stacks are resident and have no guard
#   page to step through, and no runtime would provide the probe; in exchange
#   no frame may take more than 1 KiB of the thread's 12 KiB kernel stack;
# - integer registers only: the kernel does not save the floating-point or
#   SSE state for a driver, so such code would corrupt the interrupted thread;
# - no unwind tables (nothing unwinds: no exceptions) and no compiler tag.
set(TVB_KERNEL_WINDOWS_FLAGS -mno-stack-arg-probe -Wframe-larger-than=1024 -mgeneral-regs-only
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident)
add_library(tvb_kernel_windows INTERFACE)
target_compile_options(tvb_kernel_windows INTERFACE ${TVB_KERNEL_WINDOWS_FLAGS})
target_compile_definitions(tvb_kernel_windows INTERFACE TVBOARD_KERNEL=1)
target_link_libraries(tvb_kernel_windows INTERFACE tvb_kernel_safe)

# The DDK headers (wdm.h, ntddk.h) sit in their own folder; as system headers
# their own warnings do not count against ours. The MSVC-mode build has no
# DDK: it compiles the kernel services against module/frame/ddk/ntddk.h,
# which is checked here against the DDK's (a unit that includes both).
find_path(TVB_DDK_INCLUDE_DIR ntddk.h PATH_SUFFIXES ddk REQUIRED)
add_library(tvb_ddk_subset OBJECT tests/platforms/windows/ddk_subset.c)
target_link_libraries(tvb_ddk_subset PRIVATE tvb_kernel_windows)
target_include_directories(tvb_ddk_subset SYSTEM PRIVATE ${TVB_DDK_INCLUDE_DIR})
if(TVB_SYS_MSVC)
  # MinGW-w64's intrin-impl.h defines InterlockedBitTestAndSet and ...Reset
  # as extern inline, and wdm.h then defines them again as static inline.
  # GCC takes wdm.h's as file-local and drops them unused; clang emits them
  # as global functions. Marking intrin-impl.h's pair as present leaves wdm.h's.
  target_compile_definitions(tvb_ddk_subset PRIVATE
    __INTRINSIC_DEFINED_InterlockedBitTestAndSet __INTRINSIC_DEFINED_InterlockedBitTestAndReset)
  include(${PROJECT_SOURCE_DIR}/cmake/tvboard-sys-msvc.cmake)
else()
  include(${PROJECT_SOURCE_DIR}/cmake/tvboard-sys-gcc.cmake)
endif()
add_dependencies(tvboard_sys tvb_ddk_subset)

# The public header's standard and audio-mode values against Windows'
# ksmedia.h; builds with the driver, links into nothing.
add_library(tvb_ksmedia_values OBJECT tests/platforms/windows/ksmedia_values.cpp)
target_link_libraries(tvb_ksmedia_values PRIVATE tvb_warnings)
target_include_directories(tvb_ksmedia_values PRIVATE ${PROJECT_SOURCE_DIR}/module)
add_dependencies(tvboard_sys tvb_ksmedia_values)

# The image's exports, imports, calling conventions and layout, checked on
# this machine with a PE parser (Debian's python3-pefile, which installs for
# the system's python3: that one is preferred over any other on the PATH).
# objdump is binutils', whose output the check reads, for both builds;
# llvm-undname reads the MSVC-decorated names of the MSVC-mode image.
find_program(TVB_MINGW_OBJDUMP ${TVB_MINGW_PREFIX}-objdump REQUIRED)
find_program(TVB_LLVM_UNDNAME NAMES llvm-undname llvm-undname-14 REQUIRED)
enable_testing()
add_test(NAME sys_image
         COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_sys.py
                 --header ${PROJECT_SOURCE_DIR}/module/include/tvboard.h
                 ${TVB_SYS_IMAGE} ${TVB_SYS_NAMES})
set_tests_properties(sys_image PROPERTIES
                     ENVIRONMENT "OBJDUMP=${TVB_MINGW_OBJDUMP};LLVM_UNDNAME=${TVB_LLVM_UNDNAME}")
if(TVB_SYS_MSVC)
  # tvboard.pdb: the one the image names, with every function of the module
  # under its MSVC-decorated name.
  find_program(TVB_LLVM_PDBUTIL NAMES llvm-pdbutil llvm-pdbutil-14 REQUIRED)
  add_test(NAME sys_pdb
           COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_pdb.py ${TVB_SYS_IMAGE}
                   ${CMAKE_CURRENT_BINARY_DIR}/tvboard.pdb ${CMAKE_CURRENT_BINARY_DIR}/tvboard.map)
  set_tests_properties(sys_pdb PROPERTIES ENVIRONMENT "LLVM_PDBUTIL=${TVB_LLVM_PDBUTIL}")
endif()

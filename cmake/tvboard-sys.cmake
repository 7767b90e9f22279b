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

# Two builds of the image, from the same sources and flags: MinGW's GCC with
# GNU ld (preset mingw), and clang with lld (preset mingw-clang), which also
# write tvboard.pdb. Where they differ, TVB_SYS_LLD says which one this is.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(TVB_SYS_LLD ON)
  # The clang build makes the image and the C hosts only: the C++ libraries
  # beneath the bench need a C++ library for Windows, which it has not.
  set_target_properties(tvb_module_vt tvb_emu tvb_host_driver PROPERTIES EXCLUDE_FROM_ALL ON)
else()
  set(TVB_SYS_LLD OFF)
endif()

# What kernel code on x86 needs beyond the module's kernel-safe subset:
# - no stack probes (__chkstk): kernel stacks are resident and have no guard
#   page to step through, and no runtime would provide the probe; in exchange
#   no frame may take more than 1 KiB of the thread's 12 KiB kernel stack;
# - integer registers only: the kernel does not save the floating-point or
#   SSE state for a driver, so such code would corrupt the interrupted thread;
# - no unwind tables (nothing unwinds: no exceptions) and no compiler tag.
add_library(tvb_kernel_windows INTERFACE)
target_compile_options(tvb_kernel_windows INTERFACE
  -mno-stack-arg-probe -Wframe-larger-than=1024 -mgeneral-regs-only
  -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident)
target_compile_definitions(tvb_kernel_windows INTERFACE TVBOARD_KERNEL=1)
target_link_libraries(tvb_kernel_windows INTERFACE tvb_kernel_safe)
if(TVB_SYS_LLD)
  # CodeView debug information for the PDB. Under the DWARF exception model
  # clang would keep call-frame data for a DWARF debugger in .debug_frame,
  # which lld copies into an image linked with debug information; nothing here
  # throws, and under the SjLj model no such data is written. (A Windows
  # debugger walks the x86 frames with the FPO records of the CodeView data.)
  target_compile_options(tvb_kernel_windows INTERFACE -g -gcodeview -fsjlj-exceptions)
endif()

# The DDK headers (wdm.h, ntddk.h) sit in their own folder; as system headers
# their own warnings do not count against ours.
find_path(TVB_DDK_INCLUDE_DIR ntddk.h PATH_SUFFIXES ddk REQUIRED)

# The module's objects, compiled once and linked into both images below.
add_library(tvb_module_windows OBJECT ${TVB_MODULE_SOURCES})
target_link_libraries(tvb_module_windows PRIVATE tvb_kernel_windows)
# The kernel services and the entry point: the only sources that see the DDK.
add_library(tvb_kernel_windows_services OBJECT module/frame/kernel_windows.c module/frame/kernel_windows_entry.c)
target_link_libraries(tvb_kernel_windows_services PRIVATE tvb_kernel_windows)
target_include_directories(tvb_kernel_windows_services SYSTEM PRIVATE ${TVB_DDK_INCLUDE_DIR})
if(TVB_SYS_LLD)
  # MinGW-w64's intrin-impl.h defines InterlockedBitTestAndSet and ...Reset
  # as extern inline, and wdm.h then defines them again as static inline.
  # GCC takes wdm.h's as file-local and drops them unused; clang emits them
  # as global functions in every file that includes the DDK, which then clash
  # at the link. Marking intrin-impl.h's pair as present leaves wdm.h's.
  target_compile_definitions(tvb_kernel_windows_services PRIVATE
    __INTRINSIC_DEFINED_InterlockedBitTestAndSet __INTRINSIC_DEFINED_InterlockedBitTestAndReset)
endif()

# Link as a native-subsystem kernel DLL: no C runtime or start files, entry
# DriverEntry, exports only from the .def file, every stdcall name matched
# exactly, no timestamp (the same sources give the same bytes), loaded
# anywhere through its base relocations, and data imported only where it is
# declared so (there is no runtime to patch pseudo-relocations). The image
# carries its checksum, without which older Windows refuses a kernel driver:
# GNU ld writes it, and after lld a build step does (cmake/pe_checksum.py).
set(TVB_SYS_LINK_OPTIONS
  -nostdlib -Wl,--subsystem,native -Wl,--entry,_DriverEntry@8
  -Wl,--disable-stdcall-fixup -Wl,--no-insert-timestamp -Wl,--image-base,0x10000
  -Wl,--dynamicbase -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
# libgcc only supplies compiler helpers (64-bit division); it has no imports.
# Nothing in a kernel driver unwinds the stack (there are no exceptions), so
# the helpers' unwind tables are dropped: by a section rule added to GNU ld's
# script, and for lld, which takes no linker scripts for Windows images, from
# a copy of libgcc (Debian has no compiler-rt builtins for MinGW).
set(TVB_SYS_DEPENDS)
if(NOT TVB_SYS_LLD)
  set(TVB_SYS_SECTIONS ${PROJECT_SOURCE_DIR}/module/frame/tvboard-sections.ld)
  list(APPEND TVB_SYS_LINK_OPTIONS "-Wl,-T,${TVB_SYS_SECTIONS}")
  list(APPEND TVB_SYS_DEPENDS ${TVB_SYS_SECTIONS})
  set(TVB_SYS_LIBRARIES ntoskrnl hal gcc)
else()
  execute_process(COMMAND ${TVB_MINGW_PREFIX}-gcc -print-libgcc-file-name
                  OUTPUT_VARIABLE tvb_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  find_program(TVB_MINGW_OBJCOPY ${TVB_MINGW_PREFIX}-objcopy REQUIRED)
  set(tvb_libgcc_copy ${CMAKE_CURRENT_BINARY_DIR}/libgcc-nounwind.a)
  add_custom_command(OUTPUT ${tvb_libgcc_copy}
    COMMAND ${TVB_MINGW_OBJCOPY} --remove-section=.eh_frame --remove-section=.debug_frame
            ${tvb_libgcc} ${tvb_libgcc_copy}
    DEPENDS ${tvb_libgcc} COMMENT "libgcc without unwind tables, for lld")
  add_custom_target(tvb_libgcc_nounwind DEPENDS ${tvb_libgcc_copy})
  list(APPEND TVB_SYS_DEPENDS ${tvb_libgcc_copy})
  set(TVB_SYS_LIBRARIES ntoskrnl hal ${tvb_libgcc_copy})
  # The debug directory goes with the read-only data (where MSVC's linker
  # puts it too) instead of a section of its own; the link map keeps the
  # stdcall names as linked, for the checks.
  list(APPEND TVB_SYS_LINK_OPTIONS -Wl,--Xlink=-merge:.buildid=.rdata -Wl,--no-demangle)
endif()

# tvb_add_sys_image(target output [link options...]): tvboard.sys under the
# file name output.sys, with its version resource. With lld, output.pdb is
# written beside it and the image's debug directory names it without a
# folder, as a debugger looks it up (symbol path, or beside the image).
function(tvb_add_sys_image target output)
  add_library(${target} MODULE $<TARGET_OBJECTS:tvb_module_windows>
              $<TARGET_OBJECTS:tvb_kernel_windows_services> module/frame/tvboard.def)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output} SUFFIX ".sys"
                        LINKER_LANGUAGE CXX LINK_DEPENDS "${TVB_SYS_DEPENDS}")
  target_link_options(${target} PRIVATE ${TVB_SYS_LINK_OPTIONS} ${ARGN})
  target_link_libraries(${target} PRIVATE ${TVB_SYS_LIBRARIES})
  tvb_add_version_resource(${target} FILE tvboard.sys DRIVER
                           DESCRIPTION "TV tuner board module (kernel-mode export driver)")
  if(TVB_SYS_LLD)
    add_dependencies(${target} tvb_libgcc_nounwind)
    target_link_options(${target} PRIVATE "-Wl,--pdb=${CMAKE_CURRENT_BINARY_DIR}/${output}.pdb"
                        -Wl,--Xlink=-pdbaltpath:${output}.pdb)
    set_property(TARGET ${target} APPEND PROPERTY ADDITIONAL_CLEAN_FILES
                 ${CMAKE_CURRENT_BINARY_DIR}/${output}.pdb)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/pe_checksum.py $<TARGET_FILE:${target}>)
  endif()
endfunction()

if(NOT TVB_SYS_LLD)
  # The driver as shipped: stripped, with a link map beside it.
  tvb_add_sys_image(tvboard_sys tvboard -s "-Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/tvboard.map")
  # The same image with its symbol table, for inspection and for the checks.
  tvb_add_sys_image(tvboard_sys_symbols tvboard-symbols)
  set(TVB_SYS_NAMES $<TARGET_FILE:tvboard_sys_symbols>)
else()
  # The driver with tvboard.pdb, and the link map the checks name addresses by.
  tvb_add_sys_image(tvboard_sys tvboard "-Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/tvboard.map")
  set(TVB_SYS_NAMES --map ${CMAKE_CURRENT_BINARY_DIR}/tvboard.map)
endif()

# The public header's standard and audio-mode values against Windows'
# ksmedia.h; builds with the driver, links into nothing.
add_library(tvb_ksmedia_values OBJECT tests/platforms/windows/ksmedia_values.cpp)
target_link_libraries(tvb_ksmedia_values PRIVATE tvb_warnings)
target_include_directories(tvb_ksmedia_values PRIVATE ${PROJECT_SOURCE_DIR}/module)
add_dependencies(tvboard_sys tvb_ksmedia_values)

# The image's exports, imports, calling conventions and layout, checked on
# this machine with a PE parser (Debian's python3-pefile, which installs for
# the system's python3: that one is preferred over any other on the PATH).
# objdump is binutils', whose output the check reads, for both builds.
find_program(TVB_MINGW_OBJDUMP ${TVB_MINGW_PREFIX}-objdump REQUIRED)
enable_testing()
add_test(NAME sys_image
         COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_sys.py
                 --header ${PROJECT_SOURCE_DIR}/module/include/tvboard.h
                 $<TARGET_FILE:tvboard_sys> ${TVB_SYS_NAMES})
set_tests_properties(sys_image PROPERTIES ENVIRONMENT "OBJDUMP=${TVB_MINGW_OBJDUMP}")
if(TVB_SYS_LLD)
  # tvboard.pdb: the one the image names, with every function of the module.
  find_program(TVB_LLVM_PDBUTIL NAMES llvm-pdbutil llvm-pdbutil-14 REQUIRED)
  add_test(NAME sys_pdb
           COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_pdb.py $<TARGET_FILE:tvboard_sys>
                   ${CMAKE_CURRENT_BINARY_DIR}/tvboard.pdb ${CMAKE_CURRENT_BINARY_DIR}/tvboard.map)
  set_tests_properties(sys_pdb PROPERTIES ENVIRONMENT "LLVM_PDBUTIL=${TVB_LLVM_PDBUTIL}")
endif()

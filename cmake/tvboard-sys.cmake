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

# The DDK headers (wdm.h, ntddk.h) sit in their own folder; as system headers
# their own warnings do not count against ours.
find_path(TVB_DDK_INCLUDE_DIR ntddk.h PATH_SUFFIXES ddk REQUIRED)

# The module's objects, compiled once and linked into both images below.
add_library(tvb_module_windows OBJECT ${TVB_MODULE_SOURCES})
target_link_libraries(tvb_module_windows PRIVATE tvb_kernel_windows)
# The kernel services and the entry point: the only sources that see the DDK.
add_library(tvb_kernel_windows_services OBJECT frame/kernel_windows.c frame/kernel_windows_entry.c)
target_link_libraries(tvb_kernel_windows_services PRIVATE tvb_kernel_windows)
target_include_directories(tvb_kernel_windows_services SYSTEM PRIVATE ${TVB_DDK_INCLUDE_DIR})

# Link as a native-subsystem kernel DLL: no C runtime or start files, entry
# DriverEntry, exports only from the .def file, every stdcall name matched
# exactly, no timestamp (the same sources give the same bytes), loaded
# anywhere through its base relocations. ld also writes the image checksum,
# without which older Windows refuses a kernel driver.
set(TVB_SYS_SECTIONS ${PROJECT_SOURCE_DIR}/frame/tvboard-sections.ld)
set(TVB_SYS_LINK_OPTIONS
  -nostdlib -Wl,--subsystem,native -Wl,--entry,_DriverEntry@8
  -Wl,--disable-stdcall-fixup -Wl,--no-insert-timestamp -Wl,--image-base,0x10000
  -Wl,--dynamicbase "-Wl,-T,${TVB_SYS_SECTIONS}")
# libgcc only supplies compiler helpers (64-bit division); it has no imports.
set(TVB_SYS_LIBRARIES ntoskrnl hal gcc)

function(tvb_add_sys_image target output)
  add_library(${target} MODULE $<TARGET_OBJECTS:tvb_module_windows>
              $<TARGET_OBJECTS:tvb_kernel_windows_services> frame/tvboard.def)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output} SUFFIX ".sys"
                        LINKER_LANGUAGE CXX LINK_DEPENDS ${TVB_SYS_SECTIONS})
  target_link_options(${target} PRIVATE ${TVB_SYS_LINK_OPTIONS} ${ARGN})
  target_link_libraries(${target} PRIVATE ${TVB_SYS_LIBRARIES})
endfunction()

# The driver as shipped: stripped, with a link map beside it.
tvb_add_sys_image(tvboard_sys tvboard -s "-Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/tvboard.map")
# The same image with its symbol table, for inspection and for the checks.
tvb_add_sys_image(tvboard_sys_symbols tvboard-symbols)

# The public header's standard and audio-mode values against Windows'
# ksmedia.h; builds with the driver, links into nothing.
add_library(tvb_ksmedia_values OBJECT tests/platforms/windows/ksmedia_values.cpp)
target_link_libraries(tvb_ksmedia_values PRIVATE tvb_warnings)
target_include_directories(tvb_ksmedia_values PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(tvboard_sys tvb_ksmedia_values)

# The image's exports, imports, calling conventions and layout, checked on
# this machine with a PE parser (Debian's python3-pefile, which installs for
# the system's python3: that one is preferred over any other on the PATH).
find_program(TVB_PYTHON3 python3 HINTS /usr/bin REQUIRED)
enable_testing()
add_test(NAME sys_image
         COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_sys.py
                 $<TARGET_FILE:tvboard_sys> $<TARGET_FILE:tvboard_sys_symbols>)
set_tests_properties(sys_image PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")

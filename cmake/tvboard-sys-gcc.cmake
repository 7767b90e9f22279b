# tvboard.sys built with MinGW-w64's GCC and GNU ld (preset mingw): the
# cross-compiler check beside the MSVC-mode image that ships. Included by
# cmake/tvboard-sys.cmake; defines the target tvboard_sys, the image
# TVB_SYS_IMAGE and the names the image checks read (TVB_SYS_NAMES).

# The module's objects, compiled once and linked into both images below.
add_library(tvb_module_windows OBJECT ${TVB_MODULE_SOURCES})
target_link_libraries(tvb_module_windows PRIVATE tvb_kernel_windows)
# The kernel services and the entry point: the only sources that see the DDK.
add_library(tvb_kernel_windows_services OBJECT module/frame/kernel_windows.c module/frame/kernel_windows_entry.c)
target_link_libraries(tvb_kernel_windows_services PRIVATE tvb_kernel_windows)
target_include_directories(tvb_kernel_windows_services SYSTEM PRIVATE ${TVB_DDK_INCLUDE_DIR})

# Link as a native-subsystem kernel DLL: no C runtime or start files, entry
# DriverEntry, exports only from the .def file, every stdcall name matched
# exactly, no timestamp (the same sources give the same bytes), loaded
# anywhere through its base relocations, and data imported only where it is
# declared so (there is no runtime to patch pseudo-relocations). GNU ld
# writes the image checksum, without which older Windows refuses a kernel
# driver. libgcc only supplies compiler helpers (64-bit division); it has no
# imports. Nothing in a kernel driver unwinds the stack (there are no
# exceptions), so the helpers' unwind tables are dropped by a section rule
# added to GNU ld's script.
set(TVB_SYS_SECTIONS ${PROJECT_SOURCE_DIR}/module/frame/tvboard-sections.ld)
set(TVB_SYS_LINK_OPTIONS
  -nostdlib -Wl,--subsystem,native -Wl,--entry,_DriverEntry@8
  -Wl,--disable-stdcall-fixup -Wl,--no-insert-timestamp -Wl,--image-base,0x10000
  -Wl,--dynamicbase -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
  "-Wl,-T,${TVB_SYS_SECTIONS}")

# tvb_add_sys_image(target output [link options...]): tvboard.sys under the
# file name output.sys, with its version resource.
function(tvb_add_sys_image target output)
  add_library(${target} MODULE $<TARGET_OBJECTS:tvb_module_windows>
              $<TARGET_OBJECTS:tvb_kernel_windows_services> module/frame/tvboard.def)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output} SUFFIX ".sys"
                        LINKER_LANGUAGE CXX LINK_DEPENDS "${TVB_SYS_SECTIONS}")
  target_link_options(${target} PRIVATE ${TVB_SYS_LINK_OPTIONS} ${ARGN})
  target_link_libraries(${target} PRIVATE ntoskrnl hal gcc)
  tvb_add_version_resource(${target} FILE tvboard.sys DRIVER
                           DESCRIPTION "TV tuner board module (kernel-mode export driver)")
endfunction()

# The driver, stripped, with a link map beside it.
tvb_add_sys_image(tvboard_sys tvboard -s "-Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/tvboard.map")
# The same image with its symbol table, for inspection and for the checks.
tvb_add_sys_image(tvboard_sys_symbols tvboard-symbols)
set(TVB_SYS_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/tvboard.sys)
set(TVB_SYS_NAMES $<TARGET_FILE:tvboard_sys_symbols>)

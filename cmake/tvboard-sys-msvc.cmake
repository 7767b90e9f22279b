# tvboard.sys in MSVC mode, as a WDK build makes it (preset msvc): the image
# that ships. clang compiles the module for i686-pc-windows-msvc with the
# module's flags, so the symbols carry MSVC-decorated names, which a Windows
# debugger demangles; lld-link links a kernel-mode driver (/DRIVER,
# /SUBSYSTEM:NATIVE) against ntoskrnl.lib and hal.lib, made with
# llvm-dlltool from .def files that list the eight routines the module
# imports, and writes tvboard.pdb. Included by cmake/tvboard-sys.cmake;
# defines the target tvboard_sys, the image TVB_SYS_IMAGE and the names the
# image checks read (TVB_SYS_NAMES).
#
# The commands run in the build folder and name every input by a path
# relative to it, with the source folder mapped away in the debug
# information: the PDB then names the sources module/..., and neither it nor
# the image holds a path of the build machine's source or build folders
# (clang records its command line in each object's build information, so an
# absolute path given to it would show there too).
find_program(TVB_CLANG NAMES clang clang-14 REQUIRED)
find_program(TVB_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
find_program(TVB_LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
find_program(TVB_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
file(RELATIVE_PATH tvb_src ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
string(REGEX REPLACE "/$" "" tvb_src "${tvb_src}")
set(tvb_out msvc)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${tvb_out})

# The build type's optimization is the one the MinGW builds use (MinSizeRel).
set(tvb_flags --target=i686-pc-windows-msvc -Os -DNDEBUG ${TVB_WARNING_FLAGS}
    ${TVB_KERNEL_SAFE_FLAGS} ${TVB_KERNEL_WINDOWS_FLAGS} -DTVBOARD_MODULE=1 -DTVBOARD_KERNEL=1
    -I${tvb_src}/module -g -gcodeview -ffile-compilation-dir=. -ffile-prefix-map=${tvb_src}/=)
set(tvb_objects)
set(tvb_object_files)
foreach(src IN LISTS TVB_MODULE_SOURCES ITEMS module/frame/kernel_windows.c
        module/frame/kernel_windows_entry.c module/frame/kernel_windows_msvc.c)
  if(src MATCHES "\\.c$")
    set(lang -std=c11 -isystem ${tvb_src}/module/frame/ddk)
  else()
    set(lang -std=c++17 ${TVB_KERNEL_SAFE_CXX_FLAGS})
  endif()
  set(obj ${tvb_out}/${src}.obj)
  get_filename_component(folder ${CMAKE_BINARY_DIR}/${obj} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${obj}
    COMMAND ${TVB_CLANG} ${tvb_flags} ${lang} -MD -MF ${obj}.d -c ${tvb_src}/${src} -o ${obj}
    DEPENDS ${PROJECT_SOURCE_DIR}/${src} DEPFILE ${CMAKE_BINARY_DIR}/${obj}.d
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} COMMENT "Compiling ${src} in MSVC mode" VERBATIM)
  list(APPEND tvb_objects ${obj})
  list(APPEND tvb_object_files ${CMAKE_BINARY_DIR}/${obj})
endforeach()

# The kernel's import libraries, from the routines the module imports.
set(tvb_kernel_libraries)
set(tvb_kernel_library_files)
foreach(dll ntoskrnl hal)
  set(def ${PROJECT_SOURCE_DIR}/module/frame/${dll}.def)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${tvb_out}/${dll}.lib
    COMMAND ${TVB_LLVM_DLLTOOL} -m i386 -k -d ${tvb_src}/module/frame/${dll}.def
            -l ${tvb_out}/${dll}.lib
    DEPENDS ${def} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Import library ${dll}.lib from module/frame/${dll}.def" VERBATIM)
  list(APPEND tvb_kernel_libraries ${tvb_out}/${dll}.lib)
  list(APPEND tvb_kernel_library_files ${CMAKE_BINARY_DIR}/${tvb_out}/${dll}.lib)
endforeach()

# The exports, from module/frame/tvboard.def. In MSVC mode a .def file names
# a stdcall routine by its symbol (_DllInitialize@4): the linker puts no
# underscore before a name that carries its argument bytes, as GNU ld does.
set(TVB_DEF ${PROJECT_SOURCE_DIR}/module/frame/tvboard.def)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TVB_DEF})
file(READ ${TVB_DEF} tvb_def)
string(REGEX REPLACE "(=[ \t]*)([A-Za-z_][A-Za-z0-9_]*@[0-9]+)" "\\1_\\2" tvb_def "${tvb_def}")
file(WRITE ${CMAKE_BINARY_DIR}/${tvb_out}/tvboard.def "${tvb_def}")

tvb_version_resource_script(tvboard_sys FILE tvboard.sys DRIVER
                            DESCRIPTION "TV tuner board module (kernel-mode export driver)")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${tvb_out}/version.res
  COMMAND ${TVB_LLVM_RC} /FO ${tvb_out}/version.res -- ${tvboard_sys_VERSION_RC}
  DEPENDS ${tvboard_sys_VERSION_RC} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)

# A kernel-mode DLL: entry DriverEntry, no default libraries, loaded at any
# address through its base relocations; unreferenced code left out. /Brepro
# puts a hash of the image where a link's time would go, so the same sources
# give the same bytes. The PDB is named without a folder (%_PDB%), as a
# debugger looks it up (symbol path, or beside the image), and its source
# paths stay relative (/PDBSOURCEPATH:.). The link map keeps the decorated
# names, for the checks; the import library lld-link writes is not the one
# hosts get (cmake/import-libraries.cmake). Then the export ordinals from 1
# (cmake/pe_export_ordinals.py), the image checksum, without which older
# Windows refuses a kernel driver, and in the release build the test
# signature.
set(TVB_SYS_IMAGE ${CMAKE_BINARY_DIR}/tvboard.sys)
set(tvb_finish
  COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/pe_export_ordinals.py ${TVB_SYS_IMAGE}
  COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/pe_checksum.py ${TVB_SYS_IMAGE})
if(TVB_RELEASE)
  include(${PROJECT_SOURCE_DIR}/cmake/test-signature.cmake)
  tvb_signing_commands(${TVB_SYS_IMAGE} tvb_sign)
  list(APPEND tvb_finish ${tvb_sign})
endif()
add_custom_command(OUTPUT ${TVB_SYS_IMAGE} ${CMAKE_BINARY_DIR}/tvboard.pdb
                          ${CMAKE_BINARY_DIR}/tvboard.map
  COMMAND ${TVB_LLD_LINK} /nologo /machine:x86 /dll /driver /subsystem:native /entry:DriverEntry
          /nodefaultlib /base:0x10000 /opt:ref /brepro /debug /pdb:tvboard.pdb
          /pdbaltpath:%_PDB% /pdbsourcepath:. /lldmap:tvboard.map /demangle:no
          /def:${tvb_out}/tvboard.def /implib:${tvb_out}/tvboard-link.lib /out:tvboard.sys
          ${tvb_objects} ${tvb_out}/version.res ${tvb_kernel_libraries}
  ${tvb_finish}
  DEPENDS ${tvb_object_files} ${CMAKE_BINARY_DIR}/${tvb_out}/version.res
          ${tvb_kernel_library_files} ${CMAKE_BINARY_DIR}/${tvb_out}/tvboard.def
          ${TVB_SIGN_DEPENDS}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR} COMMENT "Linking tvboard.sys with lld-link" VERBATIM)
add_custom_target(tvboard_sys ALL DEPENDS ${TVB_SYS_IMAGE})
set(TVB_SYS_NAMES --map ${CMAKE_BINARY_DIR}/tvboard.map)

# The Windows side beyond the driver image, included by the top-level
# CMakeLists.txt for the Windows builds after tvboard-sys.cmake and bench/:
# what a host's developers link against, a host in C that binds the driver
# through it, the runs of tvboard.sys under Wine and, in the release build,
# the test signature and the archive.
include(${PROJECT_SOURCE_DIR}/cmake/import-libraries.cmake)

# The bench for Windows, tvboard.exe. The msvc preset has no C++ library for
# Windows, which the bench needs: it runs its image with the bench of the
# GCC build (preset mingw, built first), and ships that one.
if(TARGET tvboard_cli)
  # tvboard.exe names the commit in its --version and its version resource.
  target_compile_definitions(tvboard_cli PRIVATE TVB_COMMIT="${TVB_COMMIT}")
  tvb_add_version_resource(tvboard_cli FILE tvboard.exe
                           DESCRIPTION "tvboard bench: drives the board module against an emulated board")
  set(TVB_BENCH $<TARGET_FILE:tvboard_cli>)
else()
  set(TVB_WINDOWS_BENCH ${PROJECT_SOURCE_DIR}/build/mingw/bench/tvboard.exe CACHE FILEPATH
      "tvboard.exe that runs this build's tvboard.sys under Wine")
  set(TVB_BENCH ${TVB_WINDOWS_BENCH})
endif()

# A host in C (tests/platforms/host_c), with no C runtime: its own entry point, kernel32
# and the module's import library only. Built twice from the same sources, as
# a MinGW program against libtvboard.a and as an MSVC-style program against
# tvboard.lib, both beside tvboard.sys so the loader finds the image they
# import from.
set(TVB_C_HOST_SOURCES tests/platforms/host_c/tune_host.c tests/platforms/host_c/board.c tests/platforms/host_c/console.c
    tests/platforms/host_c/runtime.c)
# (-ffreestanding keeps clang from turning runtime.c's loops into calls of
# themselves; GCC needs its loop-distribution rewriting off as well.)
set(TVB_C_HOST_FLAGS -Wall -Wextra -Wpedantic -Werror -ffreestanding)
add_executable(tvboard_c_host ${TVB_C_HOST_SOURCES})
set_target_properties(tvboard_c_host PROPERTIES OUTPUT_NAME tune_host C_STANDARD 99
                      C_EXTENSIONS OFF RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(tvboard_c_host PRIVATE ${PROJECT_SOURCE_DIR}/module/include)
target_compile_options(tvboard_c_host PRIVATE ${TVB_C_HOST_FLAGS}
                       $<$<C_COMPILER_ID:GNU>:-fno-tree-loop-distribute-patterns>)
target_link_options(tvboard_c_host PRIVATE -nostdlib -Wl,--entry,_HostEntry)
target_link_libraries(tvboard_c_host PRIVATE ${TVB_IMPORT_LIBRARY_GNU} kernel32)
tvb_add_version_resource(tvboard_c_host FILE tune_host.exe
                         DESCRIPTION "tvboard example host in C (MinGW, libtvboard.a)")
add_dependencies(tvboard_c_host tvboard_import_library tvboard_sys)

# The same host as the WDK's tools would build it: clang in MSVC mode, no
# Windows SDK (it declares the few kernel32 functions it calls), lld-link
# against tvboard.lib and a kernel32.lib made from tests/platforms/host_c/kernel32.def.
find_program(TVB_CLANG NAMES clang clang-14 REQUIRED)
find_program(TVB_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
find_program(TVB_LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
set(tvb_msvc ${CMAKE_BINARY_DIR}/msvc-host)
set(tvb_msvc_host ${CMAKE_BINARY_DIR}/tune_host_msvc.exe)
file(MAKE_DIRECTORY ${tvb_msvc})
add_custom_command(OUTPUT ${tvb_msvc}/kernel32.lib
  COMMAND ${TVB_LLVM_DLLTOOL} -m i386 -k -d ${PROJECT_SOURCE_DIR}/tests/platforms/host_c/kernel32.def
          -l ${tvb_msvc}/kernel32.lib
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/platforms/host_c/kernel32.def
  COMMENT "Import library kernel32.lib for the MSVC-mode host")
set(tvb_msvc_objects)
foreach(src IN LISTS TVB_C_HOST_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  add_custom_command(OUTPUT ${tvb_msvc}/${name}.obj
    COMMAND ${TVB_CLANG} --target=i686-pc-windows-msvc -std=c99 -Os ${TVB_C_HOST_FLAGS}
            -I${PROJECT_SOURCE_DIR}/module/include -MD -MF ${tvb_msvc}/${name}.obj.d
            -c ${PROJECT_SOURCE_DIR}/${src} -o ${tvb_msvc}/${name}.obj
    DEPENDS ${PROJECT_SOURCE_DIR}/${src} DEPFILE ${tvb_msvc}/${name}.obj.d
    COMMENT "Compiling ${src} in MSVC mode")
  list(APPEND tvb_msvc_objects ${tvb_msvc}/${name}.obj)
endforeach()
tvb_version_resource_script(tvboard_c_host_msvc FILE tune_host_msvc.exe
                            DESCRIPTION "tvboard example host in C (MSVC mode, tvboard.lib)")
add_custom_command(OUTPUT ${tvb_msvc}/version.res
  COMMAND ${TVB_LLVM_RC} /FO ${tvb_msvc}/version.res -- ${tvboard_c_host_msvc_VERSION_RC}
  DEPENDS ${tvboard_c_host_msvc_VERSION_RC})
add_custom_command(OUTPUT ${tvb_msvc_host}
  COMMAND ${TVB_LLD_LINK} /nologo /machine:x86 /subsystem:console /entry:HostEntry
          /nodefaultlib /brepro /out:${tvb_msvc_host} ${tvb_msvc_objects} ${tvb_msvc}/version.res
          ${TVB_IMPORT_LIBRARY_MSVC} ${tvb_msvc}/kernel32.lib
  DEPENDS ${tvb_msvc_objects} ${tvb_msvc}/version.res ${TVB_IMPORT_LIBRARY_MSVC}
          ${tvb_msvc}/kernel32.lib
  COMMENT "Linking tune_host_msvc.exe with lld-link against tvboard.lib")
add_custom_target(tvboard_c_host_msvc ALL DEPENDS ${tvb_msvc_host})
add_dependencies(tvboard_c_host_msvc tvboard_sys)

# What the MSVC-mode host imports, and the import library's format.
find_program(TVB_LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14 REQUIRED)
add_test(NAME c_host_imports
         COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_host_imports.py
                 ${TVB_IMPORT_LIBRARY_MSVC} $<TARGET_FILE:tvboard_c_host> ${tvb_msvc_host})
set_tests_properties(c_host_imports PROPERTIES ENVIRONMENT "LLVM_READOBJ=${TVB_LLVM_READOBJ}")

# tvboard.sys under Wine, whose loader binds the image to its own
# ntoskrnl.exe and HAL.dll. Debug channels off; no prompts for Mono or Gecko
# when the Wine prefix is made on the first run.
find_program(TVB_WINE wine)
if(TVB_WINE)
  set(TVB_WINE_ENV "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  # The reference to compare with: by default the module built into
  # tvboard.exe (MinGW's GCC, virtual time); scripts/test-all.sh passes the
  # timelines recorded by the Linux build, so a difference of the Windows
  # compiler shows too.
  set(TVB_CONFORM_REFERENCE "" CACHE FILEPATH
      "Timelines written by 'tvboard record' to compare tvboard.sys with")
  set(tvb_against)
  if(TVB_CONFORM_REFERENCE)
    set(tvb_against --against ${TVB_CONFORM_REFERENCE})
  endif()
  # With Wine's ntoskrnl debug channel on, every kernel call the image makes
  # is held to the kernel's rules where the channel shows the argument (the
  # check's head says which, and why the rest are held on virtual time only).
  add_test(NAME sys_conformance_under_wine
           COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_wine_kernel_calls.py
                   ${TVB_WINE} ${TVB_BENCH} conform --module ${TVB_SYS_IMAGE}
                   ${tvb_against})
  add_test(NAME sys_session_under_wine
           COMMAND ${TVB_WINE} ${TVB_BENCH} --module ${TVB_SYS_IMAGE} session --trace)
  # (The two longest: started first.)
  set_tests_properties(sys_conformance_under_wine PROPERTIES COST 20)
  set_tests_properties(sys_session_under_wine PROPERTIES COST 20
                       PASS_REGULAR_EXPRESSION
                       "stereo set.*dbg \"<ORVELSTRM.SYS> \" \"\\*+ Unload Board Module")
  add_test(NAME c_host_imports_sys_under_wine COMMAND ${TVB_WINE} $<TARGET_FILE:tvboard_c_host>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  add_test(NAME c_host_msvc_imports_sys_under_wine COMMAND ${TVB_WINE} ${tvb_msvc_host}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  # This build's version resources against the project version, the commit
  # and what its bench prints (the msvc preset's bench is the GCC build's,
  # checked there).
  set(tvb_own_bench)
  if(TARGET tvboard_cli)
    set(tvb_own_bench $<TARGET_FILE:tvboard_cli> -- ${TVB_WINE} $<TARGET_FILE:tvboard_cli>)
  endif()
  add_test(NAME version_resources
           COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/platforms/check_version.py
                   "${PROJECT_VERSION}" "${TVB_COMMIT}" ${TVB_SYS_IMAGE}
                   $<TARGET_FILE:tvboard_c_host> ${tvb_msvc_host} ${tvb_own_bench})
  set_tests_properties(sys_conformance_under_wine sys_session_under_wine
                       c_host_imports_sys_under_wine c_host_msvc_imports_sys_under_wine
                       version_resources PROPERTIES ENVIRONMENT "${TVB_WINE_ENV}" TIMEOUT 300)
else()
  message(WARNING "wine not found: tvboard.sys is built and checked, but not run")
endif()

# The archive of the image that ships (preset msvc; docs/release.md says why
# that one), signed as cmake/tvboard-sys-msvc.cmake links it.
if(TVB_RELEASE)
  include(${PROJECT_SOURCE_DIR}/cmake/package.cmake)
endif()

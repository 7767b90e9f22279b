# The Windows side beyond the driver image, included by the top-level
# CMakeLists.txt for the MinGW build after tvboard-sys.cmake and bench/:
# what a host's developers link against, a host in C that binds the driver
# through it, and the runs of tvboard.sys under Wine.

# tvboard.exe names the commit in its --version, as the Linux bench does.
target_compile_definitions(tvboard_cli PRIVATE TVB_COMMIT="${TVB_COMMIT}")

# The import library for hosts, made from tvboard.def: its exports that are
# not PRIVATE, under their stdcall names (what a caller's object refers to),
# with the decoration stripped from the name imported (what the image
# exports).
set(TVB_DEF ${PROJECT_SOURCE_DIR}/frame/tvboard.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TVB_DEF})
file(STRINGS ${TVB_DEF} tvb_def_lines)
set(tvb_import_def "LIBRARY \"tvboard.sys\"\nEXPORTS\n")
foreach(line IN LISTS tvb_def_lines)
  if(line MATCHES "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*=[ \t]*([A-Za-z_][A-Za-z0-9_]*@[0-9]+)[ \t]*$")
    string(APPEND tvb_import_def "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/tvboard-import.def "${tvb_import_def}")
find_program(TVB_DLLTOOL ${TVB_MINGW_PREFIX}-dlltool REQUIRED)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/libtvboard.a
  COMMAND ${TVB_DLLTOOL} --kill-at -d ${CMAKE_CURRENT_BINARY_DIR}/tvboard-import.def
          -l ${CMAKE_CURRENT_BINARY_DIR}/libtvboard.a
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/tvboard-import.def
  COMMENT "Import library libtvboard.a from tvboard.def")
add_custom_target(tvboard_import_library ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/libtvboard.a)

# A host in C, linked against the import library, beside tvboard.sys so the
# loader finds the image it imports from.
add_executable(tvboard_c_host tests/host_c/tune_host.c)
set_target_properties(tvboard_c_host PROPERTIES OUTPUT_NAME tune_host C_STANDARD 99
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
target_include_directories(tvboard_c_host PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_options(tvboard_c_host PRIVATE -Wall -Wextra -Wpedantic -Werror)
target_link_libraries(tvboard_c_host PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/libtvboard.a)
target_link_options(tvboard_c_host PRIVATE -static)
add_dependencies(tvboard_c_host tvboard_import_library tvboard_sys)

# tvboard.sys under Wine, whose loader binds the image to its own
# ntoskrnl.exe and HAL.dll. Debug channels off; no prompts for Mono or Gecko
# when the Wine prefix is made on the first run.
find_program(TVB_WINE wine)
if(TVB_WINE)
  set(TVB_WINE_ENV "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  # The reference to compare with: by default the module built into
  # tvboard.exe (this compiler, virtual time); scripts/test-all.sh passes the
  # timelines recorded by the Linux build, so a difference of the MinGW
  # compiler shows too.
  set(TVB_CONFORM_REFERENCE "" CACHE FILEPATH
      "Timelines written by 'tvboard record' to compare tvboard.sys with")
  set(tvb_against)
  if(TVB_CONFORM_REFERENCE)
    set(tvb_against --against ${TVB_CONFORM_REFERENCE})
  endif()
  add_test(NAME sys_conformance_under_wine
           COMMAND ${TVB_WINE} $<TARGET_FILE:tvboard_cli> conform
                   --module $<TARGET_FILE:tvboard_sys> ${tvb_against})
  add_test(NAME sys_session_under_wine
           COMMAND ${TVB_WINE} $<TARGET_FILE:tvboard_cli> --module $<TARGET_FILE:tvboard_sys>
                   session --trace)
  set_tests_properties(sys_session_under_wine PROPERTIES
                       PASS_REGULAR_EXPRESSION
                       "stereo set.*dbg \"<ORVELSTRM.SYS> \" \"\\*+ Unload Board Module")
  add_test(NAME c_host_imports_sys_under_wine COMMAND ${TVB_WINE} $<TARGET_FILE:tvboard_c_host>
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(sys_conformance_under_wine sys_session_under_wine
                       c_host_imports_sys_under_wine PROPERTIES
                       ENVIRONMENT "${TVB_WINE_ENV}" TIMEOUT 300)
else()
  message(WARNING "wine not found: tvboard.sys is built and checked, but not run")
endif()

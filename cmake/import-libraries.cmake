# The import libraries for hosts, both made from the exports of
# module/frame/tvboard.def that are not PRIVATE, under their stdcall names (what a
# caller's object refers to, _GetBoardModuleCaps@16), importing the
# undecorated name the image exports (GetBoardModuleCaps):
# - libtvboard.a, for MinGW's linkers (binutils' dlltool);
# - tvboard.lib, a COFF short import library as the WDK's linker and lld-link
#   read it (llvm-dlltool), the equivalent of `lib /def:`.
set(TVB_DEF ${PROJECT_SOURCE_DIR}/module/frame/tvboard.def)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TVB_DEF})
file(STRINGS ${TVB_DEF} tvb_def_lines)
set(tvb_import_def "LIBRARY \"tvboard.sys\"\nEXPORTS\n")
foreach(line IN LISTS tvb_def_lines)
  if(line MATCHES "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*=[ \t]*([A-Za-z_][A-Za-z0-9_]*@[0-9]+)[ \t]*$")
    string(APPEND tvb_import_def "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
set(TVB_IMPORT_DEF ${CMAKE_BINARY_DIR}/tvboard-import.def)
file(WRITE ${TVB_IMPORT_DEF} "${tvb_import_def}")

set(TVB_IMPORT_LIBRARY_GNU ${CMAKE_BINARY_DIR}/libtvboard.a)
set(TVB_IMPORT_LIBRARY_MSVC ${CMAKE_BINARY_DIR}/tvboard.lib)
find_program(TVB_DLLTOOL ${TVB_MINGW_PREFIX}-dlltool REQUIRED)
find_program(TVB_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
# dlltool names the library's symbols and members after the output path it
# is given (__head_libtvboard_a, as MinGW's own import libraries have them):
# so it runs in the build folder and is given the bare file names, which keep
# the build folder's path out of what ships.
add_custom_command(OUTPUT ${TVB_IMPORT_LIBRARY_GNU}
  COMMAND ${TVB_DLLTOOL} --kill-at -d tvboard-import.def -l libtvboard.a
  DEPENDS ${TVB_IMPORT_DEF} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Import library libtvboard.a from tvboard.def" VERBATIM)
add_custom_command(OUTPUT ${TVB_IMPORT_LIBRARY_MSVC}
  COMMAND ${TVB_LLVM_DLLTOOL} -m i386 -k -d tvboard-import.def -l tvboard.lib
  DEPENDS ${TVB_IMPORT_DEF} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Import library tvboard.lib from tvboard.def" VERBATIM)
add_custom_target(tvboard_import_library ALL
                  DEPENDS ${TVB_IMPORT_LIBRARY_GNU} ${TVB_IMPORT_LIBRARY_MSVC})

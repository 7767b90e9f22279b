# The module's sources are listed in CMakeLists.txt (TVB_MODULE_SOURCES), not
# globbed. A source file in one of the module's folders that is neither
# listed nor one of the kernel-services files module/frame/kernel_* (which each build
# picks for its platform) would be left out of every build, tvboard.sys
# included, without a word; this check names it.
#
# usage: cmake -DSOURCE_DIR=DIR -DLISTED=a.cpp,b.cpp -P check_module_sources.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "," ";" listed "${LISTED}")
set(kernel_services "^module/frame/kernel_[A-Za-z0-9_]+\\.(cpp|c)$")
set(patterns)
foreach(dir frame decoder tuner video audio ops exports regmap)
  foreach(ext cpp c cc cxx)
    list(APPEND patterns "${SOURCE_DIR}/module/${dir}/*.${ext}")
  endforeach()
endforeach()
file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" ${patterns})

set(failures 0)
foreach(file IN LISTS found)
  if(NOT file MATCHES "${kernel_services}" AND NOT file IN_LIST listed)
    message("FAIL: ${file} is not in TVB_MODULE_SOURCES (CMakeLists.txt) and not a "
            "kernel-services file module/frame/kernel_*: no build compiles it")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
foreach(file IN LISTS listed)
  if(file MATCHES "${kernel_services}")
    message("FAIL: ${file} is a kernel-services file; each build adds its own")
    math(EXPR failures "${failures} + 1")
  elseif(NOT EXISTS "${SOURCE_DIR}/${file}")
    message("FAIL: ${file} is listed but does not exist")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problem(s) with the module's source list")
endif()
list(LENGTH listed count)
message("ok: every module source file is listed (${count} files, kernel services apart)")

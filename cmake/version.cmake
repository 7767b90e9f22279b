# The build's version: the project version and the commit it was built from.
# Both go into `tvboard --version` and into the version resource of every
# Windows image, so a file found on a machine names the sources it came from.
#
# The commit is read when the build is configured (git rev-parse --short
# HEAD). A tree without git, or a build that wants another name, sets
# TVB_GIT_COMMIT; otherwise it reads "unknown". A new commit configures the
# build again: HEAD and the branch's ref are configure dependencies.
set(TVB_GIT_COMMIT "" CACHE STRING "Commit named by the version (default: git rev-parse --short HEAD)")
set(tvb_commit "${TVB_GIT_COMMIT}")
if(NOT tvb_commit)
  find_package(Git QUIET)
  set(tvb_commit unknown)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE tvb_git_status
                    OUTPUT_VARIABLE tvb_git_out ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(tvb_git_status EQUAL 0 AND tvb_git_out)
      set(tvb_commit ${tvb_git_out})
      # The files that change with a commit or a checkout (a ref packed
      # away has no file of its own and is left out).
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path HEAD
                      --symbolic-full-name HEAD WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE tvb_git_out ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      string(REPLACE "\n" ";" tvb_git_out "${tvb_git_out}")
      list(GET tvb_git_out 0 tvb_head_file)
      set(tvb_watch ${tvb_head_file})
      list(LENGTH tvb_git_out tvb_n)
      if(tvb_n GREATER 1)
        list(GET tvb_git_out 1 tvb_ref)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${tvb_ref}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE tvb_ref_file
                        ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND tvb_watch ${tvb_ref_file})
      endif()
      foreach(f IN LISTS tvb_watch)
        get_filename_component(f ${f} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
        if(EXISTS ${f})
          set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${f})
        endif()
      endforeach()
    endif()
  endif()
endif()
set(TVB_COMMIT ${tvb_commit})
# What --version prints after the program's name, and what the resources
# give as file and product version.
set(TVB_VERSION_TEXT "${PROJECT_VERSION} (commit ${TVB_COMMIT})")
message(STATUS "tvboard version ${TVB_VERSION_TEXT}")

# The copyright and its holder, as the licence states them: the resources'
# copyright and company, the archives' vendor.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE TVB_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT TVB_COPYRIGHT MATCHES "^Copyright \\(c\\) [0-9]+ (.+)$")
  message(FATAL_ERROR "LICENSE has no line 'Copyright (c) YEAR HOLDER'")
endif()
set(TVB_COMPANY "${CMAKE_MATCH_1}")
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE)

# tvb_add_version_resource(target FILE name DESCRIPTION text [DRIVER])
# Gives a Windows image its version resource: file and product version from
# the project version, the commit, the description, the file name it is
# shipped under, the product name, the company and the copyright. DRIVER marks a kernel-mode driver
# (file type VFT_DRV, subtype VFT2_DRV_SYSTEM) instead of an application.
# The resource script is returned in <target>_VERSION_RC for builds that
# compile it themselves (the MSVC-mode host).
function(tvb_version_resource_script target)
  cmake_parse_arguments(arg "DRIVER" "FILE;DESCRIPTION" "" ${ARGN})
  string(REPLACE "." "," TVB_RC_VERSION_WORDS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(TVB_RC_FILE ${arg_FILE})
  get_filename_component(TVB_RC_INTERNAL ${arg_FILE} NAME_WE)
  set(TVB_RC_DESCRIPTION ${arg_DESCRIPTION})
  if(arg_DRIVER)
    set(TVB_RC_FILETYPE "0x3L /* VFT_DRV */")
    set(TVB_RC_FILESUBTYPE "0x7L /* VFT2_DRV_SYSTEM */")
  else()
    set(TVB_RC_FILETYPE "0x1L /* VFT_APP */")
    set(TVB_RC_FILESUBTYPE "0x0L")
  endif()
  set(script ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${script} @ONLY)
  set(${target}_VERSION_RC ${script} PARENT_SCOPE)
endfunction()

function(tvb_add_version_resource target)
  tvb_version_resource_script(${target} ${ARGN})
  target_sources(${target} PRIVATE ${${target}_VERSION_RC})
endfunction()

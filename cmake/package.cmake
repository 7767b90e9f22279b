# The release archives, made by CPack (`cpack --preset windows`, `cpack
# --preset linux`; scripts/test-all.sh makes and checks both):
# - tvboard-<version>-windows-x86.zip from the release build (preset msvc):
#   the signed tvboard.sys as the tests ran it, tvboard.pdb, the test CA's
#   certificate, the Windows bench tvboard.exe (preset mingw, built first),
#   the header and both import libraries;
# - tvboard-<version>-linux.tar.gz from the 64-bit build (preset default):
#   libtvboard.so of that build and of the 32-bit one (preset i386, built
#   first) and the header.
# Both hold the install note, the release notes, the licence and the pages
# the header and the reference send a reader to: the host interface, the
# bench's manual, the reliability figures the waits come from and the
# release page. Each archive holds SHA256SUMS of its files (`sha256sum -c
# SHA256SUMS` in the unpacked folder), and CPack writes the archive's own
# sum beside it. tests/platforms/check_package.py checks them.
set(CPACK_PACKAGE_NAME tvboard)
set(CPACK_PACKAGE_VENDOR "${TVB_COMPANY}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "TV tuner board module ${TVB_VERSION_TEXT}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake)
set(CPACK_SOURCE_GENERATOR "")

install(FILES module/include/tvboard.h DESTINATION include COMPONENT headers)
install(FILES docs/host-interface.md docs/board-registers.md docs/bench.md docs/reliability.md
        docs/release.md
        DESTINATION docs COMPONENT headers)
install(FILES INSTALL.md RELEASE-NOTES.md LICENSE DESTINATION . COMPONENT headers)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tvboard-${PROJECT_VERSION}-windows-x86)
  install(FILES ${TVB_SYS_IMAGE} ${CMAKE_BINARY_DIR}/tvboard.pdb ${TVB_WINDOWS_BENCH}
          DESTINATION . COMPONENT driver)
  install(FILES ${TVB_TEST_CA} DESTINATION . RENAME tvboard-test-ca.cer COMPONENT driver)
  install(FILES ${TVB_IMPORT_LIBRARY_MSVC} ${TVB_IMPORT_LIBRARY_GNU} DESTINATION lib
          COMPONENT driver)
else()
  # Debian's multiarch folder names the library's architecture.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tvb_arch i386-linux-gnu)
  else()
    set(tvb_arch x86_64-linux-gnu)
  endif()
  install(TARGETS tvboard LIBRARY DESTINATION lib/${tvb_arch} COMPONENT library)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME tvboard-${PROJECT_VERSION}-linux)
  set(TVB_I386_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/i386 CACHE PATH
      "The 32-bit build (preset i386) whose libtvboard.so the Linux archive takes as well")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};tvboard;ALL;/")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${TVB_I386_BUILD_DIR};tvboard;library;/")
  endif()
endif()
include(CPack)

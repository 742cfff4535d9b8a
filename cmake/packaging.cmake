# The documents installed beside the programs, and the packages CPack makes
# of everything installed (run `cpack` in the build folder):
# - on Linux, a Debian package whose dependencies dpkg-shlibdeps (package
#   dpkg-dev) works out from the programs;
# - in the Windows cross build, a .zip of one folder holding the programs,
#   a short read-me and the licence, as plain text with CR LF line ends;
# both with the cluster scripts of deploy/.
if(WIN32)
  configure_file(packaging/windows-readme.txt README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
# The scripts and manifests that run a class on a cluster, as they are (LF
# line ends: they run on the cluster's Linux nodes).
install(DIRECTORY deploy/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/deploy USE_SOURCE_PERMISSIONS)

set(CPACK_PACKAGE_VENDOR "the codetwin developers")
set(CPACK_PACKAGE_CONTACT "the codetwin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION [[
codetwin reads file1.c and file2.c in the folder it is started in, writes
the words and the normalised token string of each, and prints how similar
the two token strings are and whether that makes them suspected copies.
It speaks Chinese.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)

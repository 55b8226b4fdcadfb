# Release packages, made by CPack from this project's install rules:
#   Linux:   d88cut-VERSION-Linux-x86_64.tar.gz and d88cut_VERSION_amd64.deb
#   Windows: d88cut-VERSION-win64.zip
# Name, version and description come from project() alone.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# One paragraph, in lines that fit a terminal.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "d88cut cuts the program file PROG and the data files MUS00 to MUS08 out of\n"
  "a floppy-disk image in the D88 format (2HD or 2DD), byte for byte, finding\n"
  "each sector by its ID. It never changes the image, puts each file in place\n"
  "only when it is whole, reads images from pipes, lists what an image holds,\n"
  "and says clearly why a file came out short.")
set(CPACK_PACKAGE_VENDOR "d88cut developers")
set(CPACK_PACKAGE_CONTACT "d88cut developers")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The files at the top of the archive: unpacked into a prefix, they are installed.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "d88cut developers")
  # Depends as dpkg-shlibdeps reads it off the binary: with libstdc++ linked in, libc alone.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)

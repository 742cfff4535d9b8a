# Cross build for 64-bit Windows with Debian's mingw-w64 toolchain
# (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DBUILD_TESTING=OFF
# The result is one codetwin.exe, linked statically so that it needs nothing
# on the Windows machine beyond the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour first: Debian's unsuffixed name may point at either.
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_PREFIX}-g++-posix ${MINGW_PREFIX}-g++ REQUIRED)
# C, for the libraries built from source for this build (libarchive).
find_program(CMAKE_C_COMPILER NAMES ${MINGW_PREFIX}-gcc-posix ${MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_PREFIX}-windres)

# Beside the distribution's mingw-w64 libraries, those built from source for
# this build (scripts/mingw-libarchive.sh): libarchive.
set(CODETWIN_MINGW_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps
    CACHE PATH "Libraries built for the Windows cross build")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX} ${CODETWIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread are linked in, not shipped as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Header-only libraries are the same for every target, so the host's serve:
# CLI11 (libcli11-dev) and nlohmann/json (nlohmann-json3-dev). Their package
# files name the folder above their own as the include folder, which on the
# host is /usr/include, where the cross compiler must not look (it would take
# the host's C headers). So each is reached through links in a folder of the
# build that holds these headers alone.
set(_header_only_prefix ${CMAKE_BINARY_DIR}/header-only)
foreach(_package_and_headers IN ITEMS "CLI11;CLI" "nlohmann_json;nlohmann")
  list(GET _package_and_headers 0 _package)
  list(GET _package_and_headers 1 _headers)
  if(EXISTS /usr/share/cmake/${_package} AND NOT EXISTS ${_header_only_prefix}/include/${_headers})
    file(MAKE_DIRECTORY ${_header_only_prefix}/include ${_header_only_prefix}/share/cmake)
    file(CREATE_LINK /usr/include/${_headers} ${_header_only_prefix}/include/${_headers} SYMBOLIC)
    file(CREATE_LINK /usr/share/cmake/${_package} ${_header_only_prefix}/share/cmake/${_package}
         SYMBOLIC)
  endif()
  set(${_package}_DIR ${_header_only_prefix}/share/cmake/${_package} CACHE PATH "")
endforeach()

# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model), against the static
# SDL2 and libopenmpt in ${SIDEWAYS_DEPS_DIR:-build/deps}/windows-x86_64 (SIDEWAYS_WINDOWS_PREFIX);
# scripts/deps-windows.sh builds SDL2 with this file too. The build-time tools are Windows
# programs too and run through Wine (cmake/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT SIDEWAYS_WINDOWS_PREFIX)
  if(DEFINED ENV{SIDEWAYS_DEPS_DIR})
    get_filename_component(prefix "$ENV{SIDEWAYS_DEPS_DIR}/windows-x86_64" ABSOLUTE)
  else()
    get_filename_component(prefix "${CMAKE_CURRENT_LIST_DIR}/../build/deps/windows-x86_64" ABSOLUTE)
  endif()
  set(SIDEWAYS_WINDOWS_PREFIX "${prefix}" CACHE PATH "Where the static SDL2 and libopenmpt for Windows are")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${SIDEWAYS_WINDOWS_PREFIX}")
set(CMAKE_PREFIX_PATH "${SIDEWAYS_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${SIDEWAYS_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")

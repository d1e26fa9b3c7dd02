# The desktop build: Linux, and Windows through mingw-w64 (cmake/windows-x86_64.cmake). Included
# by the top CMakeLists.txt, in its folder.
find_package(PkgConfig REQUIRED)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
if(WIN32)
  # Linked statically there: also what libopenmpt itself needs (ole32, rpcrt4).
  list(REMOVE_ITEM OPENMPT_STATIC_LIBRARIES openmpt)
  set_property(TARGET PkgConfig::OPENMPT APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${OPENMPT_STATIC_LIBRARIES})
endif()
find_package(SDL2 REQUIRED)
# Debian's libhwy-dev on Linux; Windows's from Debian's source, in the cross build's prefix.
find_package(hwy REQUIRED CONFIG)
# libGL itself rather than GLVND's libOpenGL: SDL makes its context through GLX, which libGL
# brings, so the Debian package's dependency (worked out from what the program links) includes it.
set(OpenGL_GL_PREFERENCE LEGACY)
find_package(OpenGL REQUIRED)
set(ZLIB_USE_STATIC_LIBS ${WIN32})  # linked in on Windows, like everything there
find_package(ZLIB REQUIRED)  # the offline show's PNGs
# Debian's stb: a shared library on Linux; on Windows its implementation is compiled in.
if(WIN32)
  find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_library(sideways_stb STATIC cmake/stb_implementation.c)
  target_include_directories(sideways_stb SYSTEM PUBLIC ${STB_INCLUDE_DIR})
  target_compile_options(sideways_stb PRIVATE -w)
else()
  pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
  add_library(sideways_stb INTERFACE)
  target_link_libraries(sideways_stb INTERFACE PkgConfig::STB)
endif()
if(TARGET SDL2::SDL2)
  set(SIDEWAYS_SDL2 SDL2::SDL2)
else()
  set(SIDEWAYS_SDL2 SDL2::SDL2-static)
endif()
if(WIN32)
  # Self-contained programs: the C and C++ runtimes and winpthread linked in. GCC keeps no
  # 32-byte stack alignment on Windows, so AVX spills must not use aligned moves.
  target_link_options(sideways_build_flags INTERFACE -static)
  target_compile_options(sideways_build_flags INTERFACE -Wa,-muse-unaligned-vector-move)
endif()

# Files written whole or not at all, and WAV headers: for the tools and the capture alike.
add_library(sideways_files STATIC src/files/files.cpp src/files/pending_folder.cpp src/files/wav.cpp)
if(WIN32)
  target_sources(sideways_files PRIVATE src/files/file_system_win32.cpp)
else()
  target_sources(sideways_files PRIVATE src/files/file_system_posix.cpp)
endif()
target_include_directories(sideways_files PUBLIC src)
target_compile_options(sideways_files PRIVATE -Wconversion)

# Build-time tools: the asset converter, the generators of our pictures and music. The web
# build imports the converter and the icon painter from here.
add_subdirectory(tools)
export(TARGETS embed paint FILE ${CMAKE_BINARY_DIR}/host-tools.cmake)

# The platforms the show runs on: SDL with OpenGL for the demo; none at all for tests and
# offline drawing.
# The desktop below SDL (the window's destruction, an error box that always closes): one file each.
if(WIN32)
  set(SIDEWAYS_DESKTOP src/platform/sdl/desktop_windows.cpp)
else()
  set(SIDEWAYS_DESKTOP src/platform/sdl/desktop_linux.cpp)
endif()
add_library(sideways_platform_sdl STATIC src/platform/sdl/display.cpp ${SIDEWAYS_DESKTOP})
target_link_libraries(sideways_platform_sdl PUBLIC sideways_core sideways_sound_sdl ${SIDEWAYS_SDL2} OpenGL::GL)
find_package(Threads REQUIRED)
target_link_libraries(sideways_platform_sdl PUBLIC Threads::Threads)
if(NOT WIN32)
  # Xlib, through which the demo learns that another program destroyed its window.
  find_package(X11 REQUIRED)
  target_link_libraries(sideways_platform_sdl PUBLIC X11::X11)
endif()
add_library(sideways_platform_null STATIC src/platform/null/null_platform.cpp)
target_link_libraries(sideways_platform_null PUBLIC sideways_core)
target_compile_options(sideways_platform_sdl PRIVATE -Wconversion)
target_compile_options(sideways_platform_null PRIVATE -Wconversion)

# The demo.
add_executable(sideways src/platform/sdl/main.cpp)
target_link_libraries(sideways PRIVATE sideways_platform_sdl)
if(WIN32)
  # A GUI program: no console window opens with it. mingw-w64's start-up enters main() from
  # WinMain itself, and SDL needs no SDL_main on desktop Windows. Stripped.
  set_target_properties(sideways PROPERTIES WIN32_EXECUTABLE TRUE)
  target_sources(sideways PRIVATE src/platform/windows/console.cpp)
  target_link_options(sideways PRIVATE -s)
endif()

# The show drawn offline, without a platform: the music rendered ahead with the position of every
# slice, the player that draws chosen frames as the live loop would, and the landscape picture
# with its PNG. The capture, the golden frames, the contact sheet, the bench and the tests draw
# through it.
add_library(sideways_offline STATIC
  src/offline/landscape.cpp src/offline/show_music.cpp src/offline/show_player.cpp)
target_link_libraries(sideways_offline PUBLIC sideways_core sideways_music sideways_png)
# The PNG writer alone, which the painters of the pictures share: they run before the embedded
# data that the rest of the offline show needs exists.
add_library(sideways_png STATIC src/offline/png.cpp)
target_include_directories(sideways_png PUBLIC src)
target_link_libraries(sideways_png PRIVATE ZLIB::ZLIB)
target_compile_options(sideways_png PRIVATE -Wconversion)
target_compile_options(sideways_offline PRIVATE -Wconversion)

# The offline capture: its command line, outputs and encoder (a library, for the tests) and the
# program.
add_library(sideways_capture STATIC
  src/capture/encoder.cpp src/capture/frame_record.cpp src/capture/frame_workers.cpp src/capture/options.cpp
  src/capture/outputs.cpp)
if(WIN32)
  target_sources(sideways_capture PRIVATE src/capture/encoder_win32.cpp src/capture/system_win32.cpp)
else()
  target_sources(sideways_capture PRIVATE src/capture/encoder_posix.cpp src/capture/system_posix.cpp)
endif()
target_link_libraries(sideways_capture PUBLIC sideways_offline sideways_files PRIVATE Threads::Threads)
add_executable(sideways-capture src/capture/main.cpp)
target_link_libraries(sideways-capture PRIVATE sideways_capture)
target_compile_options(sideways_capture PRIVATE -Wconversion)
target_compile_options(sideways-capture PRIVATE -Wconversion)
if(WIN32)
  target_link_options(sideways-capture PRIVATE -s)
endif()

if(NOT WIN32)
  include(cmake/install.cmake)
endif()

# Tests and benchmarks, when their libraries are there or when asked for.
set(SIDEWAYS_BUILD_TESTS OFF)
if(CMAKE_CROSSCOMPILING AND SIDEWAYS_TESTS)
  # Debian ships GoogleTest's source: built here with the cross compiler. libxmp is a Linux
  # library, required for arm64 (libxmp-dev:arm64); the Windows tests that need it skip.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT WIN32)
    pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)
  endif()
  set(SIDEWAYS_BUILD_TESTS ON)
elseif(SIDEWAYS_TESTS STREQUAL "AUTO")
  find_package(GTest QUIET)
  pkg_check_modules(XMP QUIET IMPORTED_TARGET libxmp)
  if(GTest_FOUND AND XMP_FOUND)
    set(SIDEWAYS_BUILD_TESTS ON)
  else()
    message(STATUS "Tests left out: GoogleTest or libxmp is not installed (scripts/install-deps.sh --tests)")
  endif()
elseif(SIDEWAYS_TESTS)
  find_package(GTest REQUIRED)
  pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)
  set(SIDEWAYS_BUILD_TESTS ON)
endif()
if(SIDEWAYS_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()

set(SIDEWAYS_BUILD_BENCH OFF)
if(SIDEWAYS_BENCH STREQUAL "AUTO")
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    set(SIDEWAYS_BUILD_BENCH ON)
  else()
    message(STATUS "Benchmarks left out: Google Benchmark is not installed (scripts/install-deps.sh --tests)")
  endif()
elseif(SIDEWAYS_BENCH)
  find_package(benchmark REQUIRED)
  set(SIDEWAYS_BUILD_BENCH ON)
endif()
if(SIDEWAYS_BUILD_BENCH)
  add_subdirectory(bench)
endif()
# The web build's inputs: SDL2, libopenmpt and Highway built for wasm by scripts/web-deps.sh, and
# the asset converter from a host build, since a wasm converter cannot run on the build machine.
set(SIDEWAYS_WEB_PREFIX "" CACHE PATH "Prefix of the wasm SDL2, libopenmpt and Highway (scripts/web-deps.sh)")
if(NOT SIDEWAYS_WEB_PREFIX)
  if(DEFINED ENV{SIDEWAYS_DEPS_DIR})
    set(SIDEWAYS_WEB_PREFIX $ENV{SIDEWAYS_DEPS_DIR}/web)
  else()
    set(SIDEWAYS_WEB_PREFIX ${CMAKE_SOURCE_DIR}/build/deps/web)
  endif()
endif()
# The recipes stamp each library they built (scripts/lib/recipes.bash).
foreach(library libsdl2 libopenmpt highway)
  if(NOT EXISTS ${SIDEWAYS_WEB_PREFIX}/.built-${library})
    message(FATAL_ERROR "no wasm ${library} in ${SIDEWAYS_WEB_PREFIX}: run scripts/web-deps.sh")
  endif()
endforeach()

set(SIDEWAYS_HOST_TOOLS ${CMAKE_SOURCE_DIR}/build/release/host-tools.cmake CACHE FILEPATH
    "The host build's exported tools (cmake --build --preset release --target embed paint)")
if(NOT EXISTS ${SIDEWAYS_HOST_TOOLS})
  message(FATAL_ERROR "no host tools at ${SIDEWAYS_HOST_TOOLS}: build the release preset's embed and paint targets first")
endif()
include(${SIDEWAYS_HOST_TOOLS})

# What was found in another prefix is forgotten, so that a change of SIDEWAYS_DEPS_DIR links the
# libraries it names.
if(NOT SIDEWAYS_WEB_PREFIX STREQUAL SIDEWAYS_WEB_PREFIX_FOUND)
  unset(SDL2_DIR CACHE)
  unset(OPENMPT_LIBRARY CACHE)
  unset(hwy_DIR CACHE)
  set(SIDEWAYS_WEB_PREFIX_FOUND ${SIDEWAYS_WEB_PREFIX} CACHE INTERNAL "The prefix the libraries were found in")
endif()

# The toolchain searches only its sysroot, which holds a stub SDL2; look in the prefix alone.
list(APPEND CMAKE_FIND_ROOT_PATH ${SIDEWAYS_WEB_PREFIX})
find_package(SDL2 REQUIRED CONFIG PATHS ${SIDEWAYS_WEB_PREFIX} NO_DEFAULT_PATH)
set(SIDEWAYS_SDL2 SDL2::SDL2-static)
find_library(OPENMPT_LIBRARY openmpt PATHS ${SIDEWAYS_WEB_PREFIX}/lib NO_DEFAULT_PATH REQUIRED)
find_package(hwy REQUIRED CONFIG PATHS ${SIDEWAYS_WEB_PREFIX} NO_DEFAULT_PATH)
# The pixel loops' vector form for WebAssembly's 128-bit SIMD, which every current browser runs;
# the page tells a browser without it so (see src/platform/web).
target_compile_options(sideways_core PRIVATE -msimd128)
# Under the name the desktop's pkg-config gives it, so the core links it the same way.
add_library(PkgConfig::OPENMPT STATIC IMPORTED)
set_target_properties(PkgConfig::OPENMPT PROPERTIES IMPORTED_LOCATION ${OPENMPT_LIBRARY}
                      INTERFACE_INCLUDE_DIRECTORIES ${SIDEWAYS_WEB_PREFIX}/include)

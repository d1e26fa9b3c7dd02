# Converts the source assets into one generated C++ file of constant data. The converter refuses
# a broken asset, naming the file and the rule it breaks, and the build stops there. The page
# leaves the music out: it composes the module at start-up (src/compose) instead of downloading it.
set(ASSET_DIR ${CMAKE_SOURCE_DIR}/assets)
set(ASSET_INPUTS
  ${ASSET_DIR}/warning.png ${ASSET_DIR}/logo.png ${ASSET_DIR}/scroller.png
  ${ASSET_DIR}/roto.png ${ASSET_DIR}/tunnel.png ${ASSET_DIR}/scroll.txt)
set(ASSET_MUSIC)
if(NOT EMSCRIPTEN)
  list(APPEND ASSET_INPUTS ${ASSET_DIR}/music.xm)
  set(ASSET_MUSIC --music ${ASSET_DIR}/music.xm)
endif()
set(ASSET_OUTPUT ${CMAKE_BINARY_DIR}/generated/assets_data.cpp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${ASSET_OUTPUT}
  COMMAND embed --out ${ASSET_OUTPUT}
    --warning ${ASSET_DIR}/warning.png --logo ${ASSET_DIR}/logo.png
    --scroller ${ASSET_DIR}/scroller.png --roto ${ASSET_DIR}/roto.png
    --tunnel ${ASSET_DIR}/tunnel.png --text ${ASSET_DIR}/scroll.txt ${ASSET_MUSIC}
  DEPENDS embed ${ASSET_INPUTS}
  COMMENT "Converting and checking the assets"
  VERBATIM)
set(SIDEWAYS_ASSET_SOURCES ${ASSET_OUTPUT})

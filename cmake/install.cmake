# What `cmake --install` puts under the prefix (/usr in the Debian package): both programs where
# Debian keeps games, the desktop entry and its icons (painted here at each size desktops ask
# for), the AppStream metadata, the man pages (their options and exit codes printed from the
# programs' tables), which carry the version, and the target that remakes the screenshot the
# metadata names.
# Included by cmake/desktop.cmake for Linux, in the top folder.
include(GNUInstallDirs)
install(TARGETS sideways sideways-capture DESTINATION games)
set(SIDEWAYS_APP_ID io.github.sideways_demo.sideways)
# Where the AppStream metadata sends software centres for the home page and the screenshot
# (desktop/screenshot.png, published there).
set(SIDEWAYS_HOMEPAGE "https://sideways.example/" CACHE STRING "The project's home page, ending in /")
# The release's date for AppStream: the date of the top debian/changelog entry.
file(STRINGS debian/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "debian/changelog: the first entry's last line carries no date in RFC 2822 form")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
string(LENGTH "${month}" digits)
if(digits EQUAL 1)
  set(month 0${month})
endif()
set(SIDEWAYS_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})
foreach(size 16 24 32 48 64 128 256)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${SIDEWAYS_APP_ID}.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND paint --icon ${size} ${icon}
    DEPENDS paint COMMENT "Painting the ${size}x${size} icon" VERBATIM)
  list(APPEND SIDEWAYS_ICONS ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${SIDEWAYS_ICONS})
# The AppStream screenshot, published beside the home page: a frame of order 18, where the
# rings, the rotozoomer and the tunnel share the screen, as the capture draws it.
add_custom_target(regenerate-screenshot
  COMMAND sideways-capture --from 18 --to 18 --fps 1 --png ${CMAKE_BINARY_DIR}/screenshot --replace
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/screenshot/000072.png ${CMAKE_SOURCE_DIR}/desktop/screenshot.png
  DEPENDS sideways-capture COMMENT "Capturing desktop/screenshot.png" VERBATIM)
add_dependencies(regenerate regenerate-screenshot)
# The man pages: their OPTIONS and EXIT STATUS sections printed from the programs' tables.
foreach(page sideways sideways-capture)
  set(manual_page ${CMAKE_BINARY_DIR}/man/${page}.6)
  add_custom_command(OUTPUT ${manual_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND manual ${page} ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}/man/${page}.6.in ${manual_page}
    DEPENDS manual man/${page}.6.in COMMENT "Making the man page ${page}.6" VERBATIM)
  list(APPEND SIDEWAYS_MAN_PAGES ${manual_page})
  install(FILES ${manual_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${SIDEWAYS_MAN_PAGES})
configure_file(desktop/${SIDEWAYS_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${SIDEWAYS_APP_ID}.metainfo.xml @ONLY)
install(FILES desktop/${SIDEWAYS_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${SIDEWAYS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

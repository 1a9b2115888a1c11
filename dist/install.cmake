# make install and make package: the game in a private folder, its data, and around them what a
# desktop expects (launcher, menu entry, icon, manual page, licences).
include(GNUInstallDirs)

set(gorubadon_bindir ${CMAKE_INSTALL_BINDIR})
set(gorubadon_gamedir lib/games/gorubadon)
set(gorubadon_datadir ${CMAKE_INSTALL_DATAROOTDIR}/gorubadon)
set(gorubadon_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/gorubadon)
set(dist ${PROJECT_SOURCE_DIR}/dist)
set(staged ${PROJECT_BINARY_DIR}/dist)

install(TARGETS gorubadon DESTINATION ${gorubadon_gamedir})
# The launcher ends in the start-up script that make run also uses, found beside the game.
install(PROGRAMS ${dist}/run-game.sh DESTINATION ${gorubadon_gamedir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data DESTINATION ${gorubadon_datadir})

# The launcher knows the game and data only relative to itself.
file(RELATIVE_PATH rel_game /${gorubadon_bindir} /${gorubadon_gamedir}/gorubadon)
file(RELATIVE_PATH rel_data /${gorubadon_bindir} /${gorubadon_datadir}/data)
configure_file(${dist}/gorubadon.in ${staged}/gorubadon @ONLY)
install(PROGRAMS ${staged}/gorubadon DESTINATION ${gorubadon_bindir})

# A menu starts the launcher by its absolute path, known only once the install prefix is. Each
# install writes its own copy: a test may install while another packages.
install(CODE "set(gorubadon_entry_in [[${dist}/gorubadon.desktop.in]])
    set(gorubadon_staged [[${staged}]])
    set(gorubadon_bindir [[${gorubadon_bindir}]])
    set(gorubadon_appdir [[${CMAKE_INSTALL_DATAROOTDIR}/applications]])")
install(CODE [[
    # The entry's quoting: a path with any reserved character is quoted, and inside the quotes
    # ", `, $ and \ are escaped; then \ and % are escaped once more as the entry's own string.
    set(exec "${CMAKE_INSTALL_PREFIX}/${gorubadon_bindir}/gorubadon")
    if(exec MATCHES "[^A-Za-z0-9_./+,:@=-]")
        string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
        set(exec "\"${exec}\"")
    endif()
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "%" "%%" exec "${exec}")
    string(RANDOM LENGTH 12 own)
    configure_file("${gorubadon_entry_in}" "${gorubadon_staged}/${own}/gorubadon.desktop" @ONLY)
    file(INSTALL "${gorubadon_staged}/${own}/gorubadon.desktop"
         DESTINATION "${CMAKE_INSTALL_PREFIX}/${gorubadon_appdir}")
    file(REMOVE_RECURSE "${gorubadon_staged}/${own}")
]])
install(FILES ${PROJECT_SOURCE_DIR}/data/images/icon.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/32x32/apps RENAME gorubadon.png)

configure_file(${dist}/gorubadon.6.in ${staged}/gorubadon.6 @ONLY)
add_custom_command(OUTPUT ${staged}/gorubadon.6.gz
                   COMMAND gzip -9nc ${staged}/gorubadon.6 > ${staged}/gorubadon.6.gz
                   DEPENDS ${staged}/gorubadon.6)
add_custom_target(gorubadon_manual ALL DEPENDS ${staged}/gorubadon.6.gz)
install(FILES ${staged}/gorubadon.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# One file with the game's licence and the font's terms, where Debian looks for it.
set(font ${PROJECT_SOURCE_DIR}/data/fonts/aqua2_8)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE game_licence)
file(READ ${font}/ORIGIN font_origin)
file(READ ${font}/COPYRIGHT font_copyright)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE ${font}/ORIGIN ${font}/COPYRIGHT)
configure_file(${dist}/copyright.in ${staged}/copyright @ONLY)
install(FILES ${staged}/copyright ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${gorubadon_docdir})

# make package: a .deb under /usr whose Depends dpkg-shlibdeps reads off the binary.
set(GORUBADON_MAINTAINER "Gorubadon developers <gorubadon@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gorubadon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "very short Japanese text adventure")
set(CPACK_PACKAGE_DESCRIPTION
    "On a country road a stranger steps into your way and challenges you to\n\
rock-paper-scissors. The story is told in Japanese, one line per key press,\n\
in translucent panels over a picture of the road, in a small window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GORUBADON_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The start-up script measures the screen with xdpyinfo and shows errors with xmessage. Classic
# SDL 1.2 cannot scale the window; where it is the release's SDL 1.2, sdl12-compat beside it can.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS x11-utils)
foreach(lib IN LISTS SDL12_LINK_LIBRARIES)
    if(lib MATCHES "/libSDL\\.so$")
        file(STRINGS ${lib} compat REGEX SDL12COMPAT LIMIT_COUNT 1)
        if(NOT compat)
            string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", libsdl1.2-compat")
        endif()
    endif()
endforeach()
include(CPack)

# make install and make package: Debian's layout for games under any prefix. The launcher in
# games/, the game in a private folder, its data in share/games/, and around them what a desktop
# expects (menu entry, icons, AppStream metainfo, manual page, licence).
include(GNUInstallDirs)

set(GORUBADON_MAINTAINER "Gorubadon developers <gorubadon@example.org>"
    CACHE STRING "Maintainer field and changelog signature of the Debian package")
set(GORUBADON_HOMEPAGE "https://gorubadon.example.org/"
    CACHE STRING "The game's web page, which holds docs/screenshot.png for software centres")

set(gorubadon_bindir games)
set(gorubadon_gamedir lib/games/gorubadon)
set(gorubadon_datadir share/games/gorubadon)
set(gorubadon_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/gorubadon)
set(gorubadon_id org.gorubadon.gorubadon)
set(dist ${PROJECT_SOURCE_DIR}/dist)
set(staged ${PROJECT_BINARY_DIR}/dist)
# fonts-vlgothic's file, which the game's copy in data/ is.
set(system_font /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf)

install(TARGETS gorubadon DESTINATION ${gorubadon_gamedir})
# The data files the game opens, as engine/look.hpp names them: the pictures as they are, the font
# below.
include(${PROJECT_SOURCE_DIR}/engine/look.cmake)
set(font ${look_font})
foreach(path ${look_icon} ${look_background})
    get_filename_component(folder ${path} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${path} DESTINATION ${gorubadon_datadir}/${folder})
endforeach()
# The launcher ends in the start-up script that make run also uses, found beside the game.
install(PROGRAMS ${dist}/run-game.sh DESTINATION ${gorubadon_gamedir})

# The launcher knows the game and data only relative to itself.
file(RELATIVE_PATH rel_game /${gorubadon_bindir} /${gorubadon_gamedir}/gorubadon)
file(RELATIVE_PATH rel_data /${gorubadon_bindir} /${gorubadon_datadir}/data)
file(RELATIVE_PATH rel_prefix /${gorubadon_bindir} /)
configure_file(${dist}/gorubadon.in ${staged}/gorubadon @ONLY)
install(PROGRAMS ${staged}/gorubadon DESTINATION ${gorubadon_bindir})

# The author's story player beside the launcher; it finds the game's font and pictures, and the
# web engine it publishes a story with, from its own place.
file(RELATIVE_PATH rel_web /${gorubadon_bindir} /${gorubadon_datadir}/web)
target_compile_definitions(story_tool PRIVATE GORUBADON_INSTALLED_DATA="${rel_data}"
                           GORUBADON_INSTALLED_WEB="${rel_web}")
# What make install and make package put in place of it: make web's folder.
set(GORUBADON_WEB_ENGINE "" CACHE PATH "The web engine folder to install (make web's build-web/engine)")
# Where make web leaves the engine: the process tests publish with it.
set(GORUBADON_BUILD_WEB_ENGINE ${PROJECT_SOURCE_DIR}/build-web/engine CACHE PATH
    "The web engine folder make web builds")
install(TARGETS gorubadon-story DESTINATION ${gorubadon_bindir})
add_custom_command(OUTPUT ${staged}/gorubadon-story.6.gz
                   COMMAND gzip -9nc ${dist}/gorubadon-story.6 > ${staged}/gorubadon-story.6.gz
                   DEPENDS ${dist}/gorubadon-story.6)
add_custom_target(gorubadon_story_manual ALL DEPENDS ${staged}/gorubadon-story.6.gz)
install(FILES ${staged}/gorubadon-story.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/images/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps RENAME gorubadon.png)
endforeach()

# Dates, and the package's file times, are the last commit's, so that every build of it says the
# same (SOURCE_DATE_EPOCH, which cpack reads too).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(commit_time)
        set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
    endif()
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    file(WRITE ${staged}/cpack-dates.cmake "set(ENV{SOURCE_DATE_EPOCH} $ENV{SOURCE_DATE_EPOCH})\n")
    set(CPACK_PROJECT_CONFIG_FILE ${staged}/cpack-dates.cmake)
endif()
string(TIMESTAMP release_date "%Y-%m-%d" UTC)
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(homepage ${GORUBADON_HOMEPAGE})
set(screenshot ${GORUBADON_HOMEPAGE}screenshot.png)
configure_file(${dist}/gorubadon.metainfo.xml.in ${staged}/${gorubadon_id}.metainfo.xml @ONLY)
install(FILES ${staged}/${gorubadon_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

configure_file(${dist}/changelog.in ${staged}/changelog @ONLY)
add_custom_command(OUTPUT ${staged}/changelog.gz
                   COMMAND gzip -9nc ${staged}/changelog > ${staged}/changelog.gz
                   DEPENDS ${staged}/changelog)
add_custom_target(gorubadon_changelog ALL DEPENDS ${staged}/changelog.gz)
install(FILES ${dist}/copyright ${staged}/changelog.gz DESTINATION ${gorubadon_docdir})

# What depends on the install prefix, known only at install time: the menu entry starts the
# launcher by its absolute path, and the manual page names the installed files. Each install writes
# its own copies: a test may install while another packages.
install(CODE "set(gorubadon_dist [[${dist}]])
    set(gorubadon_staged [[${staged}]])
    set(gorubadon_bindir [[${gorubadon_bindir}]])
    set(gorubadon_gamedir [[${gorubadon_gamedir}]])
    set(gorubadon_datadir [[${gorubadon_datadir}]])
    set(gorubadon_appdir [[${CMAKE_INSTALL_DATAROOTDIR}/applications]])
    set(gorubadon_mandir [[${CMAKE_INSTALL_MANDIR}/man6]])
    set(gorubadon_docdir [[${gorubadon_docdir}]])
    set(gorubadon_source [[${PROJECT_SOURCE_DIR}]])
    set(gorubadon_font [[${font}]])
    set(gorubadon_system_font [[${system_font}]])
    set(gorubadon_package [[${GORUBADON_PACKAGE}]])
    set(gorubadon_web_engine [[${GORUBADON_WEB_ENGINE}]])
    set(PROJECT_VERSION [[${PROJECT_VERSION}]])")
install(CODE [[
    set(prefix "${CMAKE_INSTALL_PREFIX}")
    set(games_path "${prefix}/${gorubadon_bindir}/gorubadon")
    set(game_path "${prefix}/${gorubadon_gamedir}/gorubadon")
    set(data_path "${prefix}/${gorubadon_datadir}/data")
    # The entry's quoting: a path with any reserved character is quoted, and inside the quotes
    # ", `, $ and \ are escaped; then \ and % are escaped once more as the entry's own string.
    set(exec "${games_path}")
    if(exec MATCHES "[^A-Za-z0-9_./+,:@=-]")
        string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
        set(exec "\"${exec}\"")
    endif()
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "%" "%%" exec "${exec}")
    # roff reads a backslash as an escape and a leading dot or quote as a request.
    foreach(path games_path game_path data_path)
        string(REPLACE "\\" "\\e" ${path}_roff "${${path}}")
        set(${path}_roff "\\&${${path}_roff}")
    endforeach()
    string(RANDOM LENGTH 12 own)
    set(own "${gorubadon_staged}/${own}")
    configure_file("${gorubadon_dist}/gorubadon.desktop.in" "${own}/gorubadon.desktop" @ONLY)
    file(INSTALL "${own}/gorubadon.desktop" DESTINATION "${prefix}/${gorubadon_appdir}")
    configure_file("${gorubadon_dist}/gorubadon.6.in" "${own}/gorubadon.6" @ONLY)
    execute_process(COMMAND gzip -9n "${own}/gorubadon.6" COMMAND_ERROR_IS_FATAL ANY)
    file(INSTALL "${own}/gorubadon.6.gz" DESTINATION "${prefix}/${gorubadon_mandir}")
    file(REMOVE_RECURSE "${own}")

    # The font: fonts-vlgothic's file where the system has it (the package depends on it), else
    # the game's own copy, with the font's terms beside the game's.
    set(font "${prefix}/${gorubadon_datadir}/${gorubadon_font}")
    get_filename_component(font_dir "${font}" DIRECTORY)
    # Neither kind is written through the other: a link may lead to the system's file.
    file(REMOVE "$ENV{DESTDIR}${font}")
    if(gorubadon_package OR EXISTS "${gorubadon_system_font}")
        set(target "${gorubadon_system_font}")
        # Within /usr Debian links relatively; a staged install used where it stands needs the
        # system's file.
        if(gorubadon_package AND prefix STREQUAL "/usr")
            file(RELATIVE_PATH target "${font_dir}" "${gorubadon_system_font}")
        endif()
        file(MAKE_DIRECTORY "$ENV{DESTDIR}${font_dir}")
        message(STATUS "Installing: $ENV{DESTDIR}${font} -> ${target}")
        file(CREATE_LINK "${target}" "$ENV{DESTDIR}${font}" SYMBOLIC)
    else()
        file(INSTALL "${gorubadon_source}/${gorubadon_font}" DESTINATION "${font_dir}")
        get_filename_component(source_fonts "${gorubadon_source}/${gorubadon_font}" DIRECTORY)
        file(INSTALL "${source_fonts}/" DESTINATION "${prefix}/${gorubadon_docdir}/font"
             FILES_MATCHING PATTERN "README*" PATTERN "COPYRIGHT" PATTERN "ORIGIN")
    endif()

    # The web engine publish makes a story's page from, as make web left it; the environment's
    # GORUBADON_WEB_ENGINE, where set, names another (a test's own).
    set(engine "${gorubadon_web_engine}")
    if(DEFINED ENV{GORUBADON_WEB_ENGINE})
        set(engine "$ENV{GORUBADON_WEB_ENGINE}")
    endif()
    if(engine)
        if(NOT EXISTS "${engine}/index.html" OR NOT EXISTS "${engine}/sw.js")
            message(FATAL_ERROR "no web engine in ${engine}: make web builds one")
        endif()
        set(web "${prefix}/${gorubadon_datadir}/web")
        # A file an older engine had must not stay beside the new one's.
        file(REMOVE_RECURSE "$ENV{DESTDIR}${web}")
        file(GLOB engine_files LIST_DIRECTORIES false "${engine}/*")
        file(INSTALL ${engine_files} DESTINATION "${web}"
             FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()

    # What dh_strip leaves: no symbols, no compiler's notes.
    if(gorubadon_package)
        execute_process(COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded
                                "$ENV{DESTDIR}${game_path}" "$ENV{DESTDIR}${games_path}-story"
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
]])

if(GORUBADON_PACKAGE)
    install(FILES ${dist}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
            RENAME gorubadon)
endif()

# make package: a .deb under /usr whose Depends dpkg-shlibdeps reads off the binary.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gorubadon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "very short Japanese text adventure")
set(CPACK_PACKAGE_DESCRIPTION
    "On a country road a stranger steps into your way and challenges you to\n\
rock-paper-scissors. The story is told in Japanese, one line per key press,\n\
in translucent panels over a picture of the road, in a small window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GORUBADON_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-vlgothic)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The start-up script measures the screen with xdpyinfo and shows errors with xmessage. Classic
# SDL 1.2 cannot scale the window, nor open one on Wayland: where it is the release's SDL 1.2
# (Debian 12), sdl12-compat beside it can; later releases have sdl12-compat as their SDL 1.2.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils, libsdl1.2-compat")
include(CPack)

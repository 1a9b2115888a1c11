# The page: gorubadon.js and .wasm, the data the game opens (gorubadon.data), and web/'s files.
set(web_data ${PROJECT_BINARY_DIR}/page-data)
file(MAKE_DIRECTORY ${web_data}/data/images ${web_data}/data/fonts/aqua2_8)
configure_file(${PROJECT_SOURCE_DIR}/data/images/bg.jpg ${web_data}/data/images/bg.jpg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon.bmp ${web_data}/data/images/icon.bmp COPYONLY)

# The font cut down to the stories' characters: a few kilobytes instead of four megabytes, each
# glyph drawn as before (tests/framework/font_raster_test.cpp holds it to that).
set(GORUBADON_FONT_PYTHON /usr/bin/python3 CACHE FILEPATH "A python3 with fontTools")
file(GLOB story_sources ${PROJECT_SOURCE_DIR}/game/story_script.cpp
     ${PROJECT_SOURCE_DIR}/examples/*/*story*.cpp)
set(full_font ${PROJECT_SOURCE_DIR}/data/fonts/aqua2_8/aquafont.ttf)
set(page_font ${web_data}/data/fonts/aqua2_8/aquafont.ttf)
add_custom_command(OUTPUT ${page_font}
    COMMAND ${GORUBADON_FONT_PYTHON} ${PROJECT_SOURCE_DIR}/tools/web/subset_font.py ${full_font}
            ${page_font} ${story_sources}
    DEPENDS ${full_font} ${story_sources} ${PROJECT_SOURCE_DIR}/tools/web/subset_font.py)
add_custom_target(page_font DEPENDS ${page_font})
add_dependencies(gorubadon page_font)

target_link_options(gorubadon PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
    --use-preload-plugins --preload-file ${web_data}/data@/game/data
    --pre-js ${PROJECT_SOURCE_DIR}/web/pre.js)
set_target_properties(gorubadon PROPERTIES SUFFIX .js LINK_DEPENDS
    "${PROJECT_SOURCE_DIR}/web/pre.js;${page_font}")
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon-32.png ${PROJECT_BINARY_DIR}/icon.png COPYONLY)
foreach(file index.html page.css page.js)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${PROJECT_BINARY_DIR}/${file} COPYONLY)
endforeach()

# The page: gorubadon.js and .wasm, the data the game opens (gorubadon.data), and web/'s files.
set(web_data ${PROJECT_BINARY_DIR}/page-data)
file(MAKE_DIRECTORY ${web_data}/data/images ${web_data}/data/fonts/aqua2_8)
configure_file(${PROJECT_SOURCE_DIR}/data/images/bg.jpg ${web_data}/data/images/bg.jpg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon.bmp ${web_data}/data/images/icon.bmp COPYONLY)

include(${PROJECT_SOURCE_DIR}/web/page_font.cmake)
set(page_font ${web_data}/data/fonts/aqua2_8/aquafont.ttf)
add_page_font(page_font ${page_font})
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

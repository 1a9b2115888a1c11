# The page: gorubadon.js and .wasm, the data the game opens (gorubadon.data), and web/'s files.
set(web_data ${PROJECT_BINARY_DIR}/page-data)
set(GORUBADON_WEB_FONT ${PROJECT_SOURCE_DIR}/data/fonts/aqua2_8/aquafont.ttf CACHE FILEPATH
    "The font the page carries (make web gives it the subset of the stories' glyphs)")
file(MAKE_DIRECTORY ${web_data}/data/images ${web_data}/data/fonts/aqua2_8)
configure_file(${PROJECT_SOURCE_DIR}/data/images/bg.jpg ${web_data}/data/images/bg.jpg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon.bmp ${web_data}/data/images/icon.bmp COPYONLY)
configure_file(${GORUBADON_WEB_FONT} ${web_data}/data/fonts/aqua2_8/aquafont.ttf COPYONLY)

target_link_options(gorubadon PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
    --use-preload-plugins --preload-file ${web_data}/data@/game/data
    --pre-js ${PROJECT_SOURCE_DIR}/web/pre.js)
set_target_properties(gorubadon PROPERTIES SUFFIX .js LINK_DEPENDS
    "${PROJECT_SOURCE_DIR}/web/pre.js;${GORUBADON_WEB_FONT}")
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon-32.png ${PROJECT_BINARY_DIR}/icon.png COPYONLY)
foreach(file index.html page.css page.js)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${PROJECT_BINARY_DIR}/${file} COPYONLY)
endforeach()

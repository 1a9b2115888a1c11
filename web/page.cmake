# The page: gorubadon.js and .wasm, the data the game opens (gorubadon.data), and web/'s files.
set(web_data ${PROJECT_BINARY_DIR}/page-data)
file(MAKE_DIRECTORY ${web_data}/data/images ${web_data}/data/fonts/aqua2_8)
configure_file(${PROJECT_SOURCE_DIR}/data/images/bg.jpg ${web_data}/data/images/bg.jpg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon.bmp ${web_data}/data/images/icon.bmp COPYONLY)

include(${PROJECT_SOURCE_DIR}/web/page_font.cmake)
set(page_font ${web_data}/data/fonts/aqua2_8/aquafont.ttf)
add_page_font(page_font ${page_font})
add_dependencies(gorubadon page_font)

# ASYNCIFY instruments only the functions that are on the stack while the game waits for a key
# (web/asyncify.txt, as the optimised code has them; the browser test plays through them all):
# instrumenting every function that could be, as it otherwise does, makes the code a third larger.
target_link_options(gorubadon PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_ONLY=@${PROJECT_SOURCE_DIR}/web/asyncify.txt
    -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
    -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    --use-preload-plugins --preload-file ${web_data}/data@/game/data
    --pre-js ${PROJECT_SOURCE_DIR}/web/pre.js)
set_target_properties(gorubadon PROPERTIES SUFFIX .js LINK_DEPENDS
    "${PROJECT_SOURCE_DIR}/web/pre.js;${PROJECT_SOURCE_DIR}/web/asyncify.txt;${page_font}")
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon-32.png ${PROJECT_BINARY_DIR}/icon.png COPYONLY)
foreach(file index.html page.css page.js manifest.webmanifest)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${PROJECT_BINARY_DIR}/${file} COPYONLY)
endforeach()

# The installed page's icons: the game's own pictures at whole-number scales, with sharp pixels.
find_program(GORUBADON_MAGICK NAMES magick convert REQUIRED)
set(page_icons "")
foreach(icon "64;3;192" "256;2;512")
    list(GET icon 0 from)
    list(GET icon 1 times)
    list(GET icon 2 size)
    set(out ${PROJECT_BINARY_DIR}/icon-${size}.png)
    math(EXPR percent "${times} * 100")
    add_custom_command(OUTPUT ${out}
        COMMAND ${GORUBADON_MAGICK} ${PROJECT_SOURCE_DIR}/data/images/icon-${from}.png
                -filter point -resize ${percent}% -strip -define png:exclude-chunks=date,time ${out}
        DEPENDS ${PROJECT_SOURCE_DIR}/data/images/icon-${from}.png)
    list(APPEND page_icons ${out})
endforeach()

# The whole folder: the game, the icons, and the worker that keeps them, named for their bytes.
add_custom_target(page ALL
    COMMAND ${CMAKE_COMMAND} -DDIR=${PROJECT_BINARY_DIR} -DTEMPLATE=${PROJECT_SOURCE_DIR}/web/sw.js
            -P ${PROJECT_SOURCE_DIR}/web/page_worker.cmake
    DEPENDS ${page_icons} ${PROJECT_SOURCE_DIR}/web/sw.js ${PROJECT_SOURCE_DIR}/web/page_worker.cmake)
add_dependencies(page gorubadon)

# The web engine: gorubadon.js and .wasm, which read whatever story the page brings, and web/'s
# files, in engine/. index.html, manifest.webmanifest and sw.js there are templates that
# `gorubadon-story publish` fills for one story's folder.
set(engine_dir ${PROJECT_BINARY_DIR}/engine)
# Older builds kept the engine code's own build files there; publish copies every file it finds.
file(GLOB stale ${engine_dir}/CMakeFiles ${engine_dir}/Makefile ${engine_dir}/cmake_install.cmake
     ${engine_dir}/*.a)
if(stale)
    file(REMOVE_RECURSE ${stale})
endif()
file(MAKE_DIRECTORY ${engine_dir})
set_target_properties(gorubadon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${engine_dir})

# ASYNCIFY instruments only the functions that are on the stack while the game waits for a key
# (web/asyncify.txt, as the optimised code has them; the browser test plays through them all):
# instrumenting every function that could be, as it otherwise does, makes the code a third larger.
target_link_options(gorubadon PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_ONLY=@${PROJECT_SOURCE_DIR}/web/asyncify.txt
    -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
    -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    --pre-js ${PROJECT_SOURCE_DIR}/web/pre.js)
set_target_properties(gorubadon PROPERTIES SUFFIX .js LINK_DEPENDS
    "${PROJECT_SOURCE_DIR}/web/pre.js;${PROJECT_SOURCE_DIR}/web/asyncify.txt")
configure_file(${PROJECT_SOURCE_DIR}/data/images/icon-32.png ${engine_dir}/icon.png COPYONLY)
# The window's icon as the game has it (engine/look.hpp), under the name the page fetches.
include(${PROJECT_SOURCE_DIR}/engine/look.cmake)
configure_file(${PROJECT_SOURCE_DIR}/${look_icon} ${engine_dir}/icon.bmp COPYONLY)
foreach(file index.html page.css page.js manifest.webmanifest sw.js)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${engine_dir}/${file} COPYONLY)
endforeach()

# The installed page's icons: the game's own pictures at whole-number scales, with sharp pixels.
find_program(GORUBADON_MAGICK NAMES magick convert REQUIRED)
set(page_icons "")
foreach(icon "64;3;192" "256;2;512")
    list(GET icon 0 from)
    list(GET icon 1 times)
    list(GET icon 2 size)
    set(out ${engine_dir}/icon-${size}.png)
    math(EXPR percent "${times} * 100")
    add_custom_command(OUTPUT ${out}
        COMMAND ${GORUBADON_MAGICK} ${PROJECT_SOURCE_DIR}/data/images/icon-${from}.png
                -filter point -resize ${percent}% -strip -define png:exclude-chunks=date,time ${out}
        DEPENDS ${PROJECT_SOURCE_DIR}/data/images/icon-${from}.png)
    list(APPEND page_icons ${out})
endforeach()

add_custom_target(page ALL DEPENDS ${page_icons})
add_dependencies(page gorubadon)

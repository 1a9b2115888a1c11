# The browser build (emcmake cmake -DGORUBADON_WEB_SOURCES=...): SDL 1.2 and FreeType from
# Debian's source packages (web/tools/prepare.sh), the framework's web platform files in place of
# SDL_image, SDL_ttf, SDL_mixer and SDL_gfx, and the page in web/.
set(GORUBADON_WEB_SOURCES "" CACHE PATH "Where web/tools/prepare.sh unpacked SDL 1.2 and FreeType")
set(sdl_src ${GORUBADON_WEB_SOURCES}/libsdl1.2)
if(NOT EXISTS ${sdl_src}/src/SDL.c)
    message(FATAL_ERROR "No SDL 1.2 sources in '${GORUBADON_WEB_SOURCES}': run make web")
endif()

# Smallest code: the page's transfer is mostly code, and the game is never waiting on the CPU.
foreach(lang C CXX)
    set(CMAKE_${lang}_FLAGS_RELEASE "-Oz -DNDEBUG")
endforeach()

# The game's errors are exceptions, caught in main.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
# Emscripten 3.1.6's libc++ compares no vector with <=>, so a record's defaulted <=> is deleted
# there; nothing in the game calls it.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-defaulted-function-deleted>)

# SDL's headers with the configuration of web/include beside them, in one folder, as <SDL.h>
# finds them on the desktop.
set(web_include ${PROJECT_BINARY_DIR}/sdl-include)
file(GLOB sdl_headers ${sdl_src}/include/*.h)
file(COPY ${sdl_headers} DESTINATION ${web_include})
file(GLOB web_headers ${PROJECT_SOURCE_DIR}/web/include/*.h)
file(COPY ${web_headers} DESTINATION ${web_include})

set(sdl_dirs . audio audio/dummy cpuinfo events file joystick joystick/dummy stdlib thread
    thread/generic timer timer/unix video video/dummy)
set(sdl_sources "")
foreach(dir ${sdl_dirs})
    file(GLOB found ${sdl_src}/src/${dir}/*.c)
    list(APPEND sdl_sources ${found})
endforeach()
list(FILTER sdl_sources EXCLUDE REGEX "_MMX|_m68k|SDL_yuv_mmx|thread/generic/SDL_syscond|SDL_audiodev")
add_library(sdl12_web STATIC ${sdl_sources})
target_include_directories(sdl12_web PUBLIC ${web_include}
                           PRIVATE ${sdl_src}/src ${sdl_src}/src/video ${sdl_src}/src/events
                           ${sdl_src}/src/audio ${sdl_src}/src/joystick ${sdl_src}/src/thread
                           ${sdl_src}/src/timer)
target_compile_options(sdl12_web PRIVATE -w)

# FreeType as Debian configures it, less the libraries a TrueType outline never needs.
foreach(lib ZLIB BZIP2 PNG HARFBUZZ BROTLI)
    set(FT_DISABLE_${lib} ON CACHE BOOL "" FORCE)
endforeach()
# The same options for FreeType and for the framework's code that calls it.
include_directories(${PROJECT_SOURCE_DIR}/web/freetype)
add_compile_definitions("FT_CONFIG_OPTIONS_H=<gorubadon_ftoption.h>")
# Its cmake_minimum_required predates what CMake 4 still accepts.
set(CMAKE_POLICY_VERSION_MINIMUM 3.10)
add_subdirectory(${GORUBADON_WEB_SOURCES}/freetype ${PROJECT_BINARY_DIR}/freetype EXCLUDE_FROM_ALL)
target_compile_options(freetype PRIVATE -w)
# Only the modules a TrueType font with its own hinting needs; the linker leaves the rest out.
target_compile_definitions(freetype PRIVATE "FT_CONFIG_MODULES_H=<gorubadon_ftmodule.h>")

# What pkg-config's SDL12 target gives the desktop build.
add_library(PkgConfig::SDL12 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL12 INTERFACE sdl12_web)

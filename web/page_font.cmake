# The font cut down to the characters the stories draw (tools/web/subset_font.py): the page's,
# and the test's that holds it to drawing each of them as the whole font does.
set(GORUBADON_FONT_PYTHON /usr/bin/python3 CACHE FILEPATH "A python3 with fontTools")
function(add_page_font target output)
    file(GLOB story_sources ${PROJECT_SOURCE_DIR}/game/story_script.cpp
         ${PROJECT_SOURCE_DIR}/game/*.story ${PROJECT_SOURCE_DIR}/examples/*/*story*.cpp
         ${PROJECT_SOURCE_DIR}/examples/*/*.story)
    set(full_font ${PROJECT_SOURCE_DIR}/data/fonts/aqua2_8/aquafont.ttf)
    set(script ${PROJECT_SOURCE_DIR}/tools/web/subset_font.py)
    add_custom_command(OUTPUT ${output}
        COMMAND ${GORUBADON_FONT_PYTHON} ${script} ${full_font} ${output} ${story_sources}
        DEPENDS ${full_font} ${story_sources} ${script})
    add_custom_target(${target} DEPENDS ${output})
endfunction()

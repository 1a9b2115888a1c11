# The data files the game opens, read from look.hpp so that they are named there alone: sets
# look_icon, look_font and look_background to their paths below the source root (data/...).
set(look_header ${CMAKE_CURRENT_LIST_DIR}/look.hpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${look_header})
foreach(field icon font background)
    file(STRINGS ${look_header} line REGEX "${field}Path = \"data/")
    string(REGEX REPLACE "^.*\"(data/[^\"]+)\".*$" "\\1" look_${field} "${line}")
    if(NOT look_${field} MATCHES "^data/[^;]+$")
        message(FATAL_ERROR "engine/look.hpp names no one ${field}Path in data/")
    endif()
endforeach()

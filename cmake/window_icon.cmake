# The window's icon, built into the game from the raw 48 px rendering of
# dist/zelto.svg that tools/make_icons.sh writes beside the package's icons.
set(WINDOW_ICON_RAW ${CMAKE_CURRENT_SOURCE_DIR}/dist/icons/zelto_48.rgba)
set(WINDOW_ICON_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/window_icon.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WINDOW_ICON_RAW})
file(READ ${WINDOW_ICON_RAW} icon_hex HEX)
string(LENGTH "${icon_hex}" icon_digits)
if(NOT icon_digits EQUAL 18432)
  message(FATAL_ERROR "${WINDOW_ICON_RAW} is not 48 x 48 RGBA: run tools/make_icons.sh")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," icon_bytes "${icon_hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" icon_bytes "${icon_bytes}")
file(CONFIGURE OUTPUT ${WINDOW_ICON_SOURCE} CONTENT
"// Made by cmake/window_icon.cmake from dist/icons/zelto_48.rgba.
#include \"shell/machine/desktop.h\"

const int WINDOW_ICON_SIZE = 48;
const unsigned char WINDOW_ICON_RGBA[] = {
${icon_bytes}
};
")

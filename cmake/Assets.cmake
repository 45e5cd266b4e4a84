# The pictures, icons and sounds named by res/assets.rc. tools/make_assets.py draws and
# synthesises them at build time into QUENDAL_ASSETS_DIR; none is kept in the source tree.

# Debian's interpreter first: the Debian package python3-pil installs Pillow for it alone.
find_program(QUENDAL_PYTHON NAMES python3 HINTS /usr/bin REQUIRED)

set(QUENDAL_ASSETS_DIR ${CMAKE_BINARY_DIR}/assets)
set(QUENDAL_ASSET_TOOL ${PROJECT_SOURCE_DIR}/tools/make_assets.py)
file(GLOB QUENDAL_ASSET_TOOL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/*.py)
# The tool itself says which files it makes, so a change to it refreshes the list.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUENDAL_ASSET_TOOL_SOURCES})

execute_process(
  COMMAND ${QUENDAL_PYTHON} -B ${QUENDAL_ASSET_TOOL} --list
  OUTPUT_VARIABLE asset_names
  ERROR_VARIABLE asset_error
  RESULT_VARIABLE asset_result
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT asset_result EQUAL 0)
  message(FATAL_ERROR "${QUENDAL_ASSET_TOOL} cannot run with ${QUENDAL_PYTHON} (Debian packages "
                      "python3-pil and fonts-wqy-microhei needed):\n${asset_error}")
endif()
string(REPLACE "\n" ";" asset_names "${asset_names}")
list(TRANSFORM asset_names PREPEND ${QUENDAL_ASSETS_DIR}/ OUTPUT_VARIABLE QUENDAL_ASSET_FILES)

add_custom_command(
  OUTPUT ${QUENDAL_ASSET_FILES}
  # Emptied first, so that no file of an earlier version of the tool lingers.
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QUENDAL_ASSETS_DIR}
  COMMAND ${QUENDAL_PYTHON} -B ${QUENDAL_ASSET_TOOL} ${QUENDAL_ASSETS_DIR}
  DEPENDS ${QUENDAL_ASSET_TOOL_SOURCES}
  COMMENT "Drawing the panel's pictures, icons and sounds"
  VERBATIM)
add_custom_target(panel_assets ALL DEPENDS ${QUENDAL_ASSET_FILES})

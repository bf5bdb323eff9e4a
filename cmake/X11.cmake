# The Linux program `tovra`, an XScreenSaver display module: the X11 layers
# beside each subsystem (src/*/x11), its entry point (src/x11), and the six
# cell bitmaps beside it in the build tree.

set(TOVRA_DATA_DIR /usr/share/tovra CACHE PATH "Where the installed program reads its cell bitmaps")

file(GLOB TOVRA_X11_SOURCES CONFIGURE_DEPENDS src/*/x11/*.cpp src/x11/*.cpp)
add_executable(tovra ${TOVRA_X11_SOURCES})
target_include_directories(tovra PRIVATE ${X11_INCLUDE_DIR} ${TOVRA_STB_INCLUDE_DIR})
target_link_libraries(tovra PRIVATE tovra_core ${X11_LIBRARIES} ${X11_Xext_LIB} ${TOVRA_STB_LIBRARY})
target_compile_definitions(tovra PRIVATE TOVRA_DATA_DIR="${TOVRA_DATA_DIR}")
target_compile_options(tovra PRIVATE ${TOVRA_WARNINGS})

find_program(PYTHON3 python3 REQUIRED)
set(TOVRA_BITMAPS cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp)
list(TRANSFORM TOVRA_BITMAPS PREPEND ${CMAKE_BINARY_DIR}/ OUTPUT_VARIABLE TOVRA_BITMAP_FILES)
add_custom_command(OUTPUT ${TOVRA_BITMAP_FILES}
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make-art.py ${CMAKE_BINARY_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-art.py
  COMMENT "Drawing the cell bitmaps")
add_custom_target(tovra_bitmaps ALL DEPENDS ${TOVRA_BITMAP_FILES})
add_dependencies(tovra tovra_bitmaps)


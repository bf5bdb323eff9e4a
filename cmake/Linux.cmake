# What the Linux programs (X11 and Wayland) share: the run's signals and
# clocks and the cell bitmaps read with stb_image (src/display/linux), and
# the six cell bitmaps, drawn into the build folder beside the programs and
# installed in the folder they read them from.

# The installed programs read their cell bitmaps where they are installed
# (after the folder they run from), so they find them under whichever prefix
# they were built for; one folder for both, so the two cannot part.
set(TOVRA_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/tovra)

file(GLOB TOVRA_LINUX_SOURCES CONFIGURE_DEPENDS src/display/linux/*.cpp)
add_library(tovra_linux STATIC ${TOVRA_LINUX_SOURCES})
target_include_directories(tovra_linux PUBLIC ${TOVRA_STB_INCLUDE_DIR})
target_link_libraries(tovra_linux PUBLIC tovra_core ${TOVRA_STB_LIBRARY})
target_compile_options(tovra_linux PRIVATE ${TOVRA_WARNINGS})

find_program(PYTHON3 python3 REQUIRED)
set(TOVRA_BITMAPS cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp)
list(TRANSFORM TOVRA_BITMAPS PREPEND ${CMAKE_BINARY_DIR}/ OUTPUT_VARIABLE TOVRA_BITMAP_FILES)
add_custom_command(OUTPUT ${TOVRA_BITMAP_FILES}
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make-art.py ${CMAKE_BINARY_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-art.py
  COMMENT "Drawing the cell bitmaps")
add_custom_target(tovra_bitmaps ALL DEPENDS ${TOVRA_BITMAP_FILES})
install(FILES ${TOVRA_BITMAP_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tovra)

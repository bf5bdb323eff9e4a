# Tovra.scr with its resources, and the six cell bitmaps beside it.

find_program(PYTHON3 python3 REQUIRED)
set(TOVRA_ART_DIR ${CMAKE_BINARY_DIR})
set(TOVRA_ART_FILES
  ${TOVRA_ART_DIR}/cell.bmp ${TOVRA_ART_DIR}/cellyellow.bmp ${TOVRA_ART_DIR}/cellgreen.bmp
  ${TOVRA_ART_DIR}/cellblue.bmp ${TOVRA_ART_DIR}/cellpurple.bmp ${TOVRA_ART_DIR}/deadcell.bmp
  ${TOVRA_ART_DIR}/Tovra.ico)
add_custom_command(OUTPUT ${TOVRA_ART_FILES}
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make-art.py ${TOVRA_ART_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-art.py
  COMMENT "Drawing the cell bitmaps and the icon")
add_custom_target(tovra_art DEPENDS ${TOVRA_ART_FILES})

string(REPLACE "." "," TOVRA_VERSION_COMMAS "${TOVRA_VERSION},0,0")
configure_file(src/win32/Tovra.rc.in ${CMAKE_BINARY_DIR}/Tovra.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/Tovra.rc PROPERTIES
  OBJECT_DEPENDS "${TOVRA_ART_DIR}/Tovra.ico;${CMAKE_SOURCE_DIR}/src/win32/Tovra.manifest")

file(GLOB TOVRA_APP_CPP CONFIGURE_DEPENDS src/win32/*.cpp)
add_executable(Tovra WIN32 ${TOVRA_APP_CPP} ${CMAKE_BINARY_DIR}/Tovra.rc)
set_target_properties(Tovra PROPERTIES SUFFIX ".scr")
add_dependencies(Tovra tovra_art)
target_link_libraries(Tovra PRIVATE tovra_win32)
target_compile_options(Tovra PRIVATE ${TOVRA_WARNINGS})

# The Linux program `tovra`, an XScreenSaver display module: the X11 layers
# beside each subsystem (src/*/x11) and the program's run (src/x11) in one
# library, the entry point, `tovra-enable`, their manual pages and where each
# is installed. The unit
# tests take the library and tests/x11/*.cpp, which draw on a private Xvfb.

# Where XScreenSaver looks for its display modes and their settings pages,
# under the install prefix.
set(TOVRA_MODULE_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver CACHE STRING
    "Where the display module is installed, under the prefix")
set(TOVRA_CONFIG_DIR ${CMAKE_INSTALL_DATADIR}/xscreensaver/config CACHE STRING
    "Where its XScreenSaver settings page is installed, under the prefix")

file(GLOB TOVRA_X11_SOURCES CONFIGURE_DEPENDS src/*/x11/*.cpp src/x11/*.cpp)
list(FILTER TOVRA_X11_SOURCES EXCLUDE REGEX "/(enable_)?main\\.cpp$")
add_library(tovra_x11 STATIC ${TOVRA_X11_SOURCES})
target_include_directories(tovra_x11 PUBLIC ${X11_INCLUDE_DIR})
target_link_libraries(tovra_x11 PUBLIC tovra_linux ${X11_LIBRARIES} ${X11_Xext_LIB} ${X11_Xrandr_LIB})
target_compile_definitions(tovra_x11 PRIVATE TOVRA_DATA_DIR="${TOVRA_DATA_DIR}")
target_compile_options(tovra_x11 PRIVATE ${TOVRA_WARNINGS})
add_executable(tovra src/x11/main.cpp)
target_link_libraries(tovra PRIVATE tovra_x11)
target_compile_options(tovra PRIVATE ${TOVRA_WARNINGS})
# The user's command that puts Tovra on XScreenSaver's list; no X11 in it.
add_executable(tovra-enable src/x11/enable_main.cpp src/x11/ProgramsList.cpp)
target_include_directories(tovra-enable PRIVATE src)
target_compile_options(tovra-enable PRIVATE ${TOVRA_WARNINGS})

if(BUILD_TESTING)
  file(GLOB TOVRA_X11_TEST_SOURCES CONFIGURE_DEPENDS tests/x11/*.cpp)
  target_sources(tovra_tests PRIVATE ${TOVRA_X11_TEST_SOURCES})
  target_link_libraries(tovra_tests PRIVATE tovra_x11)
  # The settings page, the manual pages and the README, which a test holds to the settings table.
  target_compile_definitions(tovra_tests PRIVATE TOVRA_DATA_DIR="${TOVRA_DATA_DIR}" TOVRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # The program's own entry point: its usage on -help (built with the tests).
  add_test(NAME tovra_help COMMAND tovra -help)
  set_tests_properties(tovra_help PROPERTIES PASS_REGULAR_EXPRESSION "^usage: tovra ")
  add_dependencies(tovra_tests tovra tovra-enable)
endif()

add_dependencies(tovra tovra_bitmaps)
if(BUILD_TESTING)
  add_dependencies(tovra_tests tovra_bitmaps)
endif()

tovra_man_page(src/x11/tovra.6)
tovra_man_page(src/x11/tovra-enable.1)
install(TARGETS tovra RUNTIME DESTINATION ${TOVRA_MODULE_DIR})
install(TARGETS tovra-enable RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES src/x11/tovra.xml DESTINATION ${TOVRA_CONFIG_DIR})

# Windows-only parts: the Win32 adapters beside each subsystem (src/*/win32),
# their tests, and the program itself.

file(GLOB TOVRA_WIN32_SOURCES CONFIGURE_DEPENDS src/*/win32/*.cpp)
if(TOVRA_WIN32_SOURCES)
  add_library(tovra_win32 STATIC ${TOVRA_WIN32_SOURCES})
  target_link_libraries(tovra_win32 PUBLIC tovra_core user32 gdi32 advapi32 comctl32)
  target_compile_definitions(tovra_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(tovra_win32 PRIVATE ${TOVRA_WARNINGS})
endif()

# Tests that need the real platform (registry, windows) and run under Wine.
file(GLOB TOVRA_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
if(TOVRA_WIN32_TEST_SOURCES AND TARGET tovra_win32)
  add_executable(tovra_win32_tests ${TOVRA_WIN32_TEST_SOURCES})
  target_include_directories(tovra_win32_tests PRIVATE tests)
  target_link_libraries(tovra_win32_tests PRIVATE tovra_win32 GTest::gmock_main)
  target_compile_options(tovra_win32_tests PRIVATE ${TOVRA_WARNINGS})
endif()

# The program: src/win32 holds its entry point and resources.
file(GLOB TOVRA_APP_SOURCES CONFIGURE_DEPENDS src/win32/*.cpp)
if(TOVRA_APP_SOURCES AND TARGET tovra_win32)
  include(cmake/Program.cmake)
endif()

# The end-to-end test host: starts Tovra.scr with a switch and inspects its
# windows and pixels (driven by tests/e2e/saver.sh under Wine).
add_executable(tovra-testhost tests/e2e/host/TestHost.cpp)
target_link_libraries(tovra-testhost PRIVATE user32 gdi32 advapi32)
target_compile_definitions(tovra-testhost PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(tovra-testhost PRIVATE ${TOVRA_WARNINGS})

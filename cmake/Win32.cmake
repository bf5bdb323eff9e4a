# Windows-only parts: the Win32 adapters beside each subsystem (src/*/win32),
# their tests, and the program itself.

file(GLOB TOVRA_WIN32_SOURCES CONFIGURE_DEPENDS src/*/win32/*.cpp)
if(TOVRA_WIN32_SOURCES)
  add_library(tovra_win32 STATIC ${TOVRA_WIN32_SOURCES})
  target_link_libraries(tovra_win32 PUBLIC tovra_core user32 gdi32 advapi32 comctl32 shell32 ole32)
  target_compile_definitions(tovra_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(tovra_win32 PRIVATE ${TOVRA_WARNINGS})
endif()

# Tests that need the real platform (registry, windows) and run under Wine.
file(GLOB TOVRA_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
if(BUILD_TESTING AND TOVRA_WIN32_TEST_SOURCES AND TARGET tovra_win32)
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

if(BUILD_TESTING)
  # The end-to-end tests' probe (tests/e2e/*.sh drive it under Wine) and the
  # stand-in password service, password.cpl, which also carries the probe's
  # input hook. It lives in a folder of its own: beside Tovra.scr it would be
  # a password.cpl beside the program.
  add_executable(tovra-probe tests/e2e/probe/Probe.cpp)
  add_library(tovra-test-password SHARED tests/e2e/probe/TestPassword.cpp)
  foreach(target tovra-probe tovra-test-password)
    target_link_libraries(${target} PRIVATE user32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
    target_compile_options(${target} PRIVATE ${TOVRA_WARNINGS})
    target_link_options(${target} PRIVATE -static -Wl,--kill-at)
  endforeach()
  target_link_libraries(tovra-probe PRIVATE gdi32)
  set_target_properties(tovra-test-password PROPERTIES PREFIX "" OUTPUT_NAME password SUFFIX ".cpl"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-password)
endif()

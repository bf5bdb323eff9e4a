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

# The end-to-end test hosts (driven by tests/e2e/*.sh under Wine):
# tovra-testhost starts Tovra.scr with a switch and inspects its windows and
# pixels; tovra-exithost ends runs with real X input and checks what is left
# behind, with tovra-inputspy.dll reporting the input the program's windows
# take from their queue.
add_library(tovra_e2e_support STATIC tests/e2e/host/HostSupport.cpp)
target_link_libraries(tovra_e2e_support PUBLIC user32 gdi32 advapi32)
target_compile_definitions(tovra_e2e_support PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(tovra_e2e_support PRIVATE ${TOVRA_WARNINGS})
foreach(host tovra-testhost:TestHost tovra-exithost:ExitHost)
  string(REPLACE ":" ";" host ${host})
  list(GET host 0 target)
  list(GET host 1 source)
  add_executable(${target} tests/e2e/host/${source}.cpp)
  target_link_libraries(${target} PRIVATE tovra_e2e_support)
  target_compile_options(${target} PRIVATE ${TOVRA_WARNINGS})
endforeach()

# Test DLLs: statically linked, their exports undecorated in the 32-bit build
# too (--kill-at), so that they are found by their plain names.
function(tovra_test_dll target source)
  add_library(${target} SHARED ${source})
  target_link_libraries(${target} PRIVATE user32 advapi32)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(${target} PRIVATE ${TOVRA_WARNINGS})
  target_link_options(${target} PRIVATE -static -Wl,--kill-at)
  set_target_properties(${target} PROPERTIES PREFIX "")
endfunction()
tovra_test_dll(tovra-inputspy tests/e2e/host/InputSpy.cpp)
# The stand-in password service, as password.cpl. It lives in a folder of its
# own: beside Tovra.scr it would answer for every run started from there.
tovra_test_dll(tovra-test-password tests/e2e/password/TestPassword.cpp)
set_target_properties(tovra-test-password PROPERTIES OUTPUT_NAME password SUFFIX ".cpl"
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-password)

# libFuzzer targets, one per tests/fuzz/<name>_fuzz.cpp; `make fuzz` runs
# each on its seed corpus tests/fuzz/<name>/.
file(GLOB TOVRA_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${TOVRA_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" name ${name})
  add_executable(tovra_fuzz_${name} ${source})
  target_link_libraries(tovra_fuzz_${name} PRIVATE tovra_life_lib)
  target_compile_options(tovra_fuzz_${name} PRIVATE ${TOVRA_WARNINGS})
  target_link_options(tovra_fuzz_${name} PRIVATE -fsanitize=fuzzer)
endforeach()

# Builds checked by clang's sanitizers. TOVRA_SANITIZE builds every program
# and test, GoogleTest included, with AddressSanitizer and
# UndefinedBehaviorSanitizer, ending the program at the first report.
# TOVRA_FUZZ adds libFuzzer's coverage to all of it and the fuzz targets
# (cmake/Fuzz.cmake).
option(TOVRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer (clang)" OFF)
option(TOVRA_FUZZ "Build the libFuzzer targets, sanitized (clang)" OFF)

if(TOVRA_SANITIZE OR TOVRA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The sanitized builds need clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(TOVRA_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${TOVRA_SANITIZERS} -fno-omit-frame-pointer)
  add_link_options(${TOVRA_SANITIZERS})
  # std::vector tells AddressSanitizer about its unused capacity, so a read
  # past size() is caught even when it stays inside the allocation.
  add_compile_definitions(_GLIBCXX_SANITIZE_VECTOR)
  if(TOVRA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

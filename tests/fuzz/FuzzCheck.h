#pragma once
// A property that must hold for every input: when it does not, the fuzzer
// keeps the input and stops.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                         \
        }                                                                         \
    } while (0)

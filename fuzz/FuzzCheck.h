#pragma once

#include <cstdio>
#include <cstdlib>

// A property a harness checks on top of the sanitizers: a failure aborts, which libFuzzer
// reports as a crash with the input that caused it.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

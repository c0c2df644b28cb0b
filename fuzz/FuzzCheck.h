#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant inside a fuzz target: the message goes to standard
// error and the process aborts, which libFuzzer records as a finding with the
// input that caused it.
#define KOR_FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                          \
        if (!(condition)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", __FILE__, __LINE__, #condition, what);    \
            std::abort();                                                                                         \
        }                                                                                                         \
    } while (0)

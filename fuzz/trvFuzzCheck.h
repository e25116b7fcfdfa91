#ifndef TRV_FUZZ_CHECK_H
#define TRV_FUZZ_CHECK_H

// Shared by the fuzz targets: a broken property is a finding, reported with
// its place and turned into a crash so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#define TRV_FUZZ_CHECK(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

#endif

// SPDX-License-Identifier: MIT
#ifndef TRV_FUZZ_CHECK_H
#define TRV_FUZZ_CHECK_H

// Shared by the fuzz targets. A broken property is a finding, reported with
// its place and turned into a crash so libFuzzer keeps the input.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "CtrvLogManager.h"

#define TRV_FUZZ_CHECK(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

// Runs one input as a byte program: `Program` is built on the input and its
// run() consumes it. A log exists, so that traces and logged errors are
// exercised too.
template <class Program>
int trvRunFuzzProgram(const std::uint8_t* data, std::size_t size) {
  CtrvLogManager::createInstance("");
  FuzzedDataProvider input(data, size);
  Program program(input);
  program.run();
  return 0;
}

#endif

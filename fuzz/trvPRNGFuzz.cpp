// SPDX-License-Identifier: MIT
// Fuzzes the generator's ranges on arbitrary seeds and bounds, the whole int
// range and reversed or NaN bounds included: every result lies between the
// bounds, and a clone carries on with the same sequence.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "CtrvPRNGGameRand.h"
#include "trvFuzzCheck.h"

namespace {

int boundFrom(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return std::numeric_limits<int>::min();
    case 1:
      return std::numeric_limits<int>::max();
    default:
      return input.ConsumeIntegral<int>();
  }
}

double anyDouble(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeFloatingPoint<double>();
  const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
  double value = 0.0;
  static_assert(sizeof bits == sizeof value, "double is 64 bits");
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void checkInteger(CtrvPRNG& generator, CtrvPRNG& twin, int low, int high) {
  const int value = generator.generate(low, high);
  TRV_FUZZ_CHECK(value >= std::min(low, high) && value <= std::max(low, high));
  TRV_FUZZ_CHECK(twin.generate(low, high) == value);
}

void checkReal(CtrvPRNG& generator, CtrvPRNG& twin, double low, double high) {
  const double value = generator.generate(low, high);
  const double twinValue = twin.generate(low, high);
  if (std::isnan(low) || std::isnan(high)) return;
  if (std::isfinite(value)) {
    TRV_FUZZ_CHECK(value >= std::min(low, high) && value <= std::max(low, high));
  }
  TRV_FUZZ_CHECK(std::isnan(value) ? std::isnan(twinValue) : twinValue == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(input.ConsumeIntegral<unsigned int>());
  const boost::shared_ptr<CtrvPRNG> twin = generator->clone();
  TRV_FUZZ_CHECK(generator->max() == twin->max());
  while (input.remaining_bytes() > 0) {
    if (input.ConsumeBool()) {
      const int low = boundFrom(input);
      checkInteger(*generator, *twin, low, boundFrom(input));
    } else {
      const double low = anyDouble(input);
      checkReal(*generator, *twin, low, anyDouble(input));
    }
    const double sigma = anyDouble(input);
    const double normal = generator->generateNormal(sigma);
    const double twinNormal = twin->generateNormal(sigma);
    TRV_FUZZ_CHECK(std::isnan(normal) ? std::isnan(twinNormal) : normal == twinNormal);
    TRV_FUZZ_CHECK(generator->generate() <= generator->max());
    (void)twin->generate();
  }
  return 0;
}

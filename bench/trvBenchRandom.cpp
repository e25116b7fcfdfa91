// SPDX-License-Identifier: MIT
// Pseudo-random numbers: the game generator called through the base class
// pointer, as callers hold it, against the standard Mersenne twister.
#include <CtrvPRNG.h>
#include <CtrvPRNGGameRand.h>

#include <random>

#include "trvBench.h"

namespace {

constexpr int kLow = 1;
constexpr int kHigh = 100;

void trvGenerate(benchmark::State& state) {
  const boost::shared_ptr<CtrvPRNG> generator = CtrvPRNGGameRand::create();
  CtrvPRNG* const prng = generator.get();
  for (auto _ : state) benchmark::DoNotOptimize(prng->generate());
}

void mersenneTwister(benchmark::State& state) {
  std::mt19937 engine;
  for (auto _ : state) benchmark::DoNotOptimize(engine());
}

void trvGenerateInRange(benchmark::State& state) {
  const boost::shared_ptr<CtrvPRNG> generator = CtrvPRNGGameRand::create();
  CtrvPRNG* const prng = generator.get();
  for (auto _ : state) benchmark::DoNotOptimize(prng->generate(kLow, kHigh));
}

void uniformIntOverMersenneTwister(benchmark::State& state) {
  std::mt19937 engine;
  std::uniform_int_distribution<int> distribution(kLow, kHigh);
  for (auto _ : state) benchmark::DoNotOptimize(distribution(engine));
}

const bool registered = [] {
  trvBench::registerPair("prng_generate", "CtrvPRNGGameRand::generate() via CtrvPRNG*", 0.45,
                         "std::mt19937", trvGenerate, mersenneTwister);
  trvBench::registerPair("prng_generate_range", "generate(1, 100) via CtrvPRNG*", 0.45,
                         "uniform_int_distribution over mt19937", trvGenerateInRange,
                         uniformIntOverMersenneTwister);
  return true;
}();

}  // namespace

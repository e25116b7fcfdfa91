// SPDX-License-Identifier: MIT
#include "trvRandomCommand.h"

#include <CtrvPRNGGameRand.h>

#include <climits>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "trvStandardStreams.h"

namespace trvApp {

namespace {

struct RandomOptions {
  unsigned int seed = 1;
  unsigned long count = 10;
  std::vector<int> integers;  // LOW HIGH
  std::vector<double> reals;  // LOW HIGH
  double sigma = -1.0;        // negative: no normal draws
};

void printOne(CtrvPRNG& random, const RandomOptions& options) {
  if (!options.integers.empty()) {
    std::printf("%d\n", random.generate(options.integers[0], options.integers[1]));
  } else if (!options.reals.empty()) {
    std::printf("%.17g\n", random.generate(options.reals[0], options.reals[1]));
  } else if (options.sigma >= 0.0) {
    std::printf("%.17g\n", random.generateNormal(options.sigma));
  } else {
    std::printf("%u\n", random.generate());
  }
}

int runRandom(const RandomOptions& options) {
  const boost::shared_ptr<CtrvPRNGGameRand> random = CtrvPRNGGameRand::create();
  random->seed(options.seed);
  // Once standard output fails, the rest would be lost too; the failure is
  // told on the way out of the program.
  for (unsigned long k = 0; k < options.count && !standardOutputFailed(); ++k) {
    printOne(*random, options);
  }
  return EXIT_OK;
}

}  // namespace

void addRandomCommand(CLI::App& program, Commands& commands) {
  CLI::App* random = program.add_subcommand(
      "random", "Pseudo-random numbers from a seed: raw 32-bit values unless asked otherwise");
  auto options = std::make_shared<RandomOptions>();
  addNumberOption(*random, "--seed", options->seed, wholeNumber(0, LARGEST_SEED),
                  "Seed; the same seed gives the same numbers")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(*random, "--count", options->count, wholeNumber(0, 100000000), "How many numbers")
      ->type_name("N")
      ->capture_default_str();
  CLI::Option* integers =
      addNumberOption(*random, "--int", options->integers, wholeNumber(INT_MIN, INT_MAX),
                      "Integers from LOW to HIGH, both included")
          ->type_name("NUMBER")
          ->expected(2);
  CLI::Option* reals =
      addNumberOption(*random, "--real", options->reals, finiteNumber(), "Reals from LOW to HIGH")
          ->type_name("NUMBER")
          ->expected(2)
          ->excludes(integers);
  addNumberOption(*random, "--normal", options->sigma,
                  realNumber(0.0, std::numeric_limits<double>::max()),
                  "Normal draws with mean 0 and standard deviation SIGMA")
      ->type_name("SIGMA")
      ->excludes(integers)
      ->excludes(reals);
  commands.push_back({random, [options] { return runRandom(*options); }});
}

}  // namespace trvApp

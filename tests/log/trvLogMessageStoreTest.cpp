#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "log/trvLogMessageStore.h"

namespace {

using Log = CtrvLogManager;

// The store must behave exactly like an ordered multimap keyed by time that
// drops its first record when it holds more than the bound: compare the two
// on random mixes of in-order and out-of-order times (a wall clock set back),
// with bounds small enough to wrap the ring many times.
TEST(CtrvLogMessageStore, MatchesAnOrderedMultimapWithTheSameBound) {
  std::mt19937 random(7);
  for (std::size_t bound : {0u, 1u, 5u, 63u, 64u, 200u}) {
    CtrvLogMessageStore store;
    std::multimap<double, std::string> oracle;
    double clock = 0.0;
    for (int i = 0; i < 3000; ++i) {
      const int step = static_cast<int>(random() % 10);
      if (step == 0)
        clock -= static_cast<double>(random() % 50);  // set back
      else if (step < 6)
        clock += 1.0;  // ties otherwise
      const std::string text = "m" + std::to_string(i);
      store.add(clock, Log::LOG_INFO, text, bound);
      if (oracle.size() > bound) oracle.erase(oracle.begin());
      oracle.emplace(clock, text);

      ASSERT_EQ(store.size(), oracle.size()) << "bound " << bound << " at " << i;
      std::size_t position = 0;
      for (const auto& [time, expected] : oracle) {
        ASSERT_EQ(store.at(position).time, time) << "bound " << bound << " at " << i;
        ASSERT_EQ(store.at(position).text, expected) << "bound " << bound << " at " << i;
        ++position;
      }
    }
  }
}

}  // namespace

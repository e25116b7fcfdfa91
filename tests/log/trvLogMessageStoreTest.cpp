// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "log/trvLogMessageStore.h"

// The store must behave exactly like an ordered multimap keyed by time that
// drops its first record when it holds more than the bound: compare the two
// on random mixes of in-order and out-of-order times (a wall clock set back),
// with bounds small enough to wrap the ring many times.
TEST(CtrvLogMessageStore, MatchesAnOrderedMultimapWithTheSameBound) {
  std::mt19937 random(7);
  for (std::size_t bound : {0u, 1u, 5u, 63u, 64u, 200u}) {
    SCOPED_TRACE(::testing::Message() << "seed 7, bound " << bound);
    CtrvLogMessageStore store;
    std::multimap<double, std::string> oracle;
    double clock = 0.0;
    for (int i = 0; i < 3000; ++i) {
      const int step = static_cast<int>(random() % 10);
      clock += step == 0 ? -static_cast<double>(random() % 50) : step < 6 ? 1.0 : 0.0;
      SCOPED_TRACE(::testing::Message() << "record " << i << " at time " << clock);
      store.add(clock, CtrvLogManager::LOG_INFO, std::to_string(i), bound);
      if (oracle.size() > bound) oracle.erase(oracle.begin());
      oracle.emplace(clock, std::to_string(i));
      std::vector<std::pair<double, std::string>> stored;
      for (std::size_t p = 0; p < store.size(); ++p)
        stored.emplace_back(store.at(p).time, store.at(p).text);
      ASSERT_EQ(stored,
                (std::vector<std::pair<double, std::string>>(oracle.begin(), oracle.end())));
    }
  }
}

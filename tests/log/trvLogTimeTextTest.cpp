// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "log/trvLogTimeText.h"

namespace {

std::string logTime(double time) {
  char text[kTrvLogTimeRoom];
  return std::string(text, trvWriteLogTime(time, text));
}

// What a default-configured stream writes: "%g", six significant digits.
std::string reference(double time) {
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, time, std::chars_format::general, 6);
  return std::string(text, written.ptr);
}

// The short path must agree with the general one everywhere, above all where
// rounding is decided: exact halves (ties go to the even digit), values that
// round up to the next power of ten, and the edges of the fixed notation.
TEST(LogTimeText, WritesEveryTimeAsTheStreamWouldToTheLastCharacter) {
  EXPECT_EQ(logTime(0.5), "0.5");
  EXPECT_EQ(logTime(1234.125), "1234.12") << "a tie goes to the even digit";
  EXPECT_EQ(logTime(1234.375), "1234.38");
  EXPECT_EQ(logTime(-2.0), "-2");
  EXPECT_EQ(logTime(999999.5), "1e+06");
  std::vector<double> cases = {0.0,
                               -0.0,
                               1e-4,
                               -1e-4,
                               9.99995e-5,
                               0.000123456,
                               99999.95,
                               999999.4,
                               999999.5,
                               1e6,
                               123456.5,
                               0.1,
                               1.0,
                               10.0,
                               100.0,
                               1000.0,
                               1e5,
                               3.0e7,
                               1e-300,
                               std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
  for (double power = 1e-5; power < 1e7; power *= 10) {
    for (double near : {power, power * 0.999995, power * 0.9999949, power * 0.9999951}) {
      cases.push_back(std::nextafter(near, 0.0));
      cases.push_back(near);
      cases.push_back(std::nextafter(near, 1e9));
    }
  }
  // Ties at every scale: whole numbers and eighths have exact halves.
  for (int whole = 0; whole < 2000000; whole += 997) {
    for (int eighth = 0; eighth < 8; ++eighth) cases.push_back(whole + eighth / 8.0);
  }
  // Times as the chronometer makes them: whole milliseconds minus a start.
  for (int ms = 0; ms < 200000; ms += 7) cases.push_back((1.7e9 + ms / 1000.0) - 1.7e9);
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-6.0, 7.0);
  for (int i = 0; i < 100000; ++i) cases.push_back(std::pow(10.0, exponent(random)));
  for (const double time : cases) {
    EXPECT_EQ(logTime(time), reference(time)) << time;
    EXPECT_EQ(logTime(-time), reference(-time)) << -time;
  }
}

}  // namespace

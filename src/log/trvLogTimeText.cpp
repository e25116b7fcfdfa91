// SPDX-License-Identifier: MIT
#include "log/trvLogTimeText.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kDigits = 6;

#if defined(__SIZEOF_INT128__)

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// Decimal exponents the short path writes in fixed notation: those "%g"
// writes so with six digits, from 1e-4 up to (but not including) 1e6.
constexpr int kLowestExponent = -4;
constexpr int kHighestExponent = kDigits - 1;

std::uint64_t bitsOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// value × 10^power rounded to the nearest integer, ties to even, exactly:
// the double is taken apart into its integer significand and power of two,
// and the product of the significand and the power of ten (at most 83 bits)
// is shifted with its remainder compared with one half. `value` is a normal
// positive double below 2^20 and above 2^-14, `power` from 0 to 9.
std::uint64_t scaledAndRounded(double value, int power) {
  const std::uint64_t bits = bitsOf(value);
  const int biasedExponent = static_cast<int>(bits >> 52);
  const std::uint64_t significand =
      (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  // value = significand × 2^-shift, with shift from 33 to 66.
  const int shift = 1075 - biasedExponent;
  const Wide product = static_cast<Wide>(significand) * kPowersOfTen[power];
  const std::uint64_t whole = static_cast<std::uint64_t>(product >> shift);
  const Wide remainder = product - (static_cast<Wide>(whole) << shift);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  const bool up = remainder > half || (remainder == half && (whole & 1) != 0);
  return whole + (up ? 1 : 0);
}

// The decimal exponent of `value` (at least 1e-4, below 1e6), perhaps one
// too high or too low near a power of ten, as the bounds are doubles: the
// caller corrects it. Its binary exponent b gives floor(b × log10(2)), one
// below the answer or the answer itself.
int estimatedExponent(double value) {
  constexpr double kPowers[] = {1e-4, 1e-3, 1e-2, 1e-1, 1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  const int binaryExponent = static_cast<int>(bitsOf(value) >> 52) - 1023;
  // 78913 / 2^18 is log10(2) closely enough for every exponent here.
  constexpr int kLog2Scaled = 78913;
  constexpr int kScale = 1 << 18;
  const int product = binaryExponent * kLog2Scaled;
  const int below = product >= 0 ? product / kScale : -((-product + kScale - 1) / kScale);
  return value >= kPowers[below + 1 - kLowestExponent] ? below + 1 : below;
}

// The six significant digits of a positive value and its decimal exponent
// after rounding; false when the exponent is outside the fixed notation.
bool sixDigits(double value, std::uint64_t& digits, int& exponent) {
  constexpr std::uint64_t kLowest = 100000;
  constexpr std::uint64_t kBeyond = 1000000;
  exponent = estimatedExponent(value);
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (exponent < kLowestExponent || exponent > kHighestExponent) return false;
    digits = scaledAndRounded(value, kHighestExponent - exponent);
    if (digits >= kBeyond) {
      ++exponent;  // rounded up to the next power of ten, or estimated low
    } else if (digits < kLowest) {
      --exponent;
    } else {
      return true;
    }
  }
  return false;
}

// Writes the digits in fixed notation: the integer part (a 0 when the
// exponent is negative), then the fraction without its trailing zeros.
std::size_t writeFixed(std::uint64_t digits, int exponent, char* out) {
  char text[kDigits];
  for (int i = kDigits - 1; i >= 0; --i) {
    text[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  int significant = kDigits;
  while (text[significant - 1] == '0') --significant;  // text[0] is never '0'
  char* next = out;
  if (exponent >= 0) {
    const int whole = exponent + 1;
    std::memcpy(next, text, static_cast<std::size_t>(whole));
    next += whole;
    if (significant > whole) {
      *next++ = '.';
      std::memcpy(next, text + whole, static_cast<std::size_t>(significant - whole));
      next += significant - whole;
    }
  } else {
    *next++ = '0';
    *next++ = '.';
    for (int zero = -1; zero > exponent; --zero) *next++ = '0';
    std::memcpy(next, text, static_cast<std::size_t>(significant));
    next += significant;
  }
  return static_cast<std::size_t>(next - out);
}

#endif

}  // namespace

std::size_t trvWriteLogTime(double time, char* out) {
#if defined(__SIZEOF_INT128__)
  // A negative time (the wall clock set back) is its magnitude with a minus sign.
  const double magnitude = time < 0 ? -time : time;
  std::uint64_t digits = 0;
  int exponent = 0;
  if (magnitude >= 1e-4 && magnitude < 1e6 && sixDigits(magnitude, digits, exponent)) {
    std::size_t length = 0;
    if (time < 0) out[length++] = '-';
    return length + writeFixed(digits, exponent, out + length);
  }
#endif
  const std::to_chars_result written =
      std::to_chars(out, out + kTrvLogTimeRoom, time, std::chars_format::general, kDigits);
  return static_cast<std::size_t>(written.ptr - out);
}

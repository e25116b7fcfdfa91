// SPDX-License-Identifier: MIT
#include <CtrvString.h>
#include <gtest/gtest.h>

#include <array>

TEST(CtrvString, TrimmingReplacingSplittingAndCaseConversion) {
  std::string text = "  \tab cd  ";
  CtrvString::removeBeginAndEndSpaces(text);
  EXPECT_EQ(text, "\tab cd") << "only spaces are trimmed";
  const std::array<std::string, 4> replaces[] = {
      {"aaa", "a", "aa", "aaaaaa"}, {"aaaa", "aa", "a", "aa"}, {"a", "", "X", "a"}};
  for (const auto& [input, search, replacement, expected] : replaces) {
    text = input;
    CtrvString::searchAndReplace(text, search, replacement);
    EXPECT_EQ(text, expected) << input << " / " << search << " / " << replacement;
  }
  // Only ASCII letters change, whatever the locale says of the other bytes.
  std::string upper = "aZ@[`{\xE9\xC9", lower = upper;
  CtrvString::toUpper(upper);
  CtrvString::toLower(lower);
  EXPECT_EQ(upper + lower, "AZ@[`{\xE9\xC9" "az@[`{\xE9\xC9");

  // Exploding trims only the pieces that end at a separator.
  using Pieces = std::vector<std::string>;
  const std::tuple<std::string, std::string, Pieces> cases[] = {
      {"a , b , c", ",", {"kept", "a", "b", " c"}},
      {"a, ,b", ",", {"kept", "a", "", "b"}},
      {",a,,b,", ",", {"kept", "a", "b"}},
      {"a,   ", ",", {"kept", "a", "   "}},
      {"", ",", {"kept"}},
      {"k=v; w = z ", ";=", {"kept", "k", "v", "w", " z "}}};
  for (const auto& [joined, separators, expected] : cases) {
    Pieces pieces{"kept"};  // pieces are appended
    CtrvString::explodeString(joined, separators, pieces);
    EXPECT_EQ(pieces, expected) << '"' << joined << "\" at \"" << separators << '"';
  }
}

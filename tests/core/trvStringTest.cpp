#include <CtrvString.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

TEST(CtrvString, TrimmingAndReplacing) {
  const std::pair<std::string, std::string> trims[] = {
      {"   ab cd  ", "ab cd"}, {"\tab \n", "\tab \n"}, {"    ", ""}, {"", ""}};
  for (const auto& [input, expected] : trims) {
    std::string text = input;
    CtrvString::removeBeginAndEndSpaces(text);
    EXPECT_EQ(text, expected) << '"' << input << '"';
  }

  struct Replace {
    std::string text, search, replacement, expected;
  };
  const Replace replaces[] = {
      {"abab", "ab", "b", "bb"},     {"aaa", "a", "aa", "aaaaaa"}, {"aaaa", "aa", "a", "aa"},
      {"hello", "xy", "q", "hello"}, {"a-b-c-", "-", "", "abc"},   {"abc", "", "X", "abc"},
  };
  for (const Replace& c : replaces) {
    std::string text = c.text;
    CtrvString::searchAndReplace(text, c.search, c.replacement);
    EXPECT_EQ(text, c.expected) << c.text << " / " << c.search << " / " << c.replacement;
  }
}

TEST(CtrvString, CaseConversionChangesOnlyAsciiLetters) {
  std::string text = "aBc-1";
  CtrvString::toUpper(text);
  EXPECT_EQ(text, "ABC-1");
  for (int byte = 0; byte < 256; ++byte) {
    std::string upper(1, static_cast<char>(byte));
    std::string lower = upper;
    CtrvString::toUpper(upper);
    CtrvString::toLower(lower);
    EXPECT_EQ(static_cast<unsigned char>(upper[0]), std::islower(byte) ? byte - 32 : byte);
    EXPECT_EQ(static_cast<unsigned char>(lower[0]), std::isupper(byte) ? byte + 32 : byte);
  }
}

TEST(CtrvString, ExplodeStringTrimsOnlyPiecesThatEndAtASeparator) {
  struct Case {
    std::string text, separators;
    Pieces expected;
  };
  const Case cases[] = {
      {"a,b,c", ",", {"a", "b", "c"}},
      {"a , b , c", ",", {"a", "b", " c"}},
      {"a, ,b", ",", {"a", "", "b"}},
      {",a,,b,", ",", {"a", "b"}},
      {"a,   ", ",", {"a", "   "}},
      {"  x  ", ",", {"  x  "}},
      {"", ",", {}},
      {" a b ", "", {" a b "}},
      {"k=v; w = z ", ";=", {"k", "v", "w", " z "}},
  };
  for (const Case& c : cases) {
    Pieces pieces{"kept"};
    CtrvString::explodeString(c.text, c.separators, pieces);
    ASSERT_EQ(pieces.front(), "kept") << "pieces are appended";
    EXPECT_EQ(Pieces(pieces.begin() + 1, pieces.end()), c.expected)
        << '"' << c.text << "\" at \"" << c.separators << '"';
  }
}

}  // namespace

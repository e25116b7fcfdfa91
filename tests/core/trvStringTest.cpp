#include <CtrvString.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

TEST(CtrvString, RemoveBeginAndEndSpacesTrimsOnlyTheSpaceCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"   ab cd  ", "ab cd"}, {"\tab ", "\tab"}, {" ab\n", "ab\n"},
      {"     ", ""},           {"", ""},          {"x", "x"},
      {" \t ", "\t"},
  };
  for (const auto& [input, expected] : cases) {
    std::string text = input;
    CtrvString::removeBeginAndEndSpaces(text);
    EXPECT_EQ(text, expected) << '"' << input << '"';
  }
}

TEST(CtrvString, SearchAndReplaceNeverSearchesTheInsertedText) {
  struct Case {
    std::string text, search, replacement, expected;
  };
  const Case cases[] = {
      {"abab", "ab", "b", "bb"},   {"aaa", "a", "aa", "aaaaaa"},
      {"aaaa", "aa", "a", "aa"},   {"hello", "xyz", "q", "hello"},
      {"a-b-c-", "-", "", "abc"},  {"abc", "abc", "", ""},
      {"", "a", "b", ""},          {"abc", "", "X", "abc"},
      {"abc", "abcd", "X", "abc"}, {std::string("a\0b", 3), std::string(1, '\0'), "0", "a0b"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    CtrvString::searchAndReplace(text, c.search, c.replacement);
    EXPECT_EQ(text, c.expected) << c.text << " / " << c.search << " / " << c.replacement;
  }
}

TEST(CtrvString, SearchAndReplaceHandlesManyOccurrencesInALongText) {
  std::string text(1000000, 'a');
  CtrvString::searchAndReplace(text, "a", "bc");
  ASSERT_EQ(text.size(), 2000000u);
  EXPECT_EQ(text.find_first_not_of("bc"), std::string::npos);
  EXPECT_EQ(text.substr(0, 4), "bcbc");
}

TEST(CtrvString, CaseConversionChangesOnlyAsciiLetters) {
  std::string text = "aBc-1 zZ";
  CtrvString::toUpper(text);
  EXPECT_EQ(text, "ABC-1 ZZ");
  CtrvString::toLower(text);
  EXPECT_EQ(text, "abc-1 zz");

  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte) allBytes.push_back(static_cast<char>(byte));
  std::string upper = allBytes;
  std::string lower = allBytes;
  CtrvString::toUpper(upper);
  CtrvString::toLower(lower);
  for (int byte = 0; byte < 256; ++byte) {
    const bool isLower = byte >= 'a' && byte <= 'z';
    const bool isUpper = byte >= 'A' && byte <= 'Z';
    EXPECT_EQ(static_cast<unsigned char>(upper[byte]), isLower ? byte - 32 : byte) << byte;
    EXPECT_EQ(static_cast<unsigned char>(lower[byte]), isUpper ? byte + 32 : byte) << byte;
  }

  std::string empty;
  CtrvString::toUpper(empty);
  EXPECT_EQ(empty, "");
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
      {"a,b ", ",", {"a", "b "}},
      {",a,,b,", ",", {"a", "b"}},
      {"a,   ", ",", {"a", "   "}},
      {"x", ",", {"x"}},
      {"  x  ", ",", {"  x  "}},
      {"", ",", {}},
      {",,,", ",", {}},
      {" a b ", "", {" a b "}},
      {"", "", {}},
      {"a;b,c d", ",; ", {"a", "b", "c", "d"}},
      {"k=v; w = z ", ";=", {"k", "v", "w", " z "}},
  };
  for (const Case& c : cases) {
    Pieces pieces;
    CtrvString::explodeString(c.text, c.separators, pieces);
    EXPECT_EQ(pieces, c.expected) << '"' << c.text << "\" at \"" << c.separators << '"';
  }
}

TEST(CtrvString, ExplodeStringAppendsAfterExistingPieces) {
  Pieces pieces{"kept"};
  CtrvString::explodeString("a,b", ",", pieces);
  EXPECT_EQ(pieces, (Pieces{"kept", "a", "b"}));
}

}  // namespace

// SPDX-License-Identifier: MIT
// Fuzzes the string utilities: the input is split into a text, a search, a
// replacement and a separator set, and every operation is checked against
// properties that hold for any bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CtrvString.h"
#include "trvFuzzCheck.h"

namespace {

std::size_t countOccurrences(const std::string& text, const std::string& search) {
  std::size_t count = 0;
  for (std::size_t at = text.find(search); at != std::string::npos;
       at = text.find(search, at + search.size())) {
    ++count;
  }
  return count;
}

void checkSearchAndReplace(const std::string& text, const std::string& search,
                           const std::string& replacement) {
  std::string replaced = text;
  CtrvString::searchAndReplace(replaced, search, replacement);
  if (search.empty()) {
    TRV_FUZZ_CHECK(replaced == text);
    return;
  }
  const std::size_t occurrences = countOccurrences(text, search);
  TRV_FUZZ_CHECK(replaced.size() + occurrences * search.size() ==
                 text.size() + occurrences * replacement.size());
  if (occurrences == 0) TRV_FUZZ_CHECK(replaced == text);
  // Replacing a string by itself changes nothing.
  std::string same = text;
  CtrvString::searchAndReplace(same, search, search);
  TRV_FUZZ_CHECK(same == text);
}

void checkTrim(const std::string& text) {
  std::string trimmed = text;
  CtrvString::removeBeginAndEndSpaces(trimmed);
  TRV_FUZZ_CHECK(text.find(trimmed) != std::string::npos);
  if (!trimmed.empty()) {
    TRV_FUZZ_CHECK(trimmed.front() != ' ' && trimmed.back() != ' ');
  } else {
    TRV_FUZZ_CHECK(text.find_first_not_of(' ') == std::string::npos);
  }
  std::string again = trimmed;
  CtrvString::removeBeginAndEndSpaces(again);
  TRV_FUZZ_CHECK(again == trimmed);
}

void checkCase(const std::string& text) {
  std::string upper = text;
  CtrvString::toUpper(upper);
  std::string lower = text;
  CtrvString::toLower(lower);
  TRV_FUZZ_CHECK(upper.size() == text.size() && lower.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    TRV_FUZZ_CHECK(!std::islower(static_cast<unsigned char>(upper[i])));
    TRV_FUZZ_CHECK(!std::isupper(static_cast<unsigned char>(lower[i])));
  }
  std::string lowerOfUpper = upper;
  CtrvString::toLower(lowerOfUpper);
  TRV_FUZZ_CHECK(lowerOfUpper == lower);
}

void checkExplode(const std::string& text, const std::string& separators) {
  std::vector<std::string> pieces{"kept"};
  CtrvString::explodeString(text, separators, pieces);
  TRV_FUZZ_CHECK(!pieces.empty() && pieces.front() == "kept");
  std::size_t total = 0;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    TRV_FUZZ_CHECK(pieces[i].find_first_of(separators) == std::string::npos);
    TRV_FUZZ_CHECK(text.find(pieces[i]) != std::string::npos);
    total += pieces[i].size();
  }
  TRV_FUZZ_CHECK(total <= text.size());
  if (text.empty()) TRV_FUZZ_CHECK(pieces.size() == 1);
  if (!text.empty() &&
      (separators.empty() || text.find_first_of(separators) == std::string::npos)) {
    TRV_FUZZ_CHECK(pieces.size() == 2 && pieces[1] == text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string search = input.ConsumeRandomLengthString(16);
  const std::string replacement = input.ConsumeRandomLengthString(16);
  const std::string separators = input.ConsumeRandomLengthString(8);
  const std::string text = input.ConsumeRemainingBytesAsString();

  checkSearchAndReplace(text, search, replacement);
  checkTrim(text);
  checkCase(text);
  checkExplode(text, separators);
  return 0;
}

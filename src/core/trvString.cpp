// SPDX-License-Identifier: MIT
#include "CtrvString.h"

#include <cctype>
#include <utility>

namespace {

constexpr char kSpace = ' ';

// Applies a <cctype> conversion to every byte; the cast keeps bytes of 128
// and above in the range those functions accept.
template <class Convert>
void convertEachByte(std::string& text, Convert convert) {
  for (char& byte : text) byte = static_cast<char>(convert(static_cast<unsigned char>(byte)));
}

}  // namespace

void CtrvString::removeBeginAndEndSpaces(std::string& text) {
  const std::string::size_type first = text.find_first_not_of(kSpace);
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  const std::string::size_type last = text.find_last_not_of(kSpace);
  text.erase(last + 1);
  text.erase(0, first);
}

void CtrvString::searchAndReplace(std::string& text, const std::string& search,
                                  const std::string& replacement) {
  if (search.empty()) return;
  std::string::size_type found = text.find(search);
  if (found == std::string::npos) return;
  // Built in a fresh string so that many occurrences in a long text cost
  // linear time rather than one shift of the tail per occurrence.
  std::string result;
  std::string::size_type copied = 0;
  while (found != std::string::npos) {
    result.append(text, copied, found - copied).append(replacement);
    copied = found + search.size();
    found = text.find(search, copied);
  }
  result.append(text, copied, std::string::npos);
  text.swap(result);
}

void CtrvString::toUpper(std::string& text) { convertEachByte(text, ::toupper); }

void CtrvString::toLower(std::string& text) { convertEachByte(text, ::tolower); }

void CtrvString::explodeString(const std::string& text, const std::string& separators,
                               std::vector<std::string>& pieces) {
  std::string::size_type start = 0;
  for (std::string::size_type separator = text.find_first_of(separators);
       separator != std::string::npos; separator = text.find_first_of(separators, start)) {
    if (separator > start) {
      std::string piece = text.substr(start, separator - start);
      removeBeginAndEndSpaces(piece);
      pieces.push_back(std::move(piece));
    }
    start = separator + 1;
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
}

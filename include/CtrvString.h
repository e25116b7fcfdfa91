// SPDX-License-Identifier: MIT
#ifndef CTRV_STRING_H
#define CTRV_STRING_H

/// @file CtrvString.h
/// In-place operations on byte strings.

#include <string>
#include <vector>

#include "trvExport.h"

/// Static operations on 8-bit byte strings: trimming spaces, replacing a
/// substring, case conversion and splitting at separator characters. No
/// encoding is assumed; positions and lengths count bytes. The class has no
/// data and is never instantiated. Nothing is reported and nothing throws on
/// the library's own account.
class TRV_API CtrvString {
 public:
  /// Never instantiated: every operation is static.
  CtrvString() = delete;

  /// Removes the run of space characters (byte 32 only) at the beginning and
  /// at the end of `text`. Tabs, line feeds and other white space stay.
  static void removeBeginAndEndSpaces(std::string& text);

  /// Replaces every non-overlapping occurrence of `search` in `text` by
  /// `replacement`, from left to right. The inserted text is never searched
  /// again. An empty `search` leaves `text` unchanged.
  static void searchAndReplace(std::string& text, const std::string& search,
                               const std::string& replacement);

  /// Converts every byte of `text` to upper case with the single-byte
  /// conversion of the current C locale (in the default locale only the 26
  /// ASCII letters change).
  static void toUpper(std::string& text);
  /// Converts every byte of `text` to lower case, as toUpper() does.
  static void toLower(std::string& text);

  /// Splits `text` at every character that belongs to the set `separators`
  /// and appends the pieces to `pieces` (nothing already there is removed).
  /// A piece that ends at a separator is trimmed with
  /// removeBeginAndEndSpaces() and appended even if that leaves it empty;
  /// nothing is appended between adjacent separators or before a leading
  /// one. The bytes after the last separator are appended untrimmed, when
  /// there are any. A text without separators (or an empty separator set)
  /// gives the whole text, untrimmed, as the only piece; an empty text gives
  /// nothing.
  static void explodeString(const std::string& text, const std::string& separators,
                            std::vector<std::string>& pieces);
};

#endif

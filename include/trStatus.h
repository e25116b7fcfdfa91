// SPDX-License-Identifier: MIT
#ifndef TR_STATUS_H
#define TR_STATUS_H

/// @file trStatus.h
/// Result of the trv operations that can fail in an ordinary way.

/// Status of an operation: TR_OK on success, TR_ERROR on failure. A plain
/// int, so it compares equal to 0 and -1.
typedef int trStatus;

/// The operation succeeded.
constexpr trStatus TR_OK = 0;
/// The operation failed.
constexpr trStatus TR_ERROR = -1;

#endif

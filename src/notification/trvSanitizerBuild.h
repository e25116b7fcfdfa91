// SPDX-License-Identifier: MIT
#ifndef TRV_SANITIZER_BUILD_H
#define TRV_SANITIZER_BUILD_H

// TRV_ADDRESS_SANITIZED is 1 when this translation unit is built with
// AddressSanitizer (GCC and Clang spell that differently), 0 otherwise.

#if defined(__SANITIZE_ADDRESS__)
#define TRV_ADDRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TRV_ADDRESS_SANITIZED 1
#endif
#endif
#ifndef TRV_ADDRESS_SANITIZED
#define TRV_ADDRESS_SANITIZED 0
#endif

#endif

// SPDX-License-Identifier: MIT
#ifndef TRV_EXPORT_H
#define TRV_EXPORT_H

/// @file trvExport.h
/// Symbol visibility of the trv library. The library is built with hidden
/// visibility; the classes and functions of its interface carry TRV_API.

#if defined(TRV_STATIC)
#define TRV_API
#elif defined(__GNUC__) || defined(__clang__)
#define TRV_API __attribute__((visibility("default")))
#else
#define TRV_API
#endif

#endif

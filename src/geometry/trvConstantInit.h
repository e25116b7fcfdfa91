// SPDX-License-Identifier: MIT
#ifndef TRV_GEOMETRY_CONSTANT_INIT_H
#define TRV_GEOMETRY_CONSTANT_INIT_H

// TRV_CONSTANT_INIT marks a global that must be initialised at compile time,
// so that other libraries' static initialisers may read it; the build fails
// if its initialiser would need code to run.
#if defined(__clang__)
#define TRV_CONSTANT_INIT [[clang::require_constant_initialization]]
#elif defined(__GNUC__) && __GNUC__ >= 10
#define TRV_CONSTANT_INIT __constinit
#else
#define TRV_CONSTANT_INIT
#endif

#endif

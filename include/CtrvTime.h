// SPDX-License-Identifier: MIT
#ifndef CTRV_TIME_H
#define CTRV_TIME_H

/// @file CtrvTime.h
/// Wall-clock chronometer with millisecond resolution.

#include <cstdint>

#include "trStatus.h"
#include "trvExport.h"

/// A wall-clock chronometer measuring elapsed seconds with millisecond
/// resolution; it can be paused and resumed. A plain value class, meant to be
/// embedded by value. It follows the system clock: setting the clock while it
/// runs changes the measured interval accordingly.
///
/// The Chrono* operations are older names of the same operations.
class TRV_API CtrvTime {
 public:
  /// An idle chronometer reading 0.0.
  CtrvTime();

  /// Starts the chronometer at `initialValue` seconds.
  /// @return TR_OK, or TR_ERROR (nothing changed) if it is already started.
  trStatus start(double initialValue);
  /// Same as start(); returns 0 on success, -1 if already started.
  int ChronoStart(double initialValue);

  /// Takes a reading, then clears the started flag (the paused flag stays).
  /// @return the elapsed time in seconds at the moment of stopping, as
  ///         elapsedTime() gives it (the last reading if it was not running).
  double stop();
  /// Same as stop().
  double ChronoStop();

  /// Freezes the elapsed time.
  /// @return TR_OK, or TR_ERROR if not started or already paused.
  trStatus pause();
  /// Continues a paused chronometer from its frozen time; does nothing when
  /// it is not both started and paused.
  void resume();

  /// Elapsed time in seconds: the frozen total while paused, a fresh reading
  /// while running, the last reading otherwise.
  double elapsedTime() const;
  /// Same as elapsedTime().
  double ChronoTime() const;

  /// 1.0 when started, 0.0 otherwise.
  double isStarted() const;
  /// Whether the chronometer is started.
  bool ChronoStatusIsStarted() const;
  /// Whether the chronometer is paused.
  bool isPaused() const;

 protected:
  /// Sets the begin time to now.
  void initializeBeginTime();

 private:
  /// A time-of-day record: seconds since the epoch and milliseconds within
  /// the second.
  struct TimeOfDay {
    std::int64_t seconds;
    std::uint16_t milliseconds;
    // Kept for the layout clients compiled against; not used.
    std::int16_t timeZone;
    std::int16_t daylightSaving;
  };

  static void readNow(TimeOfDay& instant);
  static double toSeconds(const TimeOfDay& instant);

  bool m_started;
  double m_startOffset;
  mutable double m_measuredInterval;
  bool m_paused;
  TimeOfDay m_beginTime;
  mutable TimeOfDay m_currentTime;
};

#endif

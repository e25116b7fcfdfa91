// SPDX-License-Identifier: MIT
#ifndef TRV_LOG_MESSAGE_STORE_H
#define TRV_LOG_MESSAGE_STORE_H

#include <cstddef>
#include <string>
#include <vector>

#include "CtrvLogManager.h"

/// The log's records in ascending time order, records of equal time in the
/// order they were added. A ring of slots: adding at the newest end and
/// dropping the oldest record cost O(1) and, once every slot has been used,
/// allocate nothing (dropped records lend their text buffers to new ones).
/// A record older than the newest (after the wall clock was set back) is
/// moved into place from the nearer end. Positions are O(1) to reach.
class CtrvLogMessageStore {
 public:
  using EtrvLogType = CtrvLogManager::EtrvLogType;

  struct Record {
    double time = 0.0;
    EtrvLogType type = CtrvLogManager::LOG_INFO;
    std::string text;
  };

  std::size_t size() const { return m_size; }

  /// The record at `position`, 0 being the oldest; position < size().
  const Record& at(std::size_t position) const { return m_slots[physical(position)]; }

  /// Drops the oldest record if more than `bound` are stored, then adds the
  /// new record after every record of equal or smaller time.
  void add(double time, EtrvLogType type, const std::string& text, std::size_t bound);

 private:
  Record& slot(std::size_t position) { return m_slots[physical(position)]; }
  std::size_t physical(std::size_t position) const {
    const std::size_t index = m_head + position;
    return index < m_slots.size() ? index : index - m_slots.size();
  }
  std::size_t insertionPosition(double time) const;
  std::size_t openGapAt(std::size_t position);
  void dropOldest();
  void grow(std::size_t mostRecords);

  std::vector<Record> m_slots;
  std::size_t m_head = 0;  ///< Slot of the oldest record.
  std::size_t m_size = 0;
};

#endif

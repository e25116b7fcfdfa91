// SPDX-License-Identifier: MIT
#include "log/trvLogMessageStore.h"

#include <utility>

void CtrvLogMessageStore::add(double time, EtrvLogType type, const std::string& text,
                              std::size_t bound) {
  if (m_size > bound) dropOldest();
  if (m_size == m_slots.size()) grow(bound + 1);
  // Usually the newest record: its slot is free already.
  const std::size_t position = insertionPosition(time);
  Record& record = m_slots[position == m_size ? physical(position) : openGapAt(position)];
  record.time = time;
  record.type = type;
  record.text.assign(text);
  ++m_size;
}

// First position whose time is greater than `time`: the new record goes
// after every record of equal time. Usually the newest end.
std::size_t CtrvLogMessageStore::insertionPosition(double time) const {
  if (m_size == 0 || !(time < at(m_size - 1).time)) return m_size;
  std::size_t low = 0;
  std::size_t high = m_size - 1;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (time < at(middle).time) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

// Moves a free slot to `position` by shifting the records on the shorter
// side by one, and returns the free slot's index. Needs a free slot.
std::size_t CtrvLogMessageStore::openGapAt(std::size_t position) {
  if (position < m_size - position) {
    // The free slot before the oldest record becomes position 0, then
    // travels up to `position`.
    m_head = m_head == 0 ? m_slots.size() - 1 : m_head - 1;
    for (std::size_t i = 0; i < position; ++i) std::swap(slot(i), slot(i + 1));
  } else {
    // The free slot after the newest record travels down to `position`.
    for (std::size_t i = m_size; i > position; --i) std::swap(slot(i), slot(i - 1));
  }
  return physical(position);
}

void CtrvLogMessageStore::dropOldest() {
  m_head = physical(1);
  --m_size;
}

// Doubles the slots, up to the most the store can ever hold, so that at the
// bound the slot of the dropped record is the one the new record takes.
void CtrvLogMessageStore::grow(std::size_t mostRecords) {
  const std::size_t doubled = m_slots.empty() ? 64 : m_slots.size() * 2;
  std::vector<Record> larger(doubled < mostRecords ? doubled : mostRecords);
  for (std::size_t i = 0; i < m_size; ++i) larger[i] = std::move(slot(i));
  m_slots.swap(larger);
  m_head = 0;
}

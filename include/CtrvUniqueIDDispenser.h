// SPDX-License-Identifier: MIT
#ifndef CTRV_UNIQUE_ID_DISPENSER_H
#define CTRV_UNIQUE_ID_DISPENSER_H

/// @file CtrvUniqueIDDispenser.h
/// Dispenser of identifiers unique within one dispenser.

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "trStatus.h"
#include "trvExport.h"

/// Hands out the identifiers 1, 2, 3 and so on, unique within one dispenser
/// (the 32-bit counter wraps: 4294967295 is followed by 0, then 1). A
/// dispenser lives behind a boost::shared_ptr made by create() and keeps a
/// weak reference to itself. sharedDispenser() gives the process-wide one.
/// Not synchronised: use a dispenser from one thread at a time.
class TRV_API CtrvUniqueIDDispenser {
 public:
  /// A new dispenser whose first identifier is 1.
  static boost::shared_ptr<CtrvUniqueIDDispenser> create();

  /// The process-wide dispenser, made on the first call; every call returns
  /// the same one, so its identifiers form one sequence.
  static boost::shared_ptr<CtrvUniqueIDDispenser> sharedDispenser();

  /// The next identifier: one more than the last one handed out.
  unsigned int dispense();

  /// Releases the self reference.
  virtual ~CtrvUniqueIDDispenser();

 protected:
  /// An empty self reference and no identifier handed out yet.
  CtrvUniqueIDDispenser();

  /// Stores `self`, the pointer that owns this dispenser, as its self
  /// reference.
  /// @return TR_OK always.
  trStatus init(const boost::weak_ptr<CtrvUniqueIDDispenser>& self);

  /// The pointer that owns this dispenser, as set by init().
  boost::weak_ptr<CtrvUniqueIDDispenser> m_self;

 private:
  unsigned int m_lastID;

  static boost::shared_ptr<CtrvUniqueIDDispenser> s_defaultDispenser;
};

#endif

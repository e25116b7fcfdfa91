// SPDX-License-Identifier: MIT
#include "CtrvUniqueIDDispenser.h"

boost::shared_ptr<CtrvUniqueIDDispenser> CtrvUniqueIDDispenser::s_defaultDispenser;

CtrvUniqueIDDispenser::CtrvUniqueIDDispenser() : m_lastID(0u) {}

CtrvUniqueIDDispenser::~CtrvUniqueIDDispenser() = default;

boost::shared_ptr<CtrvUniqueIDDispenser> CtrvUniqueIDDispenser::create() {
  const boost::shared_ptr<CtrvUniqueIDDispenser> dispenser(new CtrvUniqueIDDispenser());
  dispenser->init(dispenser);
  return dispenser;
}

boost::shared_ptr<CtrvUniqueIDDispenser> CtrvUniqueIDDispenser::sharedDispenser() {
  if (!s_defaultDispenser) s_defaultDispenser = create();
  return s_defaultDispenser;
}

unsigned int CtrvUniqueIDDispenser::dispense() { return ++m_lastID; }

trStatus CtrvUniqueIDDispenser::init(const boost::weak_ptr<CtrvUniqueIDDispenser>& self) {
  m_self = self;
  return TR_OK;
}

// SPDX-License-Identifier: MIT
#include <CtrvForwardingProgressDelegate.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include "progress/trvProgressTestSupport.h"

using Notifying = CtrvNotifyingProgressDelegate;

// An observer that throws under a forwarding and a throttling delegate: the
// step it interrupted still counts once, and the interrupted report does not
// count against the throttle, so the next one gets through; the throttle then
// works as before.
TEST(ProgressObserverFault, AThrowingObserverLosesNoStepAndNoReport) {
  const boost::shared_ptr<Notifying> leaf = Notifying::create();
  const auto timed = CtrvTimedProgressDelegate::create(leaf, 1e6);
  const auto top = CtrvForwardingProgressDelegate::create(timed);
  top->min(0.5f);
  trvTest::Observer observer(*leaf);
  top->stepCount(10);
  top->start();

  observer.throwOn = Notifying::DID_CHANGE_STEP;
  EXPECT_THROW(top->nextStep(), std::runtime_error);
  EXPECT_EQ(top->step(), 1u);
  EXPECT_TRUE(top->nextStep());
  EXPECT_EQ(top->step(), 2u);

  observer.throwOn = Notifying::DID_REPORT;
  EXPECT_THROW(top->report(0.5f, "interrupted"), std::runtime_error);
  EXPECT_EQ(leaf->lastMessage(), "interrupted");
  EXPECT_DOUBLE_EQ(leaf->lastProgress(), 0.75);
  top->report(1.0f, "retried");
  top->report(0.1f, "throttled");
  EXPECT_EQ(leaf->lastMessage(), "retried");
  leaf->cancelled(true);
  EXPECT_TRUE(top->cancelled()) << "the cancellation reaches the top of the chain";
  top->finish();
  EXPECT_EQ(observer.journal,
            "DID_START:0+ DID_CHANGE_STEP:1+ DID_CHANGE_STEP:2+ DID_REPORT:2+ DID_REPORT:2+ "
            "DID_FINISH:2 ");
}

// A chain that would lead back to itself, through the setter or an
// assignment, is refused: every call would otherwise recurse without end.
TEST(ProgressChainFault, ALoopInTheChainIsRefused) {
  const auto notifying = Notifying::create();
  const auto inner = CtrvTimedProgressDelegate::create(notifying, 0.0);
  const auto outer = CtrvTimedProgressDelegate::create(inner, 0.0);
  outer->embeddedProgressDelegate(outer);
  inner->embeddedProgressDelegate(outer);
  *inner = *outer;
  EXPECT_EQ(outer->embeddedProgressDelegate(), inner);
  EXPECT_EQ(inner->embeddedProgressDelegate(), notifying);

  outer->stepCount(2);
  outer->start();
  EXPECT_TRUE(outer->nextStep());
  EXPECT_EQ(notifying->step(), 1u);
}

// SPDX-License-Identifier: MIT
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using Notifying = CtrvNotifyingProgressDelegate;

// A client's own identifier and a copy of a library identifier, both taken
// while the program starts, as clients do for their constants. Linked with
// the static library, these initialisers may be placed before the library's.
const unsigned int kClientIdentifier = CtrvNotification::makeID("Client", "MADE_AT_START");
const unsigned int kDidStartAtStart = Notifying::DID_START;
const std::string kStepKeyAtStart = Notifying::STEP_KEY;

// Clients compiled against release 1.0 may hold these numbers: ANY_TYPE is
// 1 and the progress events follow from 2 in this order, whatever
// identifiers the program makes itself, even while it starts.
TEST(ProgressIdentifiers, AnyTypeIsOneAndTheProgressEventsTwoToSixEvenForStaticInitialisers) {
  EXPECT_EQ(CtrvNotificator::ANY_TYPE, 1u);
  EXPECT_EQ(Notifying::DID_START, 2u);
  EXPECT_EQ(Notifying::DID_FINISH, 3u);
  EXPECT_EQ(Notifying::DID_CHANGE_STEP, 4u);
  EXPECT_EQ(Notifying::DID_REFRESH, 5u);
  EXPECT_EQ(Notifying::DID_REPORT, 6u);
  EXPECT_EQ(CtrvNotification::nameFromType(Notifying::DID_START),
            "CtrvNotifyingProgressDelegate::DID_START");
  EXPECT_EQ(CtrvNotification::nameFromType(Notifying::DID_REPORT),
            "CtrvNotifyingProgressDelegate::DID_REPORT");

  EXPECT_EQ(kDidStartAtStart, 2u) << "set before the program's own initialisers run";
  EXPECT_EQ(kStepKeyAtStart, "step");
  EXPECT_GT(kClientIdentifier, 6u);
  EXPECT_EQ(CtrvNotification::nameFromType(kClientIdentifier), "Client::MADE_AT_START");
}

}  // namespace

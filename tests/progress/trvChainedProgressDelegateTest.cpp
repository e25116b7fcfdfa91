#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::makeRecorder;
using trvTest::PlainChained;
using trvTest::RecordingDelegate;

TEST(CtrvChainedProgressDelegate, PassesEveryOperationOnUnchanged) {
  const boost::shared_ptr<RecordingDelegate> inner = makeRecorder();
  PlainChained chain(inner);

  chain.stepCount(5);
  chain.cancellable(true);
  EXPECT_EQ(inner->stepCount(), 5u);
  EXPECT_TRUE(inner->cancellable());
  EXPECT_EQ(chain.stepCount(), 5u);
  EXPECT_TRUE(chain.cancellable());

  chain.start();
  EXPECT_TRUE(inner->hasStarted());
  EXPECT_TRUE(chain.hasStarted());
  EXPECT_TRUE(chain.nextStep());
  EXPECT_EQ(inner->step(), 1u);
  EXPECT_EQ(chain.step(), 1u);

  chain.report(0.3f, "half way\tthere");
  chain.refresh();
  ASSERT_EQ(inner->reports.size(), 1u);
  EXPECT_EQ(inner->reports[0].first, 0.3f);
  EXPECT_EQ(inner->reports[0].second, "half way\tthere");
  EXPECT_EQ(inner->refreshes, 1);

  inner->welcomesReports = false;
  inner->isCancelled = true;
  EXPECT_FALSE(chain.shouldReport());
  EXPECT_TRUE(chain.cancelled());

  chain.finish();
  EXPECT_FALSE(inner->hasStarted());
  EXPECT_FALSE(chain.hasStarted());
  // The chain's own step state played no part.
  EXPECT_EQ(chain.CtrvProgressDelegate::stepCount(), 1u);
  EXPECT_EQ(chain.CtrvProgressDelegate::step(), 0u);
}

TEST(CtrvChainedProgressDelegate, ReplacingTheEmbeddedDelegateRedirectsLaterCalls) {
  boost::shared_ptr<RecordingDelegate> first = makeRecorder();
  const boost::weak_ptr<RecordingDelegate> firstWatch = first;
  const boost::shared_ptr<RecordingDelegate> second = makeRecorder();
  PlainChained chain(first);
  PlainChained sibling(first);

  chain.stepCount(3);
  chain.start();
  sibling.nextStep();
  EXPECT_EQ(chain.step(), 1u);  // both chains share the step state of `first`

  PlainChained copy(chain);
  chain.embeddedProgressDelegate(second);
  EXPECT_EQ(chain.embeddedProgressDelegate(), second);
  chain.nextStep();
  EXPECT_EQ(second->step(), 1u);
  EXPECT_EQ(first->step(), 1u);
  EXPECT_TRUE(first->hasStarted());
  EXPECT_EQ(copy.embeddedProgressDelegate(), first);

  sibling.embeddedProgressDelegate(second);
  copy = sibling;
  first.reset();
  EXPECT_TRUE(firstWatch.expired());
}

// Redirects every operation to a delegate of its own through the getter.
class RedirectingChain : public CtrvChainedProgressDelegate {
 public:
  RedirectingChain(const boost::shared_ptr<CtrvProgressDelegate>& stored,
                   const boost::shared_ptr<CtrvProgressDelegate>& target)
      : CtrvChainedProgressDelegate(stored), m_target(target) {}
  using CtrvChainedProgressDelegate::embeddedProgressDelegate;
  boost::shared_ptr<CtrvProgressDelegate> embeddedProgressDelegate() const override {
    return m_target;
  }

 private:
  boost::shared_ptr<CtrvProgressDelegate> m_target;
};

TEST(CtrvChainedProgressDelegate, ReachesTheEmbeddedDelegateThroughTheVirtualGetter) {
  const boost::shared_ptr<RecordingDelegate> stored = makeRecorder();
  const boost::shared_ptr<RecordingDelegate> target = makeRecorder();
  RedirectingChain chain(stored, target);

  chain.stepCount(2);
  chain.start();
  chain.nextStep();
  chain.report(0.5f, "m");
  chain.refresh();
  chain.cancellable(true);
  chain.shouldReport();
  chain.cancelled();
  chain.finish();

  EXPECT_EQ(target->stepCount(), 2u);
  EXPECT_EQ(target->step(), 1u);
  EXPECT_EQ(target->reports.size(), 1u);
  EXPECT_EQ(target->refreshes, 1);
  EXPECT_EQ(target->starts, 1);
  EXPECT_EQ(target->finishes, 1);
  EXPECT_TRUE(target->cancellable());
  EXPECT_EQ(target->shouldReportCalls, 1);
  EXPECT_EQ(target->cancelledCalls, 1);

  EXPECT_EQ(stored->stepCount(), 1u);
  EXPECT_EQ(stored->starts + stored->finishes + stored->refreshes, 0);
  EXPECT_TRUE(stored->reports.empty());
}

// While reporting, replaces the chain's embedded delegate (itself, held by
// nobody else) and then keeps using its own members.
class SelfReplacingDelegate : public RecordingDelegate {
 public:
  CtrvChainedProgressDelegate* chain = nullptr;
  void report(float progress, const std::string& message) override {
    chain->embeddedProgressDelegate(boost::shared_ptr<CtrvProgressDelegate>());
    RecordingDelegate::report(progress, message);
  }
};

TEST(CtrvChainedProgressDelegate, KeepsTheEmbeddedDelegateAliveDuringTheCall) {
  boost::shared_ptr<SelfReplacingDelegate> inner = boost::make_shared<SelfReplacingDelegate>();
  const boost::weak_ptr<SelfReplacingDelegate> watch = inner;
  PlainChained chain(inner);
  inner->chain = &chain;
  inner.reset();

  chain.report(0.5f, "last words");
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(chain.embeddedProgressDelegate());
}

TEST(CtrvChainedProgressDelegate, WithoutEmbeddedDelegateAnswersAsThePlainDelegate) {
  PlainChained chain{boost::shared_ptr<CtrvProgressDelegate>()};
  EXPECT_EQ(chain.stepCount(), 1u);
  EXPECT_EQ(chain.step(), 0u);
  EXPECT_FALSE(chain.hasStarted());
  EXPECT_FALSE(chain.cancellable());
  EXPECT_TRUE(chain.shouldReport());
  EXPECT_FALSE(chain.cancelled());

  chain.stepCount(2);
  chain.cancellable(true);
  chain.start();
  EXPECT_TRUE(chain.nextStep());
  EXPECT_TRUE(chain.nextStep());
  EXPECT_TRUE(chain.nextStep());
  chain.report(0.5f, "nobody listens");
  chain.refresh();
  EXPECT_EQ(chain.stepCount(), 2u);
  EXPECT_EQ(chain.step(), 2u);
  EXPECT_TRUE(chain.hasStarted());
  EXPECT_TRUE(chain.cancellable());
  chain.finish();
  EXPECT_FALSE(chain.hasStarted());

  // Emptied through the setter, the chain falls back on its own state.
  const boost::shared_ptr<RecordingDelegate> inner = makeRecorder();
  chain.embeddedProgressDelegate(inner);
  EXPECT_EQ(chain.stepCount(), 1u);
  chain.embeddedProgressDelegate(boost::shared_ptr<CtrvProgressDelegate>());
  EXPECT_EQ(chain.stepCount(), 2u);
}

}  // namespace

#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::makeRecorder;
using trvTest::PlainChained;
using trvTest::RecordingDelegate;

TEST(CtrvChainedProgressDelegate, PassesEverythingOnToTheCurrentEmbeddedDelegate) {
  boost::shared_ptr<RecordingDelegate> first = makeRecorder();
  const boost::weak_ptr<RecordingDelegate> firstWatch = first;
  PlainChained chain(first), sibling(first);

  chain.stepCount(5);
  chain.cancellable(true);
  chain.start();
  EXPECT_TRUE(sibling.nextStep());  // both chains act on the state of `first`
  EXPECT_EQ(chain.step(), 1u);
  EXPECT_TRUE(first->hasStarted() && chain.hasStarted() && chain.cancellable());
  EXPECT_EQ(chain.stepCount(), 5u);
  chain.report(0.3f, "half\tway");
  chain.refresh();
  first->welcomesReports = false;
  first->isCancelled = true;
  EXPECT_FALSE(chain.shouldReport());
  EXPECT_TRUE(chain.cancelled());
  chain.finish();
  EXPECT_FALSE(first->hasStarted());
  EXPECT_EQ(first->reports, (std::vector<std::pair<float, std::string>>{{0.3f, "half\tway"}}));
  EXPECT_EQ(first->refreshes, 1);

  const boost::shared_ptr<RecordingDelegate> second = makeRecorder();
  chain.embeddedProgressDelegate(second);
  sibling = chain;
  chain.start();
  EXPECT_EQ(second->starts, 1);
  EXPECT_EQ(first->starts, 1);
  EXPECT_EQ(first->step(), 1u);  // the replaced delegate keeps its state
  first.reset();
  EXPECT_TRUE(firstWatch.expired());
}

// Redirects every operation through an overridden getter.
class RedirectingChain : public CtrvChainedProgressDelegate {
 public:
  explicit RedirectingChain(const boost::shared_ptr<CtrvProgressDelegate>& target)
      : CtrvChainedProgressDelegate(makeRecorder()), m_target(target) {}
  using CtrvChainedProgressDelegate::embeddedProgressDelegate;
  boost::shared_ptr<CtrvProgressDelegate> embeddedProgressDelegate() const override {
    return m_target;
  }

 private:
  boost::shared_ptr<CtrvProgressDelegate> m_target;
};

TEST(CtrvChainedProgressDelegate, ReachesTheEmbeddedDelegateThroughTheVirtualGetter) {
  const boost::shared_ptr<RecordingDelegate> target = makeRecorder();
  RedirectingChain chain(target);
  chain.stepCount(2);
  chain.start();
  chain.nextStep();
  chain.report(0.5f, "m");
  chain.refresh();
  chain.cancellable(true);
  chain.shouldReport();
  target->isCancelled = true;
  EXPECT_TRUE(chain.cancelled());
  chain.finish();
  EXPECT_EQ(target->step(), 1u);
  EXPECT_EQ(target->reports.size(), 1u);
  EXPECT_EQ(target->refreshes + target->starts + target->finishes + target->shouldReportCalls, 4);
  EXPECT_TRUE(target->cancellable());
}

// While reporting, drops itself from the chain (nobody else holds it) and
// then goes on using its own members.
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
}

TEST(CtrvChainedProgressDelegate, WithoutEmbeddedDelegateAnswersAsThePlainDelegate) {
  PlainChained chain{boost::shared_ptr<CtrvProgressDelegate>()};
  EXPECT_EQ(chain.stepCount(), 1u);
  EXPECT_TRUE(chain.shouldReport());
  EXPECT_FALSE(chain.cancelled());
  chain.stepCount(2);
  chain.cancellable(true);
  chain.start();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(chain.nextStep());
  chain.report(0.5f, "nobody listens");
  chain.refresh();
  EXPECT_EQ(chain.step(), 2u);
  EXPECT_TRUE(chain.hasStarted() && chain.cancellable());
  chain.finish();
  EXPECT_FALSE(chain.hasStarted());
}

}  // namespace

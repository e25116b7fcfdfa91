// SPDX-License-Identifier: MIT
// Notifications: dispatching to subscribers against a signal emitting to
// slots, and the cost of subscriptions filtered on other senders.
#include <CtrvNotification.h>
#include <CtrvNotificator.h>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <functional>
#include <vector>

#include "trvBench.h"

#ifdef TRV_BENCH_HAVE_SIGNALS2
#include <boost/signals2/signal.hpp>
#endif

namespace {

using Notification = boost::shared_ptr<const CtrvNotification>;

unsigned int tickType() {
  static const unsigned int type = CtrvNotification::makeID("CtrvBenchSender", "Tick");
  return type;
}

// Every subscriber, and every slot of the peer, does this same work.
struct Receiver {
  std::uint64_t received = 0;
  void onTick(const Notification& /*notification*/) { ++received; }
};

// The received count is consumed so the deliveries cannot be optimised away.
void consume(const std::vector<Receiver>& receivers) {
  std::uint64_t total = 0;
  for (const Receiver& receiver : receivers) total += receiver.received;
  benchmark::DoNotOptimize(total);
}

boost::shared_ptr<CtrvNotificator> notificatorFor(std::vector<Receiver>& receivers) {
  boost::shared_ptr<CtrvNotificator> notificator = CtrvNotificator::create();
  for (Receiver& receiver : receivers)
    notificator->subscribe(tickType(), &receiver, &Receiver::onTick);
  return notificator;
}

void trvNotifyReady(benchmark::State& state, std::size_t subscribers) {
  std::vector<Receiver> receivers(subscribers);
  const boost::shared_ptr<CtrvNotificator> notificator = notificatorFor(receivers);
  const Notification notification = CtrvNotification::create(tickType());
  for (auto _ : state) notificator->notify(notification);
  consume(receivers);
}

void trvNotifyReady1(benchmark::State& state) { trvNotifyReady(state, 1); }
void trvNotifyReady10(benchmark::State& state) { trvNotifyReady(state, 10); }

void trvNotifyCreating(benchmark::State& state) {
  std::vector<Receiver> receivers(1);
  const boost::shared_ptr<CtrvNotificator> notificator = notificatorFor(receivers);
  for (auto _ : state) notificator->notify(tickType());
  consume(receivers);
}

// One subscriber filtering on the notification's sender, among `others`
// subscriptions of the same type filtering on other living senders.
void trvNotifyAmongOtherSenders(benchmark::State& state, std::size_t others) {
  const boost::shared_ptr<int> sender = boost::make_shared<int>(0);
  std::vector<boost::shared_ptr<int>> otherSenders;
  std::vector<Receiver> receivers(others + 1);
  boost::shared_ptr<CtrvNotificator> notificator = CtrvNotificator::create();
  for (std::size_t i = 0; i < others; ++i) {
    otherSenders.push_back(boost::make_shared<int>(static_cast<int>(i)));
    notificator->subscribe(tickType(), &receivers[i], &Receiver::onTick,
                           boost::weak_ptr<void>(otherSenders.back()));
  }
  notificator->subscribe(tickType(), &receivers[others], &Receiver::onTick,
                         boost::weak_ptr<void>(sender));
  const Notification notification = CtrvNotification::create(tickType(), sender);
  for (auto _ : state) notificator->notify(notification);
  if (receivers[others].received != static_cast<std::uint64_t>(state.iterations()))
    state.SkipWithError("missed deliveries");
  consume(receivers);
}

void trvNotifyAmong10000(benchmark::State& state) { trvNotifyAmongOtherSenders(state, 10000); }
void trvNotifyAlone(benchmark::State& state) { trvNotifyAmongOtherSenders(state, 0); }
void trvNotifyAmongN(benchmark::State& state) {
  trvNotifyAmongOtherSenders(state, static_cast<std::size_t>(state.range(0)));
}

// The floor of a dispatch to one subscriber: one call through a
// std::function doing the subscriber's work. The function goes through
// DoNotOptimize every iteration, so each call is a real indirect call and
// not the counter increment the compiler could inline.
void stdFunctionFloor(benchmark::State& state) {
  std::vector<Receiver> receivers(1);
  Receiver& receiver = receivers.front();
  std::function<void(const Notification&)> call = [&receiver](const Notification& notification) {
    receiver.onTick(notification);
  };
  const Notification notification = CtrvNotification::create(tickType());
  for (auto _ : state) {
    benchmark::DoNotOptimize(call);
    call(notification);
  }
  consume(receivers);
}

#ifdef TRV_BENCH_HAVE_SIGNALS2
// The signal carries the same payload as a notification, and each slot does
// the subscriber's work. The signal is the library's default one (with its
// mutex), as a user reaches for it.
void signalEmit(benchmark::State& state, std::size_t slots) {
  std::vector<Receiver> receivers(slots);
  boost::signals2::signal<void(const Notification&)> signal;
  for (Receiver& receiver : receivers) {
    signal.connect(
        [&receiver](const Notification& notification) { receiver.onTick(notification); });
  }
  const Notification notification = CtrvNotification::create(tickType());
  for (auto _ : state) signal(notification);
  consume(receivers);
}

void signalEmit1(benchmark::State& state) { signalEmit(state, 1); }
void signalEmit10(benchmark::State& state) { signalEmit(state, 10); }
constexpr trvBench::Function kSignal1 = signalEmit1;
constexpr trvBench::Function kSignal10 = signalEmit10;
#else
constexpr trvBench::Function kSignal1 = nullptr;
constexpr trvBench::Function kSignal10 = nullptr;
#endif

const bool registered = [] {
  trvBench::registerPair("notify_ready_1", "notify of a ready notification, 1 subscriber", 0.5,
                         "Signals2 emission, 1 slot", trvNotifyReady1, kSignal1);
  trvBench::registerPair("notify_ready_floor", "notify of a ready notification, 1 subscriber", 3.0,
                         "a loop calling one std::function (floor)", trvNotifyReady1,
                         stdFunctionFloor);
  trvBench::registerPair("notify_ready_10", "notify of a ready notification, 10 subscribers", 0.5,
                         "Signals2 emission, 10 slots", trvNotifyReady10, kSignal10);
  trvBench::registerPair("notify_type_1", "notify(type) (creates it), 1 subscriber", 0.6,
                         "Signals2 emission, 1 slot", trvNotifyCreating, kSignal1);
  trvBench::registerPair(
      "notify_among_10000", "notify, 1 match among 10,000 filtered on other senders", 2.0,
      "trv, the 1 matching subscriber alone", trvNotifyAmong10000, trvNotifyAlone);
  trvBench::registerScale("notify_vs_other_sender_subscriptions", trvNotifyAmongN)
      ->Arg(10)
      ->Arg(1000)
      ->Arg(10000);
  return true;
}();

}  // namespace

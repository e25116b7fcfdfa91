// SPDX-License-Identifier: MIT
// Fuzzes the progress delegates with a byte program over a small pool of
// delegates chained in random ways (a delegate only ever embeds one further
// down the pool, so chains never loop). Every operation is called with
// arbitrary values; the notifying delegates have observers that call back
// into the chains and, now and then, throw. After each step every delegate
// must report the step, step count, start and cancellable flag of the end of
// its chain, as the chained delegates pass those through.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "CtrvChainedProgressDelegate.h"
#include "CtrvForwardingProgressDelegate.h"
#include "CtrvLogManager.h"
#include "CtrvMemoryProgressDelegate.h"
#include "CtrvNotificator.h"
#include "CtrvNotifyingProgressDelegate.h"
#include "CtrvTimedProgressDelegate.h"
#include "trvFuzzCheck.h"

namespace {

constexpr int kPoolSize = 6;
constexpr int kDeepestReaction = 2;

struct ObserverFailure {};

using Delegate = boost::shared_ptr<CtrvProgressDelegate>;

// Counts a nested step for as long as it runs, exception or not.
struct Nesting {
  explicit Nesting(int& depth) : depth(depth) { ++depth; }
  ~Nesting() { --depth; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
  int& depth;
};

class Program {
 public:
  explicit Program(FuzzedDataProvider& input) : m_input(input) {}

  void run() {
    for (int i = kPoolSize; i-- > 0;) m_pool[i] = makeDelegate(i);
    while (m_input.remaining_bytes() > 0) {
      try {
        step();
      } catch (const ObserverFailure&) {
        // An observer gave up: the chains must carry on as before.
      }
      checkPassThrough();
    }
  }

  void observe(const boost::shared_ptr<const CtrvNotification>&) {
    if (m_depth >= kDeepestReaction || m_input.remaining_bytes() == 0) return;
    const int reaction = m_input.ConsumeIntegralInRange(0, 3);
    if (reaction == 1) throw ObserverFailure();
    if (reaction == 2) {
      const Nesting nesting(m_depth);
      step();
    }
  }

 private:
  float anyFloat() {
    switch (m_input.ConsumeIntegralInRange(0, 3)) {
      case 0:
        return m_input.ConsumeFloatingPoint<float>();
      case 1:
        return m_input.ConsumeProbability<float>();
      default: {
        float value = 0.0f;
        const std::uint32_t bits = m_input.ConsumeIntegral<std::uint32_t>();
        static_assert(sizeof bits == sizeof value, "float is 32 bits");
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
    }
  }

  Delegate further(int index) {
    const int chosen = m_input.ConsumeIntegralInRange(index, kPoolSize);
    return chosen == index || chosen >= kPoolSize ? Delegate() : m_pool[chosen];
  }

  Delegate makeDelegate(int index) {
    switch (m_input.ConsumeIntegralInRange(0, 3)) {
      case 0: {
        const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
            CtrvForwardingProgressDelegate::create(further(index));
        if (!forwarding) return makeNotifying();  // nothing to forward to
        forwarding->min(anyFloat());
        forwarding->max(anyFloat());
        forwarding->preventStart(m_input.ConsumeBool());
        forwarding->preventFinish(m_input.ConsumeBool());
        return forwarding;
      }
      case 1:
        return CtrvTimedProgressDelegate::create(further(index),
                                                 m_input.ConsumeFloatingPoint<double>());
      case 2: {
        const auto indicator =
            static_cast<CtrvMemory::Indicator>(m_input.ConsumeIntegralInRange(-2, 18));
        const unsigned long limit = m_input.ConsumeIntegral<unsigned long>();
        const Delegate memory =
            m_input.ConsumeBool()
                ? CtrvMemoryProgressDelegate::createWithMin(indicator, limit, further(index))
                : CtrvMemoryProgressDelegate::createWithMax(indicator, limit, further(index));
        return memory ? memory : makeNotifying();
      }
      default:
        return makeNotifying();
    }
  }

  Delegate makeNotifying() {
    const boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying =
        CtrvNotifyingProgressDelegate::create();
    notifying->notificator()->subscribe(CtrvNotificator::ANY_TYPE, this, &Program::observe);
    return notifying;
  }

  void step() {
    const int index = m_input.ConsumeIntegralInRange(0, kPoolSize - 1);
    const Delegate delegate = m_pool[index];
    switch (m_input.ConsumeIntegralInRange(0, 12)) {
      case 0:
        delegate->nextStep();
        break;
      case 1:
        delegate->report(anyFloat(), m_input.ConsumeRandomLengthString(32));
        break;
      case 2:
        delegate->refresh();
        break;
      case 3:
        delegate->start();
        break;
      case 4:
        delegate->finish();
        break;
      case 5:
        delegate->shouldReport();
        break;
      case 6:
        delegate->cancelled();
        break;
      case 7:
        delegate->cancellable(m_input.ConsumeBool());
        break;
      case 8:
        delegate->stepCount(m_input.ConsumeIntegral<unsigned int>());
        break;
      case 9:
        rechain(index);
        break;
      case 10:
        m_pool[index] = makeDelegate(index);
        break;
      case 11:
        setNotifyingFlags(delegate);
        break;
      default:
        copyInto(index);
        break;
    }
  }

  void rechain(int index) {
    const auto chained = boost::dynamic_pointer_cast<CtrvChainedProgressDelegate>(m_pool[index]);
    if (chained) chained->embeddedProgressDelegate(further(index));
  }

  void setNotifyingFlags(const Delegate& delegate) {
    const auto notifying = boost::dynamic_pointer_cast<CtrvNotifyingProgressDelegate>(delegate);
    if (!notifying) return;
    notifying->shouldReport(m_input.ConsumeBool());
    notifying->cancelled(m_input.ConsumeBool());
  }

  // Assignment between delegates of one class, as a client copying settings.
  void copyInto(int index) {
    const int source = m_input.ConsumeIntegralInRange(index, kPoolSize - 1);
    auto target = boost::dynamic_pointer_cast<CtrvForwardingProgressDelegate>(m_pool[index]);
    auto original = boost::dynamic_pointer_cast<CtrvForwardingProgressDelegate>(m_pool[source]);
    if (target && original && source != index) *target = *original;
  }

  static Delegate chainEnd(Delegate delegate) {
    for (int links = 0;; ++links) {
      TRV_FUZZ_CHECK(links <= kPoolSize);
      const auto chained = boost::dynamic_pointer_cast<CtrvChainedProgressDelegate>(delegate);
      if (!chained || !chained->embeddedProgressDelegate()) return delegate;
      delegate = chained->embeddedProgressDelegate();
    }
  }

  void checkPassThrough() const {
    for (const Delegate& delegate : m_pool) {
      const Delegate end = chainEnd(delegate);
      TRV_FUZZ_CHECK(delegate->step() == end->step());
      TRV_FUZZ_CHECK(delegate->stepCount() == end->stepCount());
      TRV_FUZZ_CHECK(delegate->hasStarted() == end->hasStarted());
      TRV_FUZZ_CHECK(delegate->cancellable() == end->cancellable());
    }
  }

  FuzzedDataProvider& m_input;
  Delegate m_pool[kPoolSize];
  int m_depth = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return trvRunFuzzProgram<Program>(data, size);
}

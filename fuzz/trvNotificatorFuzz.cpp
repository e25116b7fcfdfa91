// Fuzzes CtrvNotificator with a byte program over a few notificators, copies
// of them, senders and receivers. Receivers react to deliveries by running
// more of the program: nested notifications, unsubscribing, subscribing,
// dropping notificators, assigning them, switching traces. A model of who is
// subscribed where checks the answers of unsubscribe, that no delegate chain
// ever closes a cycle, and that nobody receives anything while subscribed
// nowhere.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "CtrvLogManager.h"
#include "CtrvNotification.h"
#include "CtrvNotificator.h"
#include "trvFuzzCheck.h"

namespace {

constexpr int kPoolSize = 4;
constexpr int kCopyCount = 2;
constexpr int kReceiverCount = 4;
constexpr int kSenderCount = 2;
constexpr int kDeepestReaction = 3;

struct Subscription {
  int receiver;
  unsigned int type;
  int sender;  // identity of the filtering sender, -1 for any sender
};
using Model = std::vector<Subscription>;

struct Sender {
  boost::shared_ptr<int> object;
  int identity = -1;
};

class Program;

struct Receiver {
  void receive(const boost::shared_ptr<const CtrvNotification>& notification);
  Program* program = nullptr;
  int index = 0;
};

class Program {
 public:
  explicit Program(FuzzedDataProvider& input) : m_input(input) {
    for (int i = 0; i < kReceiverCount; ++i) m_receivers[i] = Receiver{this, i};
  }

  ~Program() {
    // Receivers live on this object: nobody may call them once it is gone.
    for (int handle = 0; handle < kPoolSize + kCopyCount; ++handle) {
      for (Receiver& receiver : m_receivers) {
        if (CtrvNotificator* notificator = find(handle)) notificator->unsubscribe(&receiver);
      }
    }
  }

  void run() {
    for (int k = 0; k < kPoolSize; ++k) m_pool[k] = CtrvNotificator::create();
    while (m_input.remaining_bytes() > 0) step();
  }

  void step() {
    switch (m_input.ConsumeIntegralInRange(0, 10)) {
      case 0:
        subscribe();
        break;
      case 1:
        unsubscribe();
        break;
      case 2:
        notify();
        break;
      case 3:
        changeDelegate();
        break;
      case 4:
        copy();
        break;
      case 5:
        assign();
        break;
      case 6:
        trace();
        break;
      case 7:
        dropNotificator();
        break;
      case 8:
        renewSender();
        break;
      case 9:
        renewNotificator();
        break;
      default:
        setReaction();
        break;
    }
    checkChainsEnd();
  }

  void reactTo(int receiver) {
    if (m_depth >= kDeepestReaction || m_reactions[receiver] == 0) return;
    ++m_depth;
    for (int i = 0; i < m_reactions[receiver] && m_input.remaining_bytes() > 0; ++i) step();
    --m_depth;
  }

  void checkSubscribed(int receiver) const { TRV_FUZZ_CHECK(subscribedAnywhere(receiver)); }

 private:
  CtrvNotificator* find(int handle) {
    if (handle < kPoolSize) return m_pool[handle].get();
    const std::size_t copy = static_cast<std::size_t>(handle - kPoolSize);
    return copy < m_copies.size() ? &m_copies[copy] : nullptr;
  }

  int pickHandle() { return m_input.ConsumeIntegralInRange(0, kPoolSize + kCopyCount - 1); }
  int pickPool() { return m_input.ConsumeIntegralInRange(0, kPoolSize - 1); }
  unsigned int pickType() { return m_input.ConsumeIntegralInRange(0u, 4u); }
  int pickSender() { return m_input.ConsumeIntegralInRange(-1, kSenderCount - 1); }

  boost::weak_ptr<void> senderObject(int sender) const {
    if (sender < 0) return boost::weak_ptr<void>();
    return m_senders[sender].object;
  }
  int senderIdentity(int sender) const { return sender < 0 ? -1 : m_senders[sender].identity; }

  void subscribe() {
    const int handle = pickHandle();
    const int receiver = m_input.ConsumeIntegralInRange(0, kReceiverCount - 1);
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr || (sender >= 0 && !m_senders[sender].object)) return;
    notificator->subscribe(type, &m_receivers[receiver], &Receiver::receive, senderObject(sender));
    m_models[handle].push_back(Subscription{receiver, type, senderIdentity(sender)});
  }

  void unsubscribe() {
    const int handle = pickHandle();
    const int receiver = m_input.ConsumeIntegralInRange(0, kReceiverCount - 1);
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr) return;
    const bool senderAlive = sender >= 0 && m_senders[sender].object;
    const int identity = senderIdentity(sender);
    const auto matches = [&](const Subscription& s) {
      return s.receiver == receiver && (type == CtrvNotificator::ANY_TYPE || s.type == type) &&
             (!senderAlive || s.sender == identity);
    };
    Model& model = m_models[handle];
    const std::size_t before = model.size();
    model.erase(std::remove_if(model.begin(), model.end(), matches), model.end());
    const trStatus expected = model.size() < before ? TR_OK : TR_ERROR;
    TRV_FUZZ_CHECK(notificator->unsubscribe(type, senderObject(sender), &m_receivers[receiver]) ==
                   expected);
  }

  void notify() {
    const int handle = pickHandle();
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr) return;
    if (sender < 0) {
      notificator->notify(type);
    } else {
      notificator->notify(CtrvNotification::create(type, m_senders[sender].object));
    }
  }

  bool reaches(const CtrvNotificator* from, const CtrvNotificator* target) const {
    for (int links = 0; from != nullptr; ++links, from = from->delegateNotificator().get()) {
      TRV_FUZZ_CHECK(links <= kPoolSize + kCopyCount + 1);
      if (from == target) return true;
    }
    return false;
  }

  void changeDelegate() {
    const int handle = pickHandle();
    const int delegate = m_input.ConsumeIntegralInRange(-1, kPoolSize - 1);
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr) return;
    const boost::shared_ptr<CtrvNotificator> chosen =
        delegate < 0 ? boost::shared_ptr<CtrvNotificator>() : m_pool[delegate];
    const boost::shared_ptr<CtrvNotificator> previous = notificator->delegateNotificator();
    const bool closesCycle = chosen && reaches(chosen.get(), notificator);
    const trStatus status = notificator->delegateNotificator(chosen);
    TRV_FUZZ_CHECK(status == (closesCycle ? TR_ERROR : TR_OK));
    TRV_FUZZ_CHECK(notificator->delegateNotificator() == (closesCycle ? previous : chosen));
  }

  void copy() {
    const int source = pickHandle();
    CtrvNotificator* original = find(source);
    if (original == nullptr || m_copies.size() >= kCopyCount) return;
    m_copies.push_back(*original);
    m_models[kPoolSize + static_cast<int>(m_copies.size()) - 1] = m_models[source];
  }

  void assign() {
    const int target = pickHandle();
    const int source = pickHandle();
    CtrvNotificator* assigned = find(target);
    CtrvNotificator* original = find(source);
    if (assigned == nullptr || original == nullptr) return;
    // Subscriptions the target loses may still reach receivers during the
    // dispatch in progress: they stay in the model as long gone ones.
    m_gone.insert(m_gone.end(), m_models[target].begin(), m_models[target].end());
    *assigned = *original;
    m_models[target] = m_models[source];
  }

  void trace() {
    CtrvNotificator* notificator = find(pickHandle());
    const bool on = m_input.ConsumeBool();
    const bool propagate = m_input.ConsumeBool();
    if (notificator != nullptr) notificator->doesLog(on, propagate);
  }

  // A dropped notificator may live on as another one's delegate: its
  // subscriptions keep counting as places where a receiver may be reached.
  void dropNotificator() {
    const int handle = pickPool();
    m_gone.insert(m_gone.end(), m_models[handle].begin(), m_models[handle].end());
    m_models[handle].clear();
    m_pool[handle].reset();
  }

  void renewNotificator() {
    const int handle = pickPool();
    const int delegate = m_input.ConsumeIntegralInRange(-1, kPoolSize - 1);
    if (m_pool[handle]) return;
    m_pool[handle] =
        delegate < 0 ? CtrvNotificator::create() : CtrvNotificator::create(m_pool[delegate]);
  }

  void renewSender() {
    Sender& sender = m_senders[m_input.ConsumeIntegralInRange(0, kSenderCount - 1)];
    if (m_input.ConsumeBool()) {
      sender.object.reset();
    } else {
      sender.object = boost::shared_ptr<int>(new int(0));
      sender.identity = m_nextIdentity++;
    }
  }

  void setReaction() {
    const int receiver = m_input.ConsumeIntegralInRange(0, kReceiverCount - 1);
    m_reactions[receiver] = m_input.ConsumeIntegralInRange(0, 3);
  }

  void checkChainsEnd() {
    for (int handle = 0; handle < kPoolSize + kCopyCount; ++handle) reaches(find(handle), nullptr);
  }

  bool subscribedAnywhere(int receiver) const {
    const auto has = [receiver](const Model& model) {
      for (const Subscription& s : model) {
        if (s.receiver == receiver) return true;
      }
      return false;
    };
    for (const Model& model : m_models) {
      if (has(model)) return true;
    }
    return has(m_gone);
  }

  FuzzedDataProvider& m_input;
  boost::shared_ptr<CtrvNotificator> m_pool[kPoolSize];
  std::deque<CtrvNotificator> m_copies;
  Model m_models[kPoolSize + kCopyCount];
  Model m_gone;
  Sender m_senders[kSenderCount];
  int m_nextIdentity = 0;
  Receiver m_receivers[kReceiverCount];
  int m_reactions[kReceiverCount] = {};
  int m_depth = 0;
};

void Receiver::receive(const boost::shared_ptr<const CtrvNotification>& notification) {
  TRV_FUZZ_CHECK(notification != nullptr);
  program->checkSubscribed(index);
  program->reactTo(index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return trvRunFuzzProgram<Program>(data, size);
}

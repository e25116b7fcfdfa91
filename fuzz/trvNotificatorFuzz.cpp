// SPDX-License-Identifier: MIT
// Fuzzes CtrvNotificator with a byte program over a few notificators, copies
// of them, senders, receivers and client-written callback objects. Client
// code runs more of the program from inside the notificator: receivers when
// delivered to, callback objects when delivered to, switched on or off and
// destroyed (nested notifications, unsubscribing, subscribing the same object
// again, dropping notificators and callbacks, assigning notificators,
// switching traces). Besides the notificators the program owns, it reaches
// those it is posting to at the moment, which may have lost their last owner
// meanwhile: notify promises to keep them alive until it returns.
//
// A model of who is subscribed where checks the answers of unsubscribe, that
// no delegate chain ever closes a cycle, and that nobody receives anything
// while subscribed nowhere. Where client code ran inside an unsubscribe, the
// model of that notificator only grows from then on (it may hold more than
// the notificator, never less) and its answers are no longer checked.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <boost/make_shared.hpp>
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
constexpr int kPostedCount = 2;  // the innermost and the outermost posted to
constexpr int kHandleCount = kPoolSize + kCopyCount + kPostedCount;
constexpr int kModelCount = kPoolSize + kCopyCount;
constexpr int kReceiverCount = 4;
constexpr int kSenderCount = 2;
constexpr int kHeldCount = 3;
constexpr int kDeepestReaction = 3;

struct Subscription {
  int receiver;
  unsigned int type;
  int sender;  // identity of the filtering sender, -1 for any sender
};

struct Model {
  std::vector<Subscription> subscriptions;
  bool exact = true;  // false: may hold more than the notificator
  int unsubscribing = 0;
};

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

// A client-written callback for one of the receivers, with its own reactions
// to being switched on or off and to being destroyed.
class ClientCallback final : public CtrvBaseNotificationCallback {
 public:
  ClientCallback(Program& program, int receiver, int onSwitch, int onRelease)
      : m_program(program), m_receiver(receiver), m_onSwitch(onSwitch), m_onRelease(onRelease) {}
  ~ClientCallback() override;
  void deliver(const boost::shared_ptr<const CtrvNotification>& notification) override;
  void* receiver() const override;
  bool isActive() const override { return m_active; }
  void setActive(bool active) override;

 private:
  Program& m_program;
  int m_receiver;
  int m_onSwitch;
  int m_onRelease;
  bool m_active = false;
};

class Program {
 public:
  explicit Program(FuzzedDataProvider& input) : m_input(input) {
    for (int i = 0; i < kReceiverCount; ++i) m_receivers[i] = Receiver{this, i};
  }

  ~Program() {
    // Nothing may react once the program ends; everything it made goes.
    m_closing = true;
    for (auto& held : m_held) held.reset();
    for (auto& notificator : m_pool) notificator.reset();
    m_copies.clear();
  }

  void run() {
    for (int k = 0; k < kPoolSize; ++k) m_pool[k] = CtrvNotificator::create();
    m_made = kPoolSize;
    while (m_input.remaining_bytes() > 0) step();
  }

  void step() {
    ++m_steps;
    switch (m_input.ConsumeIntegralInRange(0, 14)) {
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
      case 10:
        setReaction();
        break;
      case 11:
        makeCallback();
        break;
      case 12:
        subscribeCallback();
        break;
      case 13:
        subscribeNewCallback();
        break;
      default:
        m_held[m_input.ConsumeIntegralInRange(0, kHeldCount - 1)].reset();
        break;
    }
    checkChainsEnd();
  }

  // Runs up to `steps` more steps of the program from inside the library.
  void react(int steps) {
    if (m_closing || m_depth >= kDeepestReaction || steps == 0) return;
    ++m_depth;
    for (int i = 0; i < steps && m_input.remaining_bytes() > 0; ++i) step();
    --m_depth;
  }

  void received(const boost::shared_ptr<const CtrvNotification>& notification, int receiver) {
    TRV_FUZZ_CHECK(notification != nullptr);
    TRV_FUZZ_CHECK(subscribedAnywhere(receiver));
    react(m_reactions[receiver]);
  }

  void* receiverAddress(int receiver) { return &m_receivers[receiver]; }

 private:
  CtrvNotificator* find(int handle) {
    if (handle < kPoolSize) return m_pool[handle].get();
    if (handle < kModelCount) {
      const std::size_t copy = static_cast<std::size_t>(handle - kPoolSize);
      return copy < m_copies.size() ? &m_copies[copy] : nullptr;
    }
    if (m_posted.empty()) return nullptr;
    return handle == kModelCount ? m_posted.back() : m_posted.front();
  }

  // The model of a notificator the program owns, or null for one it only
  // reaches because it is posting to it (its subscriptions count as gone).
  Model* modelOf(int handle) {
    const CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr) return nullptr;
    for (int owned = 0; owned < kModelCount; ++owned) {
      if (find(owned) == notificator) return &m_models[owned];
    }
    return nullptr;
  }

  int pickHandle() { return m_input.ConsumeIntegralInRange(0, kHandleCount - 1); }
  int pickPool() { return m_input.ConsumeIntegralInRange(0, kPoolSize - 1); }
  int pickReceiver() { return m_input.ConsumeIntegralInRange(0, kReceiverCount - 1); }
  unsigned int pickType() { return m_input.ConsumeIntegralInRange(0u, 4u); }
  int pickSender() { return m_input.ConsumeIntegralInRange(-1, kSenderCount - 1); }
  int pickSteps() { return m_input.ConsumeIntegralInRange(0, 3); }

  boost::weak_ptr<void> senderObject(int sender) const {
    if (sender < 0) return boost::weak_ptr<void>();
    return m_senders[sender].object;
  }
  int senderIdentity(int sender) const { return sender < 0 ? -1 : m_senders[sender].identity; }

  // Recorded before subscribing, since switching the callback on may run
  // client code that removes it again.
  void record(int handle, const Subscription& subscription) {
    Model* model = modelOf(handle);
    (model != nullptr ? model->subscriptions : m_gone).push_back(subscription);
  }

  void subscribe() {
    const int handle = pickHandle();
    const int receiver = pickReceiver();
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr || (sender >= 0 && !m_senders[sender].object)) return;
    record(handle, Subscription{receiver, type, senderIdentity(sender)});
    notificator->subscribe(type, &m_receivers[receiver], &Receiver::receive, senderObject(sender));
  }

  boost::shared_ptr<CtrvBaseNotificationCallback> newCallback() {
    const int receiver = pickReceiver();
    const int onSwitch = pickSteps();
    const int onRelease = pickSteps();
    return boost::make_shared<ClientCallback>(*this, receiver, onSwitch, onRelease);
  }

  void makeCallback() {
    const int slot = m_input.ConsumeIntegralInRange(0, kHeldCount - 1);
    m_held[slot] = newCallback();
  }

  // Subscribes a held callback object, perhaps once more: the same object may
  // stand in several tables, or twice in one.
  void subscribeCallback() {
    subscribeCallback(m_held[m_input.ConsumeIntegralInRange(0, kHeldCount - 1)]);
  }

  // Subscribes a new callback object that only the notificator owns.
  void subscribeNewCallback() { subscribeCallback(newCallback()); }

  // Takes its own reference, as switching the callback on may drop the held one.
  void subscribeCallback(boost::shared_ptr<CtrvBaseNotificationCallback> callback) {
    const int handle = pickHandle();
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr || !callback || (sender >= 0 && !m_senders[sender].object)) return;
    const int receiver =
        static_cast<int>(static_cast<Receiver*>(callback->receiver()) - m_receivers);
    record(handle, Subscription{receiver, type, senderIdentity(sender)});
    notificator->subscribe(type, senderObject(sender), callback);
  }

  void unsubscribe() {
    const int handle = pickHandle();
    const int receiver = pickReceiver();
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
    Model* model = modelOf(handle);
    const long stepsBefore = m_steps;
    if (model != nullptr) ++model->unsubscribing;
    const trStatus status =
        notificator->unsubscribe(type, senderObject(sender), &m_receivers[receiver]);
    if (model == nullptr) return;
    --model->unsubscribing;
    // Client code run meanwhile (switching off, releasing) may have changed
    // the tables as the removal went on: the model can no longer follow.
    if (m_steps != stepsBefore) model->exact = false;
    if (!model->exact || model->unsubscribing > 0) return;
    auto& subscriptions = model->subscriptions;
    const std::size_t before = subscriptions.size();
    subscriptions.erase(std::remove_if(subscriptions.begin(), subscriptions.end(), matches),
                        subscriptions.end());
    TRV_FUZZ_CHECK(status == (subscriptions.size() < before ? TR_OK : TR_ERROR));
  }

  void notify() {
    const int handle = pickHandle();
    const unsigned int type = pickType();
    const int sender = pickSender();
    CtrvNotificator* notificator = find(handle);
    if (notificator == nullptr) return;
    m_posted.push_back(notificator);
    if (sender < 0) {
      notificator->notify(type);
    } else {
      notificator->notify(CtrvNotification::create(type, m_senders[sender].object));
    }
    m_posted.pop_back();
  }

  bool reaches(const CtrvNotificator* from, const CtrvNotificator* target) const {
    // Dropped notificators live on as delegates: a chain may be as long as
    // the number of notificators made, never longer unless it loops.
    for (int links = 0; from != nullptr; ++links, from = from->delegateNotificator().get()) {
      TRV_FUZZ_CHECK(links <= m_made + kCopyCount);
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
    // Held until the checks are made: releasing it may run client code.
    const boost::shared_ptr<CtrvNotificator> previous = notificator->delegateNotificator();
    const bool closesCycle = chosen && reaches(chosen.get(), notificator);
    const trStatus status = notificator->delegateNotificator(chosen);
    TRV_FUZZ_CHECK(status == (closesCycle ? TR_ERROR : TR_OK));
    TRV_FUZZ_CHECK(notificator->delegateNotificator() == (closesCycle ? previous : chosen));
  }

  void copy() {
    const int source = pickHandle();
    CtrvNotificator* original = find(source);
    const Model* model = modelOf(source);
    if (original == nullptr || model == nullptr || m_copies.size() >= kCopyCount) return;
    Model& copied = m_models[kPoolSize + static_cast<int>(m_copies.size())];
    copied.subscriptions = model->subscriptions;
    // A model in the middle of an unsubscribe may hold more than the tables.
    copied.exact = model->exact && model->unsubscribing == 0;
    m_copies.push_back(*original);
  }

  void assign() {
    const int target = pickHandle();
    const int source = pickHandle();
    CtrvNotificator* assigned = find(target);
    CtrvNotificator* original = find(source);
    Model* targetModel = modelOf(target);
    const Model* sourceModel = modelOf(source);
    if (assigned == nullptr || original == nullptr) return;
    if (targetModel != nullptr && sourceModel == nullptr) return;  // nothing to model it on
    // Subscriptions the target loses may still reach receivers during the
    // dispatch in progress: they stay in the model as long gone ones. The
    // rest is modelled first: releasing them runs client code.
    if (targetModel == nullptr && sourceModel != nullptr) {
      const auto& taken = sourceModel->subscriptions;
      m_gone.insert(m_gone.end(), taken.begin(), taken.end());
    } else if (targetModel != nullptr && targetModel != sourceModel) {
      auto& lost = targetModel->subscriptions;
      m_gone.insert(m_gone.end(), lost.begin(), lost.end());
      lost = sourceModel->subscriptions;
      // Not exact while an unsubscribe runs on either: the source's may hold
      // more than its tables, the target's goes on in the new tables.
      targetModel->exact =
          sourceModel->exact && sourceModel->unsubscribing == 0 && targetModel->unsubscribing == 0;
    }
    *assigned = *original;
  }

  void trace() {
    CtrvNotificator* notificator = find(pickHandle());
    const bool on = m_input.ConsumeBool();
    const bool propagate = m_input.ConsumeBool();
    if (notificator != nullptr) notificator->doesLog(on, propagate);
  }

  // A dropped notificator may live on as another one's delegate, or until
  // the notify in progress on it returns: its subscriptions keep counting as
  // places where a receiver may be reached.
  void dropNotificator() {
    const int handle = pickPool();
    Model& model = m_models[handle];
    m_gone.insert(m_gone.end(), model.subscriptions.begin(), model.subscriptions.end());
    // The count of unsubscribes in progress stays: they end on this model.
    model.subscriptions.clear();
    model.exact = true;
    m_pool[handle].reset();
  }

  void renewNotificator() {
    const int handle = pickPool();
    const int delegate = m_input.ConsumeIntegralInRange(-1, kPoolSize - 1);
    if (m_pool[handle]) return;
    ++m_made;
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
    const int receiver = pickReceiver();
    m_reactions[receiver] = pickSteps();
  }

  void checkChainsEnd() {
    for (int handle = 0; handle < kHandleCount; ++handle) reaches(find(handle), nullptr);
  }

  bool subscribedAnywhere(int receiver) const {
    const auto has = [receiver](const std::vector<Subscription>& subscriptions) {
      for (const Subscription& s : subscriptions) {
        if (s.receiver == receiver) return true;
      }
      return false;
    };
    for (const Model& model : m_models) {
      if (has(model.subscriptions)) return true;
    }
    return has(m_gone);
  }

  FuzzedDataProvider& m_input;
  boost::shared_ptr<CtrvNotificator> m_pool[kPoolSize];
  std::deque<CtrvNotificator> m_copies;
  std::vector<CtrvNotificator*> m_posted;
  Model m_models[kModelCount];
  std::vector<Subscription> m_gone;
  Sender m_senders[kSenderCount];
  int m_nextIdentity = 0;
  Receiver m_receivers[kReceiverCount];
  int m_reactions[kReceiverCount] = {};
  boost::shared_ptr<CtrvBaseNotificationCallback> m_held[kHeldCount];
  int m_depth = 0;
  long m_steps = 0;
  int m_made = 0;
  bool m_closing = false;
};

void Receiver::receive(const boost::shared_ptr<const CtrvNotification>& notification) {
  program->received(notification, index);
}

ClientCallback::~ClientCallback() { m_program.react(m_onRelease); }

void ClientCallback::deliver(const boost::shared_ptr<const CtrvNotification>& notification) {
  if (m_active) m_program.received(notification, m_receiver);
}

void* ClientCallback::receiver() const { return m_program.receiverAddress(m_receiver); }

void ClientCallback::setActive(bool active) {
  m_active = active;
  m_program.react(m_onSwitch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return trvRunFuzzProgram<Program>(data, size);
}

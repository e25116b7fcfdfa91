// Load and soak driver.
//
//   trv_soak <messages> <notifications> <folder>
//
// 1. Logs <messages> messages with a live log file in <folder>, then checks
//    that the file holds every line in order, that the store holds the most
//    recent records in order, that the process's resident memory stopped
//    growing once the store was full, and that a message costs no more at the
//    end than at the start.
// 2. Posts <notifications> notifications through a chain of notificators
//    whose subscribers subscribe and unsubscribe as they receive, and checks
//    that nobody receives anything while unsubscribed, that the subscriptions
//    end as they should, and that memory stays bounded.
// Prints its figures; exits with 1 on the first failed check.

#include <CtrvLogManager.h>
#include <CtrvMemory.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void require(bool condition, const std::string& what) {
  if (condition) return;
  std::fprintf(stderr, "soak: FAILED: %s\n", what.c_str());
  std::exit(1);
}

unsigned long residentBytes() {
  unsigned long value = 0;
  require(CtrvMemory::getIndicatorValue(CtrvMemory::PROCESS_WORKING_SET_SIZE, value) == TR_OK,
          "the resident size can be read");
  return value;
}

std::string messageText(unsigned long index) { return "soak message " + std::to_string(index); }

// Logs about `count` messages numbered from `sent` on, which it advances, in
// a few rounds, and returns the seconds per message of the fastest round:
// the minimum is the figure least disturbed by other load.
double costPerMessage(unsigned long& sent, unsigned long count) {
  double best = 1e9;
  const unsigned long rounds = 5;
  const unsigned long perRound = count / rounds;
  for (unsigned long round = 0; round < rounds && perRound > 0; ++round) {
    const Clock::time_point start = Clock::now();
    for (unsigned long i = 0; i < perRound; ++i) CtrvLogManager::addInfo(messageText(sent++));
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    best = std::min(best, elapsed.count() / static_cast<double>(perRound));
  }
  return best;
}

void checkLiveFile(const std::string& path, unsigned long messages) {
  std::ifstream file(path);
  require(file.good(), "the live file can be read");
  std::string line;
  unsigned long index = 0;
  while (std::getline(file, line)) {
    const std::string expected = "\ttype: Info\tmessage: " + messageText(index);
    require(line.size() > expected.size() &&
                line.compare(line.size() - expected.size(), expected.size(), expected) == 0,
            "line " + std::to_string(index) + " of the live file is message " +
                std::to_string(index) + " (found: " + line.substr(0, 80) + ")");
    ++index;
  }
  require(index == messages, "the live file holds " + std::to_string(messages) + " lines (" +
                                 std::to_string(index) + " found)");
}

void checkStore(unsigned long messages) {
  const unsigned long held = std::min(messages, CtrvLogManager::s_maxNbMessages + 1ul);
  require(CtrvLogManager::countMessages() == held,
          "the store holds " + std::to_string(held) + " records (" +
              std::to_string(CtrvLogManager::countMessages()) + " found)");
  std::string text;
  CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_ERROR;
  double time = 0.0;
  double previous = 0.0;
  for (unsigned long position = 0; position < held; ++position) {
    CtrvLogManager::getMessage(static_cast<int>(position), text, type, time);
    require(text == messageText(messages - held + position) && type == CtrvLogManager::LOG_INFO,
            "record " + std::to_string(position) + " of the store is in order");
    require(time >= previous, "the store's times ascend");
    previous = time;
  }
}

void soakLog(unsigned long messages, const std::string& folder) {
  const std::string path = folder + "/live.log";
  CtrvLogManager::createInstance(path);
  const unsigned long block = std::max(1ul, std::min(messages / 10, 100000ul));
  const unsigned long fullStore = CtrvLogManager::s_maxNbMessages + 1ul;
  const Clock::time_point start = Clock::now();

  unsigned long sent = 0;
  const double startCost = costPerMessage(sent, block);
  // The store is full from here on: memory must stop growing.
  for (; sent < std::min(messages, fullStore); ++sent) CtrvLogManager::addInfo(messageText(sent));
  const unsigned long fullResident = residentBytes();
  unsigned long peakResident = fullResident;
  const unsigned long endPhase = messages > block ? messages - block : 0;
  for (; sent < endPhase; ++sent) {
    CtrvLogManager::addInfo(messageText(sent));
    if (sent % 1000000 == 0) peakResident = std::max(peakResident, residentBytes());
  }
  const double endCost = costPerMessage(sent, messages - sent);
  for (; sent < messages; ++sent) CtrvLogManager::addInfo(messageText(sent));
  peakResident = std::max(peakResident, residentBytes());
  const std::chrono::duration<double> elapsed = Clock::now() - start;

  std::printf(
      "log: %lu messages in %.1f s; cost per message %.3f us at the start, %.3f us at "
      "the end; resident %.1f MiB with the store full, at most %.1f MiB after\n",
      messages, elapsed.count(), startCost * 1e6, endCost * 1e6, fullResident / 1048576.0,
      peakResident / 1048576.0);
  checkLiveFile(path, messages);
  checkStore(messages);
  // Slack for the allocator and the file buffers; a leak per message would
  // pass it within the first million.
  require(messages < 2 * fullStore || peakResident <= fullResident + 16ul * 1048576ul,
          "resident memory stays bounded once the store is full");
  require(messages < 2 * fullStore || endCost <= startCost * 1.5 + 0.5e-6,
          "a message costs no more at the end than at the start");
  std::remove(path.c_str());
}

// Subscribers that move along a chain of notificators as they receive.
constexpr int kChainLength = 4;
constexpr int kReceiverCount = 64;

struct Receiver;

struct Chain {
  boost::shared_ptr<CtrvNotificator> links[kChainLength];
  std::vector<Receiver> receivers;
  unsigned long deliveries = 0;
  unsigned long type = 0;
};

struct Receiver {
  void receive(const boost::shared_ptr<const CtrvNotification>&);
  void subscribeTo(int link) {
    chain->links[link]->subscribe(static_cast<unsigned int>(chain->type), this, &Receiver::receive);
    subscribedTo = link;
  }
  void unsubscribe() {
    require(chain->links[subscribedTo]->unsubscribe(this) == TR_OK,
            "a subscribed receiver can unsubscribe");
    subscribedTo = -1;
  }
  Chain* chain = nullptr;
  int index = 0;
  int subscribedTo = -1;  // link of the only subscription, -1 for none
  unsigned long received = 0;
};

void Receiver::receive(const boost::shared_ptr<const CtrvNotification>&) {
  require(subscribedTo >= 0, "only subscribed receivers receive");
  ++received;
  const unsigned long count = ++chain->deliveries;
  if (count % 2 == 0) {
    const int next = (subscribedTo + 1) % kChainLength;
    unsubscribe();
    subscribeTo(next);
  }
  if (count % 5 == 0) {
    Receiver& other = chain->receivers[(index + 7) % kReceiverCount];
    if (other.subscribedTo < 0) other.subscribeTo(static_cast<int>(count % kChainLength));
  }
  if (count % 7 == 0) unsubscribe();
}

void soakNotifications(unsigned long notifications) {
  Chain chain;
  chain.type = CtrvNotification::makeID("Soak", "tick");
  for (int link = kChainLength; link-- > 0;) {
    chain.links[link] = link + 1 < kChainLength ? CtrvNotificator::create(chain.links[link + 1])
                                                : CtrvNotificator::create();
  }
  chain.receivers.resize(kReceiverCount);
  for (int i = 0; i < kReceiverCount; ++i) {
    chain.receivers[i].chain = &chain;
    chain.receivers[i].index = i;
    if (i % 2 == 0) chain.receivers[i].subscribeTo(i % kChainLength);
  }

  const unsigned long startResident = residentBytes();
  const Clock::time_point start = Clock::now();
  for (unsigned long i = 0; i < notifications; ++i) {
    chain.links[0]->notify(static_cast<unsigned int>(chain.type));
    // Nobody left: wake one up, as a new client would.
    if (i % 1000 == 0 && chain.receivers[i % kReceiverCount].subscribedTo < 0) {
      chain.receivers[i % kReceiverCount].subscribeTo(0);
    }
  }
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  const unsigned long endResident = residentBytes();

  unsigned long subscribed = 0;
  for (Receiver& receiver : chain.receivers) {
    if (receiver.subscribedTo < 0) continue;
    ++subscribed;
    const int link = receiver.subscribedTo;
    receiver.unsubscribe();
    require(chain.links[link]->unsubscribe(&receiver) == TR_ERROR,
            "a receiver is subscribed once at most");
  }
  std::printf(
      "notifications: %lu posted through %d notificators in %.1f s, %lu deliveries, "
      "%lu receivers subscribed at the end; resident %.1f MiB before, %.1f MiB after\n",
      notifications, kChainLength, elapsed.count(), chain.deliveries, subscribed,
      startResident / 1048576.0, endResident / 1048576.0);
  require(notifications == 0 || chain.deliveries > 0, "notifications were delivered");
  require(endResident <= startResident + 16ul * 1048576ul, "resident memory stays bounded");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: trv_soak <messages> <notifications> <folder>\n");
    return 2;
  }
  soakLog(std::strtoul(argv[1], nullptr, 10), argv[3]);
  soakNotifications(std::strtoul(argv[2], nullptr, 10));
  std::printf("soak: passed\n");
  return 0;
}

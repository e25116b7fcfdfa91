// SPDX-License-Identifier: MIT
// Load and soak driver.
//
//   trv_soak <messages> <notifications> <folder>
//
// 1. Logs <messages> messages with a live log file in <folder>, then checks
//    that the file holds every line in order, that the store holds the most
//    recent records in order, and that the process's resident memory stopped
//    growing once the store was full.
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

// Slack for the allocator and the file buffers; a leak per message or per
// notification would exceed it within the first million.
constexpr unsigned long kResidentSlack = 16ul * 1048576ul;

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

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string messageText(unsigned long index) { return "soak message " + std::to_string(index); }

void checkLiveFile(const std::string& path, unsigned long messages) {
  std::ifstream file(path);
  require(file.good(), "the live file can be read");
  unsigned long index = 0;
  for (std::string line; std::getline(file, line); ++index) {
    const std::string expected = "\ttype: Info\tmessage: " + messageText(index);
    require(line.size() > expected.size() &&
                line.compare(line.size() - expected.size(), expected.size(), expected) == 0,
            "line " + std::to_string(index) + " of the live file is that message");
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
  double time = 0.0, previous = 0.0;
  for (unsigned long position = 0; position < held; ++position, previous = time) {
    CtrvLogManager::getMessage(static_cast<int>(position), text, type, time);
    require(text == messageText(messages - held + position) && time >= previous,
            "record " + std::to_string(position) + " of the store is in order");
  }
}

void soakLog(unsigned long messages, const std::string& folder) {
  const std::string path = folder + "/live.log";
  CtrvLogManager::createInstance(path);
  const unsigned long fullStore = CtrvLogManager::s_maxNbMessages + 1ul;
  const Clock::time_point start = Clock::now();
  unsigned long fullResident = 0, peakResident = 0;
  for (unsigned long sent = 0; sent < messages; ++sent) {
    CtrvLogManager::addInfo(messageText(sent));
    // The store is full from here on: memory must stop growing.
    if (sent + 1 == fullStore) fullResident = residentBytes();
    if (sent % 1000000 == 0 || sent + 1 == messages) {
      peakResident = std::max(peakResident, residentBytes());
    }
  }
  std::printf(
      "log: %lu messages in %.1f s; resident %.1f MiB with the store full, at most %.1f MiB\n",
      messages, secondsSince(start), fullResident / 1048576.0, peakResident / 1048576.0);
  checkLiveFile(path, messages);
  checkStore(messages);
  require(messages < 2 * fullStore || peakResident <= fullResident + kResidentSlack,
          "resident memory stays bounded once the store is full");
  std::remove(path.c_str());
}

// Receivers that move along a chain of notificators as they receive.
constexpr int kChainLength = 4;
constexpr int kReceiverCount = 64;

struct Receiver;
boost::shared_ptr<CtrvNotificator> g_links[kChainLength];
std::vector<Receiver> g_receivers;
unsigned long g_deliveries = 0;
unsigned int g_type = 0;

struct Receiver {
  void subscribeTo(int link) {
    g_links[link]->subscribe(g_type, this, &Receiver::receive);
    subscribedTo = link;
  }
  void unsubscribe() {
    require(g_links[subscribedTo]->unsubscribe(this) == TR_OK,
            "a subscribed receiver can unsubscribe");
    subscribedTo = -1;
  }
  // Every second delivery moves the receiver one link on, every fifth wakes
  // up another receiver, every seventh unsubscribes the receiver.
  void receive(const boost::shared_ptr<const CtrvNotification>&) {
    require(subscribedTo >= 0, "only subscribed receivers receive");
    const unsigned long count = ++g_deliveries;
    if (count % 2 == 0) {
      const int next = (subscribedTo + 1) % kChainLength;
      unsubscribe();
      subscribeTo(next);
    }
    Receiver& other = g_receivers[(this - g_receivers.data() + 7) % kReceiverCount];
    if (count % 5 == 0 && other.subscribedTo < 0) other.subscribeTo(count % kChainLength);
    if (count % 7 == 0) unsubscribe();
  }
  int subscribedTo = -1;  // link of the only subscription, -1 for none
};

void soakNotifications(unsigned long notifications) {
  g_type = CtrvNotification::makeID("Soak", "tick");
  for (int link = kChainLength; link-- > 0;) {
    g_links[link] = CtrvNotificator::create(link + 1 < kChainLength ? g_links[link + 1] : nullptr);
  }
  g_receivers.resize(kReceiverCount);
  for (int i = 0; i < kReceiverCount; i += 2) g_receivers[i].subscribeTo(i % kChainLength);
  const unsigned long startResident = residentBytes();
  const Clock::time_point start = Clock::now();
  for (unsigned long i = 0; i < notifications; ++i) {
    g_links[0]->notify(g_type);
    // Nobody left: wake one up, as a new client would.
    Receiver& sleeper = g_receivers[i % kReceiverCount];
    if (i % 1000 == 0 && sleeper.subscribedTo < 0) sleeper.subscribeTo(0);
  }
  const double elapsed = secondsSince(start);
  const unsigned long endResident = residentBytes();

  unsigned long subscribed = 0;
  for (Receiver& receiver : g_receivers) {
    if (receiver.subscribedTo < 0) continue;
    ++subscribed;
    const int link = receiver.subscribedTo;
    receiver.unsubscribe();
    require(g_links[link]->unsubscribe(&receiver) == TR_ERROR,
            "a receiver is subscribed once at most");
  }
  std::printf(
      "notifications: %lu posted through %d notificators in %.1f s, %lu deliveries, "
      "%lu receivers subscribed at the end; resident %.1f MiB before, %.1f MiB after\n",
      notifications, kChainLength, elapsed, g_deliveries, subscribed, startResident / 1048576.0,
      endResident / 1048576.0);
  require(notifications == 0 || g_deliveries > 0, "notifications were delivered");
  require(endResident <= startResident + kResidentSlack, "resident memory stays bounded");
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

// SPDX-License-Identifier: MIT
#include "platform/trvPlatformMemory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <limits>

namespace trvPlatform {
namespace {

constexpr std::uint64_t kMaxFigure = std::numeric_limits<std::uint64_t>::max();

// The user part of the address space when no limit is set, as the kernel's
// default memory layout of the architecture gives it.
#if defined(__x86_64__)
constexpr std::uint64_t kUserAddressSpace = (std::uint64_t{1} << 47) - 4096;
#elif defined(__aarch64__)
constexpr std::uint64_t kUserAddressSpace = std::uint64_t{1} << 48;
#elif UINTPTR_MAX > 0xffffffffu
constexpr std::uint64_t kUserAddressSpace = std::uint64_t{1} << 47;
#else
constexpr std::uint64_t kUserAddressSpace = 0xc0000000u;
#endif

std::uint64_t saturatingMultiply(std::uint64_t value, std::uint64_t factor) {
  return value > kMaxFigure / factor ? kMaxFigure : value * factor;
}

// A file descriptor closed when it goes out of scope.
class OpenFile {
 public:
  explicit OpenFile(const char* path) : m_fd(::open(path, O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (m_fd >= 0) ::close(m_fd);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool isOpen() const { return m_fd >= 0; }

  // Reads up to `size` bytes; 0 at the end of the file, -1 on failure.
  ssize_t read(char* buffer, std::size_t size) const {
    ssize_t got;
    do {
      got = ::read(m_fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
  }

 private:
  int m_fd;
};

// Parses a decimal number at `cursor`, skipping blanks before it; false if
// there is no digit.
bool parseNumber(const char*& cursor, const char* end, std::uint64_t& number) {
  while (cursor < end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
  const char* digits = cursor;
  std::uint64_t parsed = 0;
  for (; cursor < end && *cursor >= '0' && *cursor <= '9'; ++cursor) {
    parsed = saturatingMultiply(parsed, 10);
    const std::uint64_t digit = static_cast<std::uint64_t>(*cursor - '0');
    parsed = parsed > kMaxFigure - digit ? kMaxFigure : parsed + digit;
  }
  if (cursor == digits) return false;
  number = parsed;
  return true;
}

// A line "<key> <number> kB" of a /proc file whose number is wanted, in bytes.
struct KeyedFigure {
  const char* key;  ///< With its colon, e.g. "MemTotal:".
  std::uint64_t* bytes;
  bool found;
};

// Stores the figure of the line [begin, end) if it is one of the wanted
// ones not found yet; true if it was.
bool matchLine(const char* begin, const char* end, KeyedFigure* figures, std::size_t count) {
  const std::size_t length = static_cast<std::size_t>(end - begin);
  for (std::size_t i = 0; i < count; ++i) {
    KeyedFigure& figure = figures[i];
    const std::size_t keyLength = std::strlen(figure.key);
    if (figure.found || length < keyLength || std::memcmp(begin, figure.key, keyLength) != 0) {
      continue;
    }
    const char* cursor = begin + keyLength;
    std::uint64_t number = 0;
    if (!parseNumber(cursor, end, number)) return false;
    while (cursor < end && *cursor == ' ') ++cursor;
    const bool inKibibytes = end - cursor >= 2 && cursor[0] == 'k' && cursor[1] == 'B';
    *figure.bytes = inKibibytes ? saturatingMultiply(number, 1024) : number;
    figure.found = true;
    return true;
  }
  return false;
}

// Reads the "Key: value kB" lines of a /proc file through a stack buffer,
// stopping as soon as every wanted figure is found. Lines longer than the
// buffer (long lists of groups or CPUs) are skipped: no wanted line is long.
// True if every wanted figure was found.
bool scanKeyedFile(const char* path, KeyedFigure* figures, std::size_t count) {
  OpenFile file(path);
  if (!file.isOpen()) return false;
  char buffer[4096];
  std::size_t kept = 0;  // bytes of an unfinished line at the start of the buffer
  std::size_t missing = count;
  bool skippingLongLine = false;
  while (missing > 0) {
    const ssize_t got = file.read(buffer + kept, sizeof buffer - kept);
    if (got <= 0) break;
    const char* const end = buffer + kept + static_cast<std::size_t>(got);
    const char* line = buffer;
    for (const char* newline;
         (newline = static_cast<const char*>(std::memchr(line, '\n', end - line))) != nullptr;
         line = newline + 1) {
      if (!skippingLongLine && matchLine(line, newline, figures, count)) --missing;
      skippingLongLine = false;
    }
    kept = static_cast<std::size_t>(end - line);
    if (kept == sizeof buffer) {
      kept = 0;
      skippingLongLine = true;
    } else {
      std::memmove(buffer, line, kept);
    }
  }
  if (missing > 0 && kept > 0 && !skippingLongLine &&
      matchLine(buffer, buffer + kept, figures, count)) {
    --missing;
  }
  return missing == 0;
}

}  // namespace

bool readSystemMemoryInfo(SystemMemoryInfo& info) {
  SystemMemoryInfo read{};
  KeyedFigure figures[] = {
      {"MemTotal:", &read.totalPhysical, false},
      {"MemAvailable:", &read.availablePhysical, false},
      {"CommitLimit:", &read.commitLimit, false},
      {"Committed_AS:", &read.committed, false},
  };
  if (!scanKeyedFile("/proc/meminfo", figures, sizeof figures / sizeof figures[0])) return false;
  info = read;
  return true;
}

bool readProcessMemoryInfo(ProcessMemoryInfo& info) {
  ProcessMemoryInfo read{};
  KeyedFigure figures[] = {
      {"VmPeak:", &read.peakVirtual, false}, {"VmSize:", &read.virtualSize, false},
      {"VmHWM:", &read.peakResident, false}, {"VmRSS:", &read.resident, false},
      {"VmPTE:", &read.pageTables, false},
  };
  if (!scanKeyedFile("/proc/self/status", figures, sizeof figures / sizeof figures[0])) {
    return false;
  }
  info = read;
  return true;
}

bool readVirtualSize(std::uint64_t& bytes) {
  // The first number of statm is the virtual size in pages.
  OpenFile file("/proc/self/statm");
  if (!file.isOpen()) return false;
  char buffer[128];
  const ssize_t got = file.read(buffer, sizeof buffer);
  if (got <= 0) return false;
  const char* cursor = buffer;
  std::uint64_t pages = 0;
  if (!parseNumber(cursor, buffer + got, pages)) return false;
  bytes = saturatingMultiply(pages, static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));
  return true;
}

bool readAddressSpaceLimit(std::uint64_t& bytes) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0) return false;
  bytes = limit.rlim_cur == RLIM_INFINITY ? kUserAddressSpace
                                          : static_cast<std::uint64_t>(limit.rlim_cur);
  return true;
}

bool readPageFaultCount(std::uint64_t& count) {
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return false;
  count = static_cast<std::uint64_t>(usage.ru_minflt) + static_cast<std::uint64_t>(usage.ru_majflt);
  return true;
}

}  // namespace trvPlatform

// SPDX-License-Identifier: MIT
// Entry point of trv_bench. Besides Google Benchmark's flags it takes:
//   --trv-log=file|none   create the process-wide log with or without a live file
//   --trv-manifest=PATH   write the list of pairs and goals as JSON
#include <CtrvLogManager.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "trvBench.h"

namespace {

struct Pair {
  std::string key;
  std::string operation;
  double goal;
  std::string peerName;
  bool hasPeer;
  std::string peerNote;
  trvBench::Process process;
  bool wallTime = false;
};

std::vector<Pair>& pairs() {
  static std::vector<Pair> all;
  return all;
}

std::size_t g_allocations = 0;

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

void writeManifest(const std::string& path) {
  std::ofstream out(path);
  out << "[\n";
  for (std::size_t i = 0; i < pairs().size(); ++i) {
    const Pair& pair = pairs()[i];
    out << "  {\"key\": " << jsonString(pair.key)
        << ", \"operation\": " << jsonString(pair.operation) << ", \"goal\": " << pair.goal
        << ", \"peer\": " << jsonString(pair.peerName)
        << ", \"has_peer\": " << (pair.hasPeer ? "true" : "false")
        << ", \"peer_note\": " << jsonString(pair.peerNote)
        << ", \"clock\": " << (pair.wallTime ? "\"wall\"" : "\"cpu\"") << "}"
        << (i + 1 < pairs().size() ? ",\n" : "\n");
  }
  out << "]\n";
}

// Removes the trv flags from argv, returning their values.
std::string takeFlag(int& argc, char** argv, const char* name) {
  const std::size_t length = std::strlen(name);
  std::string value;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], name, length) == 0) {
      value = argv[i] + length;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return value;
}

}  // namespace

namespace trvBench {

bool registerPair(const std::string& key, const std::string& operation, double goal,
                  const std::string& peerName, Function trv, Function peer, Process process,
                  const char* peerNote) {
  const std::string group = process == Process::liveLog ? "pair/" : "nofile/";
  benchmark::RegisterBenchmark((group + key + "/trv").c_str(), trv);
  if (peer != nullptr) benchmark::RegisterBenchmark((group + key + "/peer").c_str(), peer);
  pairs().push_back({key, operation, goal, peerName, peer != nullptr, peerNote, process});
  return true;
}

bool registerWallPair(const std::string& key, const std::string& operation, double goal,
                      const std::string& peerName, Function trv, Function peer) {
  benchmark::RegisterBenchmark(("pair/" + key + "/trv").c_str(), trv)->UseRealTime();
  benchmark::RegisterBenchmark(("pair/" + key + "/peer").c_str(), peer)->UseRealTime();
  pairs().push_back({key, operation, goal, peerName, true, "", Process::liveLog, true});
  return true;
}

benchmark::internal::Benchmark* registerScale(const std::string& key, Function function) {
  return benchmark::RegisterBenchmark(("scale/" + key).c_str(), function);
}

const std::string& scratchDirectory() {
  static const std::string directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv-bench-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    return std::string(made != nullptr ? made : ".");
  }();
  return directory;
}

std::size_t allocationCount() { return g_allocations; }

}  // namespace trvBench

// Counting allocator: lets the benchmarks report allocations per operation.
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

int main(int argc, char** argv) {
  const std::string logMode = takeFlag(argc, argv, "--trv-log=");
  const std::string manifest = takeFlag(argc, argv, "--trv-manifest=");
  CtrvLogManager::createInstance(
      logMode == "none" ? std::string() : trvBench::scratchDirectory() + "/trv-live.log");
  if (!manifest.empty()) writeManifest(manifest);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(trvBench::scratchDirectory(), ignored);
  return 0;
}

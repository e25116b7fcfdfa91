// SPDX-License-Identifier: MIT
#include "trvMemoryCommand.h"

#include <CtrvMemory.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "trvTextFormat.h"

namespace trvApp {

namespace {

enum class Unit { BYTES, PERCENT, COUNT };

// One figure: its name in the JSON output, its label in the table.
struct Figure {
  const char* key;
  const char* label;
  std::uint64_t value;
  Unit unit;
};

struct Section {
  const char* key;
  const char* title;
  std::vector<Figure> figures;
};

Section systemSection(const CtrvMemory::GlobalStatus64& s) {
  return {"system",
          "System",
          {{"memoryLoad", "memory in use", s.memoryLoad, Unit::PERCENT},
           {"totalPhys", "physical memory", s.totalPhys, Unit::BYTES},
           {"availPhys", "physical available", s.availPhys, Unit::BYTES},
           {"totalPageFile", "commit limit", s.totalPageFile, Unit::BYTES},
           {"availPageFile", "commit available", s.availPageFile, Unit::BYTES},
           {"totalVirtual", "address space", s.totalVirtual, Unit::BYTES},
           {"availVirtual", "address space free", s.availVirtual, Unit::BYTES},
           {"availExtendedVirtual", "extended virtual", s.availExtendedVirtual, Unit::BYTES}}};
}

Section processSection(const CtrvMemory::ProcessStatus64& s) {
  return {"process",
          "This process",
          {{"pageFaultCount", "page faults", s.pageFaultCount, Unit::COUNT},
           {"workingSetSize", "working set", s.workingSetSize, Unit::BYTES},
           {"peakWorkingSetSize", "peak working set", s.peakWorkingSetSize, Unit::BYTES},
           {"pagefileUsage", "virtual size", s.pagefileUsage, Unit::BYTES},
           {"peakPagefileUsage", "peak virtual size", s.peakPagefileUsage, Unit::BYTES},
           {"quotaPagedPoolUsage", "page tables", s.quotaPagedPoolUsage, Unit::BYTES},
           {"quotaPeakPagedPoolUsage", "peak page tables", s.quotaPeakPagedPoolUsage, Unit::BYTES},
           {"quotaNonPagedPoolUsage", "non-paged pool", s.quotaNonPagedPoolUsage, Unit::BYTES},
           {"quotaPeakNonPagedPoolUsage", "peak non-paged pool", s.quotaPeakNonPagedPoolUsage,
            Unit::BYTES}}};
}

std::string humanValue(const Figure& figure) {
  switch (figure.unit) {
    case Unit::PERCENT:
      return std::to_string(figure.value) + " %";
    case Unit::COUNT:
      return std::to_string(figure.value);
    case Unit::BYTES:
      break;
  }
  return formatBytes(static_cast<double>(figure.value));
}

void printTable(const std::vector<Section>& sections) {
  for (const Section& section : sections) {
    std::printf("%s\n", section.title);
    for (const Figure& figure : section.figures) {
      std::printf("  %-22s %14s\n", figure.label, humanValue(figure).c_str());
    }
  }
}

void printJson(const std::vector<Section>& sections) {
  nlohmann::ordered_json figures = nlohmann::ordered_json::object();
  for (const Section& section : sections) {
    nlohmann::ordered_json& object = figures[section.key] = nlohmann::ordered_json::object();
    for (const Figure& figure : section.figures) object[figure.key] = figure.value;
  }
  std::printf("%s\n", figures.dump(2).c_str());
}

int runMemory(bool json) {
  CtrvMemory::GlobalStatus64 global{};
  CtrvMemory::ProcessStatus64 process{};
  if (CtrvMemory::getGlobalStatus(global) != TR_OK ||
      CtrvMemory::getProcessStatus(process) != TR_OK) {
    std::fprintf(stderr, "trv: the memory figures cannot be read on this system\n");
    return EXIT_FAILED;
  }
  const std::vector<Section> sections = {systemSection(global), processSection(process)};
  json ? printJson(sections) : printTable(sections);
  return EXIT_OK;
}

}  // namespace

void addMemoryCommand(CLI::App& program, Commands& commands) {
  CLI::App* memory =
      program.add_subcommand("memory", "Memory figures of the system and of this process");
  auto json = std::make_shared<bool>(false);
  memory->add_flag("--json", *json, "Print the figures, in bytes, as JSON");
  commands.push_back({memory, [json] { return runMemory(*json); }});
}

}  // namespace trvApp

#include "base/usable_memory.h"

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace marl {

namespace {

// The "Key:   N kB" line's value in bytes; nullopt-like UINT64_MAX when the
// key is missing.
uint64_t kilobyteField(const std::string& text, const std::string& key) {
  const std::string prefix = key + ":";
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    unsigned long long kilobytes = 0;
    if (std::sscanf(line.c_str() + prefix.size(), "%llu", &kilobytes) == 1)
      return uint64_t(kilobytes) * 1024;
  }
  return UINT64_MAX;
}

std::string fileText(const char* path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

uint64_t softLimit(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return UINT64_MAX;
  return uint64_t(limit.rlim_cur);
}

void lowerTo(UsableMemory& usable, uint64_t limit, uint64_t used,
             const char* name) {
  if (limit == UINT64_MAX) return;
  const uint64_t left = used == UINT64_MAX || used >= limit ? 0 : limit - used;
  if (left < usable.bytes) usable = {left, name};
}

}  // namespace

UsableMemory usableMemoryFrom(const std::string& meminfo,
                              const std::string& status,
                              uint64_t addressSpaceLimit, uint64_t dataLimit) {
  UsableMemory usable;
  lowerTo(usable, kilobyteField(meminfo, "MemAvailable"), 0, "MemAvailable");
  lowerTo(usable, addressSpaceLimit, kilobyteField(status, "VmSize"),
          "RLIMIT_AS");
  lowerTo(usable, dataLimit, kilobyteField(status, "VmData"), "RLIMIT_DATA");
  return usable;
}

UsableMemory usableMemory() {
  const uint64_t addressSpace = softLimit(RLIMIT_AS);
  const uint64_t data = softLimit(RLIMIT_DATA);
  const std::string status = addressSpace != UINT64_MAX || data != UINT64_MAX
                                 ? fileText("/proc/self/status")
                                 : std::string();
  return usableMemoryFrom(fileText("/proc/meminfo"), status, addressSpace,
                          data);
}

std::string readableBytes(uint64_t bytes) {
  const char* const units[] = {"bytes", "kB", "MB", "GB", "TB"};
  double value = double(bytes);
  int unit = 0;
  while (value >= 1000.0 && unit < 4) {
    value /= 1000.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 || value >= 100 ? "%.0f %s" : "%.1f %s",
                value, units[unit]);
  return text;
}

}  // namespace marl

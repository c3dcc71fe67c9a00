#ifndef MARL_BASE_USABLE_MEMORY_H_
#define MARL_BASE_USABLE_MEMORY_H_

#include <cstdint>
#include <string>

namespace marl {

// The memory this process may still take, and what sets that bound.
struct UsableMemory {
  uint64_t bytes = UINT64_MAX;  // UINT64_MAX: nothing known bounds it
  std::string limit;            // "MemAvailable", "RLIMIT_AS", "RLIMIT_DATA"
};

// The least of: the system's MemAvailable (/proc/meminfo), and, when set,
// RLIMIT_AS less the address space already mapped and RLIMIT_DATA less the
// data already mapped (/proc/self/status).
UsableMemory usableMemory();

// The same from the texts of /proc/meminfo and /proc/self/status and the
// two soft limits (RLIM_INFINITY when unset), for tests.
UsableMemory usableMemoryFrom(const std::string& meminfo,
                              const std::string& status,
                              uint64_t addressSpaceLimit, uint64_t dataLimit);

// Bytes as people read them: "17.2 GB", "512 MB", "900 kB".
std::string readableBytes(uint64_t bytes);

}  // namespace marl

#endif  // MARL_BASE_USABLE_MEMORY_H_

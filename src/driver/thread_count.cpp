#include "driver/thread_count.h"

#include <sched.h>

#include <algorithm>
#include <thread>

#include "driver/number_text.h"

namespace marl {

int32_t availableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0)
    return std::max(1, CPU_COUNT(&set));
  return std::max(1, int(std::thread::hardware_concurrency()));
}

int32_t readThreadCount(const ArgumentMap& map, std::ostream& err) {
  const int32_t cpus = availableCpus();
  const std::string* value = map.find("threads");
  if (value == nullptr) return cpus;
  const int32_t threads = parseInteger(*value);
  if (threads < 1) {
    err << "marl: warning: threads=" << *value
        << " is not a count of 1 or more; using " << cpus
        << ", the CPUs this process may use\n";
    return cpus;
  }
  if (threads > MaxThreads) {
    err << "marl: warning: threads=" << *value << " is above the most, "
        << MaxThreads << "; using " << MaxThreads << "\n";
    return MaxThreads;
  }
  return threads;
}

}  // namespace marl

#include "driver/thread_count.h"

#include <sched.h>

#include <algorithm>
#include <string>
#include <thread>

#include "driver/number_text.h"
#include "options/option_keys.h"

namespace marl {

int32_t availableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0)
    return std::max(1, CPU_COUNT(&set));
  return std::max(1, int(std::thread::hardware_concurrency()));
}

int32_t readThreadCount(OptionReader& read) {
  const int32_t cpus = availableCpus();
  const std::string* value = read.text(key::Threads);
  if (value == nullptr) return cpus;
  const int32_t threads = parseInteger(*value);
  if (threads < 1) {
    read.report(key::Threads, *value,
                {"is not a count of 1 or more",
                 "using " + std::to_string(cpus) +
                     ", the CPUs this process may use"});
    return cpus;
  }
  if (threads > MaxThreads) {
    const std::string most = std::to_string(MaxThreads);
    read.report(key::Threads, *value,
                {"is above the most, " + most, "using " + most});
    return MaxThreads;
  }
  return threads;
}

}  // namespace marl

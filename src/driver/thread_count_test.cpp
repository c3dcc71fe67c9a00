#include "driver/thread_count.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

int32_t threadsFor(const char* word, std::string& warning) {
  const char* argv[] = {"marl", word};
  std::ostringstream err;
  const ArgumentMap map(word ? 2 : 1, argv, err);
  const int32_t threads = readThreadCount(map, err);
  warning = err.str();
  return threads;
}

TEST(ThreadCountTest, DefaultIsTheAffinityMaskAndBadValuesAreReported) {
  std::string warning;
  const int32_t cpus = availableCpus();
  EXPECT_GE(cpus, 1);
  EXPECT_EQ(threadsFor(nullptr, warning), cpus);
  EXPECT_EQ(warning, "");
  EXPECT_EQ(threadsFor("threads=3", warning), 3);
  EXPECT_EQ(warning, "");
  for (const char* bad : {"threads=0", "threads=-2", "threads=many"}) {
    EXPECT_EQ(threadsFor(bad, warning), cpus) << bad;
    EXPECT_NE(warning.find("marl: warning: " + std::string(bad)),
              std::string::npos) << warning;
  }
  EXPECT_EQ(threadsFor("threads=99999", warning), MaxThreads);
  EXPECT_NE(warning.find("threads=99999"), std::string::npos) << warning;
}

}  // namespace
}  // namespace marl

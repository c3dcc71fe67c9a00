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
  OptionReader read(map, err);
  const int32_t threads = readThreadCount(read);
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
    EXPECT_EQ(warning, "marl: warning: " + std::string(bad) +
                           " is not a count of 1 or more; using " +
                           std::to_string(cpus) +
                           ", the CPUs this process may use\n");
  }
  EXPECT_EQ(threadsFor("threads=99999", warning), MaxThreads);
  EXPECT_EQ(warning,
            "marl: warning: threads=99999 is above the most, 1024; using "
            "1024\n");
  EXPECT_EQ(MaxThreads, option(key::Threads).hi);
}

// The user's text reaches the terminal escaped: a value cannot move the
// cursor, change colours or set the window's title.
TEST(ThreadCountTest, TheValueIsShownEscaped) {
  std::string warning;
  threadsFor("threads=0\x1b]0;pwned\x07\xff", warning);
  EXPECT_EQ(warning.find_first_of("\x1b\x07\xff"), std::string::npos)
      << warning;
  EXPECT_NE(warning.find("threads=0\\x1b]0;pwned\\x07\\xff is not a count"),
            std::string::npos)
      << warning;
  threadsFor("threads=5000\x1b[2J", warning);
  EXPECT_NE(warning.find("threads=5000\\x1b[2J is above the most"),
            std::string::npos)
      << warning;
}

}  // namespace
}  // namespace marl

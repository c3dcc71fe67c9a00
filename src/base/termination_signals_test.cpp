#include "base/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/files_to_remove.h"

namespace marl {
namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void touch(const std::string& path) { std::fclose(std::fopen(path.c_str(), "w")); }

std::string folder() {
  char name[] = "/tmp/marl-signals-XXXXXX";
  return mkdtemp(name) ? name : "";
}

// Each death test runs in a child process, so the handlers and the closed
// list stay out of the other tests.
TEST(TerminationSignalsDeathTest, ListedFilesGoAndTheStatusNamesTheSignal) {
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    const std::string dir = folder();
    const std::string listed = dir + "/listed", forgotten = dir + "/forgotten",
                      unlisted = dir + "/unlisted";
    EXPECT_EXIT(
        {
          installTerminationHandlers();
          for (const std::string& name : {listed, forgotten, unlisted}) touch(name);
          registerTemporaryFile(listed.c_str());
          forgetTemporaryFile(registerTemporaryFile(forgotten.c_str()));
          raise(signo);
          std::exit(0);
        },
        testing::ExitedWithCode(128 + signo), "");
    EXPECT_FALSE(exists(listed)) << signo;
    EXPECT_TRUE(exists(forgotten)) << signo;
    EXPECT_TRUE(exists(unlisted)) << signo;
    std::system(("rm -rf " + dir).c_str());
  }
}

TEST(TemporaryFiles, ThreadsClaimDistinctEntriesUpToTheCapacity) {
  constexpr int Threads = 8;
  static_assert(MaxTemporaryFiles % Threads == 0);
  std::vector<int> entries(MaxTemporaryFiles, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&entries, t] {
      for (int i = t; i < MaxTemporaryFiles; i += Threads)
        entries[i] = registerTemporaryFile(("f" + std::to_string(i)).c_str());
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<bool> seen(MaxTemporaryFiles, false);
  for (int entry : entries) {
    ASSERT_GE(entry, 0);
    ASSERT_LT(entry, MaxTemporaryFiles);
    EXPECT_FALSE(seen[entry]) << entry;
    seen[entry] = true;
  }
  errno = 0;
  EXPECT_EQ(registerTemporaryFile("one too many"), -1);
  EXPECT_EQ(errno, EMFILE);
  forgetTemporaryFile(entries[5]);
  EXPECT_EQ(registerTemporaryFile("again"), entries[5]);
  for (int entry : entries) forgetTemporaryFile(entry);
  EXPECT_EQ(registerTemporaryFile(std::string(MaxTemporaryName, 'n').c_str()),
            -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
}  // namespace marl

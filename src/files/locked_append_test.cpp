#include "files/locked_append.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

class LockedAppendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/marl_locked_append_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder_ = name;
    path_ = folder_ + "/catalogue.jsonl";
  }
  void TearDown() override {
    std::system(("rm -rf '" + folder_ + "'").c_str());
  }
  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void put(const std::string& text) const {
    std::ofstream(path_, std::ios::binary) << text;
  }

  std::string folder_;
  std::string path_;
};

TEST_F(LockedAppendTest, LinesFollowWhatIsThereEachALineOfItsOwn) {
  const struct {
    const char* before;  // nullptr: no file yet
    const char* after;
  } cases[] = {
      {nullptr, "a\nb\n"},
      {"", "a\nb\n"},
      {"old\n", "old\na\nb\n"},
      // A writer killed mid-line left a part: the new lines stay whole.
      {"{\"cut", "{\"cut\na\nb\n"},
  };
  for (const auto& c : cases) {
    ::unlink(path_.c_str());
    if (c.before) put(c.before);
    std::string why;
    std::unique_ptr<LockedAppendFile> file = LockedAppendFile::open(path_, why);
    ASSERT_NE(file, nullptr) << why;
    EXPECT_TRUE(file->append("a\n", why)) << why;
    EXPECT_TRUE(file->append("b\n", why)) << why;
    EXPECT_EQ(contents(), c.after) << (c.before ? c.before : "(no file)");
  }
}

TEST_F(LockedAppendTest, WhatCannotTakeLinesIsRefusedAtOpening) {
  const std::string fifo = folder_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* why;
  } cases[] = {
      {folder_, "Is a directory"},
      {fifo, "not a plain file"},  // would block without a reader
      {folder_ + "/missing/catalogue", "No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(LockedAppendFile::open(c.path, why), nullptr) << c.path;
    EXPECT_EQ(why, c.why) << c.path;
  }
}

// A write the file-size limit cuts short is a failure, and its part of a
// line is taken back out.
TEST_F(LockedAppendTest, ALineCutShortIsAFailureAndLeavesNoPart) {
  put("first\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{10, 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string why;
    std::unique_ptr<LockedAppendFile> file = LockedAppendFile::open(path_, why);
    if (!file) _exit(2);
    const bool written = file->append("a line too long to fit\n", why);
    _exit(!written && why == "File too large" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(contents(), "first\n");
}

}  // namespace
}  // namespace marl

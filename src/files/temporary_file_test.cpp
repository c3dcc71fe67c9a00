#include "files/temporary_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/leftover_files.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::TempDir;

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool put(TemporaryFile& file, const std::string& text) {
  return file.writeAt(0, reinterpret_cast<const unsigned char*>(text.data()),
                      text.size());
}

// A process id no process has: a child's, once it is reaped.
long deadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(TemporaryFileTest, OwnerIsReadFromTheNameOnlyInItsExactForm) {
  const struct {
    const char* entry;
    bool temporary;
    const char* boot;
    long pid;
  } cases[] = {
      {"a.png.tmp-0123abcd-4242-xY9zQ1", true, "0123abcd", 4242},
      {".marl.tmp-ffffffff-1-abcdef", true, "ffffffff", 1},
      {"a.png.tmp-abcdef", false, "", 0},              // no owner in it
      {"a.png.tmp-0123abcg-4242-xY9zQ1", false, "", 0},  // not hex
      {"a.png.tmp-0123abcd-42x2-xY9zQ1", false, "", 0},  // not a pid
      {"a.png.tmp-0123abcd-4242-xY9zQ", false, "", 0},   // 5 letters
      {"a.png.tmp-0123abcd-4242-xY9z-1", false, "", 0},
      {"a.png.tmp-0123abcd--xY9zQ1", false, "", 0},
      {"a.png", false, "", 0},
  };
  for (const auto& c : cases) {
    std::string boot;
    long pid = 0;
    EXPECT_EQ(isTemporaryName(c.entry, boot, pid), c.temporary) << c.entry;
    if (!c.temporary) continue;
    EXPECT_EQ(boot, c.boot) << c.entry;
    EXPECT_EQ(pid, c.pid) << c.entry;
  }
  std::string boot;
  long pid = 0;
  EXPECT_TRUE(isTemporaryName("x" + temporaryNameMark() + "abcdef", boot, pid));
  EXPECT_EQ(pid, long(getpid()));
}

// Only a dead owner's leftovers go: a live process's, a locked file, a
// fresh one from another machine, an old program's and folders stay.
TEST(TemporaryFileTest, DeadOwnersLeftoversAreRemovedAndNothingElse) {
  TempDir dir;
  const std::string mark = temporaryNameMark();
  const std::string boot = mark.substr(5, 8);
  const std::string dead = std::to_string(deadPid());
  const std::string otherBoot = boot == "00000000" ? "11111111" : "00000000";
  const std::vector<std::string> removed = {
      "a.png.tmp-" + boot + "-" + dead + "-aaaaaa",
      ".marl.tmp-" + boot + "-" + dead + "-bbbbbb",
      "old.gif.tmp-" + otherBoot + "-" + dead + "-cccccc",
  };
  const std::vector<std::string> kept = {
      "b.png" + mark + "dddddd",                             // alive: this one
      "c.png.tmp-" + boot + "-" + dead + "-eeeeee",          // locked
      "d.png.tmp-" + otherBoot + "-" + dead + "-ffffff",     // fresh, foreign
      "e.png.tmp-abcdef",                                    // no owner
      "f.png",
  };
  for (const std::string& name : removed) writeText(dir.file(name), "x");
  for (const std::string& name : kept) writeText(dir.file(name), "x");
  mkdir(dir.file("g.png.tmp-" + boot + "-" + dead + "-gggggg").c_str(), 0777);
  // Two minutes untouched.
  const timeval old[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
  utimes(dir.file(removed[2]).c_str(), old);
  const int locked = open(dir.file(kept[1]).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(locked, LOCK_EX), 0);
  removeDeadLeftovers(dir.path());
  std::vector<std::string> expected = kept;
  expected.push_back("g.png.tmp-" + boot + "-" + dead + "-gggggg");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.entries(), expected);
  close(locked);
}

// Named or unnamed, the file is nowhere until it has its name, takes no
// name that is taken, and replaces only when told to.
TEST(TemporaryFileTest, EachKindTakesFreeNamesAndReplacesOnlyWhenTold) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "unnamed where possible");
    TempDir dir;
    const std::string name = dir.file("a.png");
    writeText(name, "old");
    {
      TemporaryFile file;
      ASSERT_TRUE(named ? file.createNamed(name) : file.create(name));
      EXPECT_EQ(dir.entries().size(), file.unnamed() ? 1u : 2u);
      ASSERT_TRUE(put(file, "new"));
      ASSERT_TRUE(file.sync());
      ASSERT_TRUE(file.close());
      EXPECT_FALSE(file.moveToNewName(name));
      EXPECT_EQ(errno, EEXIST);
      EXPECT_EQ(contentOf(name), "old");
      ASSERT_TRUE(file.moveToNewName(dir.file("b.png")));
      EXPECT_TRUE(file.syncFolder());
    }
    EXPECT_EQ(contentOf(dir.file("b.png")), "new");
    {
      TemporaryFile file;
      ASSERT_TRUE(named ? file.createNamed(name) : file.create(name));
      ASSERT_TRUE(put(file, "mended"));
      ASSERT_TRUE(file.sync() && file.close());
      ASSERT_TRUE(file.replace(name));
    }
    EXPECT_EQ(contentOf(name), "mended");
    {
      TemporaryFile dropped;
      ASSERT_TRUE(named ? dropped.createNamed(name) : dropped.create(name));
      ASSERT_TRUE(put(dropped, "lost"));
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "b.png"}));
  }
}

}  // namespace
}  // namespace marl

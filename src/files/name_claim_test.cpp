#include "files/name_claim.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::TempDir;

// One holder a name at a time, in one folder: another name, the same name
// in another folder, a released claim and a dead holder's claim are free.
TEST(NameClaimTest, OneHolderANameUntilItLetsGoOrDies) {
  TempDir dir, other;
  const std::string name = dir.file("a_f0001.png");
  NameClaim first, second, elsewhere, another;
  ASSERT_TRUE(first.tryClaim(name));
  EXPECT_FALSE(second.tryClaim(name));
  EXPECT_TRUE(another.tryClaim(dir.file("a_f0002.png")));
  EXPECT_TRUE(elsewhere.tryClaim(other.file("a_f0001.png")));
  first.release();
  EXPECT_TRUE(second.tryClaim(name));
  second.release();

  // A child claims it and is killed while holding it.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    NameClaim held;
    const char said = held.tryClaim(name) ? 'y' : 'n';
    if (write(ready[1], &said, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char said = 0;
  ASSERT_EQ(read(ready[0], &said, 1), 1);
  EXPECT_EQ(said, 'y');
  EXPECT_FALSE(first.tryClaim(name));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(first.tryClaim(name));
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
}  // namespace marl

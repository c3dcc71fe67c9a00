// Fast mode against exact mode, with the real binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

const std::vector<std::string> kBatch = {"count=3", "quazi=true",
                                         "it=3500000", "size=300"};

std::vector<std::string> plus(std::vector<std::string> args,
                              const std::string& word) {
  args.push_back(word);
  return args;
}

// Fast mode takes every draw exact mode takes, so the console and the
// names are the same; only the pictures' counts differ.
TEST(FastEndToEnd, SameDrawsSameConsoleSameNames) {
  TempFolder exact, fast;
  const RunResult e = runMarl(exact, kBatch);
  const RunResult f = runMarl(fast, plus(kBatch, "mode=fast"));
  ASSERT_EQ(e.status, 0) << e.err;
  ASSERT_EQ(f.status, 0) << f.err;
  EXPECT_EQ(f.out, e.out);
  EXPECT_EQ(f.err, "");
  EXPECT_EQ(fast.files(), exact.files());
  ASSERT_EQ(fast.files().size(), 6u);
  bool anyDiffers = false;
  for (const std::string& name : exact.files())
    anyDiffers |= fast.read(name) != exact.read(name);
  EXPECT_TRUE(anyDiffers);  // the fast orbits did run
}

TEST(FastEndToEnd, UnknownModeWarnsAndRunsExact) {
  TempFolder folder;
  const RunResult run = runMarl(folder, {"mode=quick", "it=0"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("marl: warning: mode=quick is neither exact nor "
                         "fast; using exact"),
            std::string::npos);
}

}  // namespace
}  // namespace marl_e2e

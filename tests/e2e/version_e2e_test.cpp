// End-to-end runs of `marl --version` / `marl version`.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

TEST(VersionEndToEnd, PrintsTheProjectVersionAlone) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--version"}, {"version"}, {"help", "version"},
        {"--version", "count=2"}}) {
    TempFolder folder;
    const RunResult run = runMarl(folder, args);
    EXPECT_EQ(run.status, 0) << args[0];
    EXPECT_EQ(run.out, "marl " MARL_VERSION "\n") << args[0];
    EXPECT_EQ(run.err, "") << args[0];
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(VersionEndToEnd, AfterAPairItIsIgnoredWithAWarning) {
  TempFolder folder;
  const RunResult run = runMarl(folder, {"count=0", "--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, usageText() + "0 image(s) will be created\n");
  EXPECT_EQ(run.err,
            "marl: warning: ignoring '--version': a word without '=' counts "
            "only before the first key=value word\n");
}

}  // namespace
}  // namespace marl_e2e

// Fast mode against exact mode, with the real binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

const std::vector<std::string> Batch = {"count=3", "quazi=true",
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
  const RunResult e = runMarl(exact, Batch);
  const RunResult f = runMarl(fast, plus(Batch, "mode=fast"));
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

// The fast orbits are cut into the same chunks whatever the thread count,
// and their counts add up as whole numbers.
TEST(FastEndToEnd, OneAndTwoThreadsPaintTheSamePicture) {
  const std::vector<std::string> one = {"mode=fast", "it=30000000",
                                        "size=500", "image=bmp", "threads=1"};
  std::vector<std::string> two = one;
  two.back() = "threads=2";
  TempFolder a, b;
  const RunResult first = runMarl(a, one);
  const RunResult second = runMarl(b, two);
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(first.out, second.out);
  ASSERT_EQ(a.files().size(), 1u);
  ASSERT_EQ(a.files(), b.files());
  EXPECT_TRUE(a.read(a.files()[0]) == b.read(b.files()[0]));
}

// A fast picture's recipe makes the same files again, on another thread
// count too: the replay's fast orbits start where the original's did.
TEST(FastEndToEnd, FastPicturesReplayByteForByte) {
  struct Case {
    const char* image;
    bool tiling;
    const char* threads;        // of the original
    const char* replayThreads;
  };
  const Case cases[] = {
      {"jpeg", false, "threads=1", "threads=2"},
      {"jpeg", true, "threads=2", "threads=1"},
      {"png", false, "threads=2", "threads=1"},
      {"png", true, "threads=1", "threads=2"},
      {"tiff", false, "threads=1", "threads=2"},
      {"tiff", true, "threads=2", "threads=1"},
      {"webp", false, "threads=2", "threads=1"},
      {"webp", true, "threads=1", "threads=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.image) + (c.tiling ? " tiled " : " ") +
                 c.threads);
    // Past the exact prefix and start points, so the fast orbits run.
    std::vector<std::string> args = {"mode=fast", "size=60", "it=3400000",
                                     std::string("image=") + c.image,
                                     c.threads};
    if (c.tiling) args.push_back("quazi=true");
    TempFolder made, again;
    const RunResult first = runMarl(made, args);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::vector<std::string> names = made.files();
    ASSERT_EQ(names.size(), c.tiling ? 2u : 1u);
    const std::string& picture = names[0];  // the attractor sorts first
    ASSERT_EQ(picture.find("quazi"), std::string::npos);
    const RunResult replay = runMarl(
        again, {"file=" + made.path() + "/" + picture, c.replayThreads});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.err, "");
    ASSERT_EQ(again.files(), names);
    for (const std::string& name : names)
      EXPECT_TRUE(again.read(name) == made.read(name)) << name;
  }
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

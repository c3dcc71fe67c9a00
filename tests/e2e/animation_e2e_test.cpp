// Animations with the real binary: frames made in pieces, by ranges, by
// GNU parallel or after a kill, are the frames of one run.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/frame_difference.h"

namespace marl_e2e {
namespace {

std::vector<std::string> plus(std::vector<std::string> args,
                              const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The folder's pictures, without the captured output.
std::vector<std::string> pictures(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folder.files())
    if (name[0] != '.') names.push_back(name);
  return names;
}

// Whether two folders hold the same pictures, byte for byte.
::testing::AssertionResult sameFrames(const TempFolder& a,
                                      const TempFolder& b) {
  if (pictures(a) != pictures(b))
    return ::testing::AssertionFailure() << "the folders hold other names";
  for (const std::string& name : pictures(a))
    if (a.read(name) != b.read(name))
      return ::testing::AssertionFailure() << name << " differs";
  return ::testing::AssertionSuccess();
}

// The value of `key` in the recipe a picture carries.
std::string recipeValue(const TempFolder& folder, const std::string& picture,
                        const std::string& key) {
  const std::string bytes = folder.read(picture);
  const std::size_t at = bytes.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  const std::size_t from = at + key.size() + 2;
  return bytes.substr(from, bytes.find('\n', from) - from);
}

const std::vector<std::string> Eight = {"frames=8", "size=120"};

TEST(AnimationEndToEnd, RangesInAnyOrderAndGnuParallelMakeTheFramesOfOneRun) {
  TempFolder whole, halves, shards;
  const RunResult one = runMarl(whole, Eight);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.err, "");
  const std::vector<std::string> names = pictures(whole);
  ASSERT_EQ(names.size(), 8u);
  std::string frameLines;
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(std::regex_match(
        names[std::size_t(i)],
        std::regex("symmetric_square[0-9]{6}_f000" + std::to_string(i) +
                   "\\.png")));
    frameLines += "frame " + std::to_string(i) + " of 8: " +
                  names[std::size_t(i)] + "\n";
  }
  // The job's own lines (fast mode, 50 hits per pixel), then the frames.
  EXPECT_NE(one.out.find("Image will be png type\n"), std::string::npos);
  EXPECT_NE(one.out.find("\nWill run to 720000\n"), std::string::npos);
  EXPECT_EQ(one.out.substr(one.out.size() - frameLines.size()), frameLines);
  EXPECT_EQ(recipeValue(whole, names[5], "frame"), "5");
  EXPECT_EQ(recipeValue(whole, names[5], "mode"), "fast");

  for (const char* range : {"only=4-7", "only=0-3"}) {
    const RunResult half = runMarl(halves, plus(Eight, {range}));
    ASSERT_EQ(half.status, 0) << half.err;
  }
  EXPECT_TRUE(sameFrames(halves, whole));

  const std::string command =
      "cd '" + shards.path() +
      "' && TZ=UTC LD_PRELOAD='/usr/$LIB/faketime/libfaketime.so.1' "
      "FAKETIME='" + FrozenTime + "' parallel --will-cite -j 4 " + MARL_BINARY +
      " frames=8 size=120 only={} ::: 0-1 2-3 4-5 6-7 >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0)
      << "GNU parallel is missing? scripts/install-deps.sh installs it";
  EXPECT_TRUE(sameFrames(shards, whole));
}

TEST(AnimationEndToEnd, AFrameMakesItsAnimationAgainAndMadeFramesAreSkipped) {
  // The second tiling's drawn qx and qy (68, 69 at the frozen clock) lie
  // above its qsize: every frame keeps them as drawn, as its recipe says.
  const std::vector<std::vector<std::string>> cases = {
      {"frames=4", "size=100", "quazi=true", "qsize=120"},
      {"frames=4", "size=80", "quazi=true", "qsize=60", "it=300000"}};
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args[1]);
    TempFolder made, elsewhere;
    const RunResult first = runMarl(made, args);
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.err, "");
    const std::vector<std::string> names = pictures(made);
    ASSERT_EQ(names.size(), 8u);  // each frame with its tiling
    if (args[3] == "qsize=60") {
      EXPECT_GT(std::stoi(recipeValue(made, names[2], "qx")), 60);
      EXPECT_GT(std::stoi(recipeValue(made, names[2], "qy")), 60);
    }
    const std::string frame = made.path() + "/" + names[2];
    const RunResult replay =
        runMarl(elsewhere, {"file=" + frame}, "2027-05-05 12:00:00");
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_TRUE(sameFrames(elsewhere, made));

    const RunResult again = runMarl(made, {"file=" + frame});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.find("frame 0 of 4"), std::string::npos);
    EXPECT_NE(again.err.find("marl: note: '" + names[3] +
                             "' holds this frame already; skipped\n"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(pictures(made), names);
  }
}

TEST(AnimationEndToEnd, AKilledRunResumesToTheSameFramesWithoutTemporaryFiles) {
  const std::vector<std::string> args = {"frames=12", "size=160", "threads=1"};
  TempFolder whole, killed;
  ASSERT_EQ(runMarl(whole, args).status, 0);
  {
    // Halted once three frames are written, it is stopped mid-frame.
    MarlProcess marl(killed, args);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(300);
    while (std::chrono::steady_clock::now() < deadline && marl.halt()) {
      if (pictures(killed).size() >= 3) break;
      marl.resume();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    marl.signal(SIGTERM);
    marl.resume();
    const RunResult stopped = marl.wait();
    ASSERT_EQ(stopped.status, 128 + SIGTERM) << "ended before the signal";
  }
  EXPECT_LT(pictures(killed).size(), 12u);
  const RunResult resumed = runMarl(killed, args);
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("holds this frame already; skipped"),
            std::string::npos);
  EXPECT_TRUE(sameFrames(killed, whole));
  for (const std::string& name : killed.files())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// Keyframes are made from maps given on the command line; all share
// linear=-1 and offset=0 but the one with linear=2.
TEST(AnimationEndToEnd, MorphKeyframesMustShareTheMapAndEmptyStretchesAreNamed) {
  TempFolder folder;
  const std::vector<std::string> map = {
      "offset=0", "startx=0.7", "starty=0.16", "number=1", "attempt=1",
      "detail=3", "it=1500000", "size=100"};
  const std::vector<std::vector<std::string>> keys = {
      {"basename=a", "linear=-1",
       "coefficients=-0.2,0.23,0.24,-0.39,-0.35,0.18,-0.25,-0.006,0.18"},
      {"basename=b", "linear=-1",
       "coefficients=-0.15,0.28,0.2,-0.35,-0.4,0.22,-0.2,0.04,0.13"},
      {"basename=c", "linear=2",
       "coefficients=-0.15,0.28,0.2,-0.35,-0.4,0.22,-0.2,0.04,0.13"},
      {"basename=d", "linear=-1", "coefficients=0,0,0,0,0,0,0,0,0"}};
  for (const std::vector<std::string>& key : keys)
    ASSERT_EQ(runMarl(folder, plus(map, key)).status, 0);
  const std::vector<std::string> stills = pictures(folder);

  const RunResult mismatch = runMarl(
      folder, {"file=a000001.jpg", "morph=b000001.jpg,c000001.jpg", "frames=4"});
  EXPECT_EQ(mismatch.status, 1);
  EXPECT_NE(mismatch.err.find("marl: error: morph keyframe 'c000001.jpg' has "
                              "detail=3 linear=2 offset=0 where the job's map "
                              "has detail=3 linear=-1 offset=0"),
            std::string::npos)
      << mismatch.err;
  EXPECT_EQ(runMarl(folder, {"morph=b000001.jpg", "frames=4"}).status, 1);
  EXPECT_EQ(pictures(folder), stills);

  const RunResult morph =
      runMarl(folder, {"file=a000001.jpg", "morph=b000001.jpg", "frames=6",
                       "basename=m"});
  ASSERT_EQ(morph.status, 0) << morph.err;
  EXPECT_EQ(morph.err, "");
  EXPECT_NE(recipeValue(folder, "m000001_f0003.png", "keyframes"), "");
  // The still's recipe gave its map, not how frames are made.
  EXPECT_NE(morph.out.find("\nWill run to 500000\n"), std::string::npos);
  EXPECT_EQ(recipeValue(folder, "m000001_f0003.png", "mode"), "fast");
  const RunResult empty =
      runMarl(folder, {"file=a000001.jpg", "morph=d000001.jpg", "frames=4",
                       "basename=z"});
  EXPECT_EQ(empty.status, 0);
  EXPECT_NE(empty.err.find("marl: warning: the morph from the job's map to "
                           "'d000001.jpg' fills only"),
            std::string::npos)
      << empty.err;
}

// At this second the first plane drawn for this loop collapses the orbit
// near frame 1; the second keeps the picture filled.
TEST(AnimationEndToEnd, ALoopWhoseFirstPlaneEmptiesDrawsAnother) {
  const std::vector<std::string> args = {"frames=2", "size=200", "loop=0.1",
                                         "detail=3", "only=0"};
  const char* const time = "2026-01-01 00:00:10";
  TempFolder folder;
  const RunResult run = runMarl(folder, args, time);
  ASSERT_EQ(run.status, 0) << run.err;
  std::smatch note;
  const std::string err = run.err;
  ASSERT_TRUE(std::regex_match(
      err, note,
      std::regex("marl: note: the loop in plane ([0-9]+) fills only [0-9.]+% "
                 "of the picture near frame [01]; drawing another plane\n")))
      << err;
  const std::string kept = recipeValue(folder, pictures(folder)[0], "plane");
  EXPECT_NE(kept, "");
  EXPECT_NE(kept, note[1].str());

  TempFolder given;
  const RunResult first =
      runMarl(given, plus(args, {"plane=" + note[1].str()}), time);
  EXPECT_NE(first.err.find("marl: warning: the loop in plane=" +
                           note[1].str() + " fills only"),
            std::string::npos)
      << first.err;
}

// Consecutive frames differ by their grain and a little motion; no frame
// may jump: the largest difference stays within 3 times the median, from
// the last frame back to the first too (bench/animation_speed.sh measures
// the same on 60 frames at size 1080).
TEST(AnimationEndToEnd, ALoopAtTheDefaultRadiusDoesNotFlicker) {
  TempFolder folder;
  ASSERT_EQ(runMarl(folder, {"frames=24", "size=128"}).status, 0);
  std::vector<std::string> paths;
  for (const std::string& name : pictures(folder))
    paths.push_back(folder.path() + "/" + name);
  ASSERT_EQ(paths.size(), 24u);
  const std::vector<double> differences =
      marl_test::loopFrameDifferences(paths);
  ASSERT_EQ(differences.size(), 24u);
  const double median = marl_test::median(differences);
  EXPECT_GT(median, 0.0);
  for (std::size_t i = 0; i < differences.size(); ++i)
    EXPECT_LE(differences[i], 3 * median) << "frame " << i << " to the next";
}

// A still must stay the picture it always was: this one's bytes are pinned.
TEST(AnimationEndToEnd, StillsAreUnchanged) {
  TempFolder folder;
  ASSERT_EQ(runMarl(folder, {"size=64", "it=1500000", "image=bmp"}).status, 0);
  ASSERT_EQ(pictures(folder),
            std::vector<std::string>{"symmetric_square007104.bmp"});
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : folder.read("symmetric_square007104.bmp")) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  EXPECT_EQ(hash, 0x39c11f598175c6ecull);
}

TEST(AnimationEndToEnd, RangesAndPathsThatAreNotOneAreErrors) {
  TempFolder folder;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"frames=4", "only=3-1"},
        {"frames=4", "only=x"},
        {"frames=4", "only=4"},
        {"frames=4", "loop=0.1", "morph=a.jpg"}}) {
    const RunResult run = runMarl(folder, args);
    EXPECT_EQ(run.status, 1) << args[1];
    EXPECT_NE(run.err.find("; nothing is made\n"), std::string::npos)
        << run.err;
  }
  EXPECT_TRUE(pictures(folder).empty());
}

}  // namespace
}  // namespace marl_e2e

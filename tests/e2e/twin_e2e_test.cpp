// Frames and videos that meet twins (two runs on the same frames at once),
// broken files and SIGKILL: each ends as the set one clean run makes.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

std::vector<std::string> plus(std::vector<std::string> args,
                              const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The folder's files but the captured output, with their bytes.
std::map<std::string, std::string> setOf(const TempFolder& folder) {
  std::map<std::string, std::string> set;
  for (const std::string& name : folder.files())
    if (name[0] != '.') set[name] = folder.read(name);
  return set;
}

// Names only, for a readable failure.
std::vector<std::string> namesOf(const std::map<std::string, std::string>& set) {
  std::vector<std::string> names;
  for (const auto& entry : set) names.push_back(entry.first);
  return names;
}

void expectSameSet(const TempFolder& folder,
                   const std::map<std::string, std::string>& expected) {
  const std::map<std::string, std::string> set = setOf(folder);
  EXPECT_EQ(namesOf(set), namesOf(expected));
  EXPECT_TRUE(set == expected) << "same names, other bytes";
}

// Tiny frames, so that twenty rounds take seconds.
const std::vector<std::string> Frames = {"frames=6", "size=48", "it=40000",
                                         "threads=1"};

// Two processes started together on the same frames, or on overlapping
// ranges, twenty times: every frame once, no NAME-2 file, no video twice,
// the bytes of one run.
TEST(TwinEndToEnd, TwinsOnTheSameAndOverlappingFramesMakeOneRunsSet) {
  TempFolder whole, wholeWithVideo;
  ASSERT_EQ(runMarl(whole, Frames).status, 0);
  const std::vector<std::string> withVideo = plus(Frames, {"video=gif,webp"});
  ASSERT_EQ(runMarl(wholeWithVideo, withVideo).status, 0);
  const auto frames = setOf(whole), framesAndVideos = setOf(wholeWithVideo);
  ASSERT_EQ(frames.size(), 6u);
  ASSERT_EQ(framesAndVideos.size(), 8u);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const bool same = round % 2 == 0;
    TempFolder folder;
    MarlProcess first(folder, same ? withVideo : plus(Frames, {"only=0-3"}));
    MarlProcess second(folder, same ? withVideo : plus(Frames, {"only=2-5"}));
    const RunResult a = first.waitAtMost(std::chrono::seconds(120));
    const RunResult b = second.waitAtMost(std::chrono::seconds(120));
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(b.status, 0) << b.err;
    for (const std::string& err : {a.err, b.err}) {
      EXPECT_EQ(err.find("marl: warning"), std::string::npos) << err;
      EXPECT_EQ(err.find("marl: error"), std::string::npos) << err;
    }
    expectSameSet(folder, same ? framesAndVideos : frames);
  }
}

// A frame cut at half and one with image bytes flipped are made again on
// the next run, each replaced with a warning naming it; the set is then a
// clean run's.
TEST(TwinEndToEnd, CutAndDamagedFramesAreMadeAgain) {
  TempFolder whole, damaged;
  ASSERT_EQ(runMarl(whole, Frames).status, 0);
  ASSERT_EQ(runMarl(damaged, Frames).status, 0);
  const auto clean = setOf(whole);
  const std::vector<std::string> names = namesOf(clean);
  ASSERT_EQ(names.size(), 6u);
  const std::string cut = names[1], flipped = names[4];
  std::string bytes = damaged.read(cut);
  damaged.write(cut, bytes.substr(0, bytes.size() / 2));
  bytes = damaged.read(flipped);
  // Past the text, before IEND: in the image data.
  for (std::size_t at = bytes.size() - 40; at < bytes.size() - 20; ++at)
    bytes[at] = char(~bytes[at]);
  damaged.write(flipped, bytes);
  const RunResult again = runMarl(damaged, Frames);
  EXPECT_EQ(again.status, 0) << again.err;
  for (const std::string& name : {cut, flipped}) {
    EXPECT_NE(again.err.find("marl: warning: '" + name + "' was broken ("),
              std::string::npos)
        << again.err;
  }
  EXPECT_EQ(again.err.find("-2.png"), std::string::npos) << again.err;
  expectSameSet(damaged, clean);
  // Once whole, nothing is made again.
  const RunResult third = runMarl(damaged, Frames);
  EXPECT_EQ(third.err.find("broken"), std::string::npos) << third.err;
  expectSameSet(damaged, clean);
}

// A batch run twice in one second in one folder (the clock frozen) finds
// its pictures made and doubles none.
TEST(TwinEndToEnd, AStillBatchRunTwiceDoesNotDouble) {
  TempFolder once, twice;
  const std::vector<std::string> batch = {"count=3", "size=40", "it=20000",
                                          "image=png"};
  ASSERT_EQ(runMarl(once, batch).status, 0);
  ASSERT_EQ(runMarl(twice, batch).status, 0);
  const RunResult again = runMarl(twice, batch);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("holds this very picture already"),
            std::string::npos)
      << again.err;
  expectSameSet(twice, setOf(once));
}

// A video holds its frames' recipe but not its frame rate: one found under
// the name is a twin only when it holds the same bytes; another rate's is
// foreign, and the new one takes the next free name.
TEST(TwinEndToEnd, AVideoOfAnotherFrameRateIsNotATwin) {
  TempFolder folder;
  const std::vector<std::string> args = plus(Frames, {"video=gif"});
  ASSERT_EQ(runMarl(folder, args).status, 0);
  const RunResult same = runMarl(folder, args);
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_NE(same.err.find("holds this very picture already"), std::string::npos)
      << same.err;
  EXPECT_EQ(setOf(folder).size(), 7u);
  const RunResult slower = runMarl(folder, plus(args, {"fps=10"}));
  EXPECT_EQ(slower.status, 0) << slower.err;
  EXPECT_NE(slower.err.find(".gif' exists; wrote '"), std::string::npos)
      << slower.err;
  EXPECT_EQ(setOf(folder).size(), 8u);
}

// SIGKILL at random moments of a frames-and-videos run, twenty times, each
// followed by a look for leftovers, then one run to the end: no temporary
// file anywhere, and the set of a run never killed.
TEST(TwinEndToEnd, SigkillAtAnyMomentLeavesNoTemporaryFile) {
  const std::vector<std::string> args = plus(Frames, {"video=gif,webp,mp4"});
  TempFolder whole, killed;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(runMarl(whole, args).status, 0);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::mt19937 pick(26);
  std::uniform_int_distribution<long> moment(0, took.count());
  int caughtWriting = 0;
  for (int kill = 0; kill < 20; ++kill) {
    SCOPED_TRACE(kill);
    MarlProcess marl(killed, args);
    // Every other kill comes a random while after it starts; the others
    // once it holds a temporary file, named or not, as later runs spend most
    // of their time before writing anything and a write is brief.
    if (kill % 2 == 1) {
      const auto writing = [&] {
        for (const std::string& name : marl.namesWithUnnamed())
          if (name.find(".tmp-") != std::string::npos) return true;
        return false;
      };
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
      while (!writing() && !marl.ended() &&
             std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(pick)));
    }
    for (const std::string& name : marl.namesWithUnnamed())
      caughtWriting += name.find(".tmp-unnamed") != std::string::npos;
    marl.signal(SIGKILL);
    marl.waitAtMost(std::chrono::seconds(120));
    for (const std::string& name : killed.files())
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
  EXPECT_GT(caughtWriting, 0) << "no kill came while a file was written";
  const RunResult last = runMarl(killed, args);
  EXPECT_EQ(last.status, 0) << last.err;
  for (const std::string& name : killed.files())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  expectSameSet(killed, setOf(whole));
}

// Where the file system has no unnamed files, temporary files are named:
// SIGKILL leaves them, and the next run in the folder removes every one
// whose writer is dead, while the set it finishes is a clean run's. Each
// run is killed once it has made a temporary file or a few, so every one
// has looked at the leftovers before it.
TEST(TwinEndToEnd, AKilledRunsNamedTemporaryFilesAreRemovedByTheNext) {
  const std::vector<std::string> args = plus(Frames, {"video=gif,webp,mp4"});
  Launch named;
  named.preload = NO_UNNAMED_FILES;
  TempFolder whole, killed;
  MarlProcess clean(whole, args, named);
  ASSERT_EQ(clean.waitAtMost(std::chrono::seconds(120)).status, 0);
  const auto isTemporary = [](const std::string& name) {
    return name.find(".tmp-") != std::string::npos;
  };
  std::mt19937 pick(6);
  std::uniform_int_distribution<long> moment(1, 3);
  int leftBehind = 0, cleanedAfter = 0;
  for (int kill = 0; kill < 6; ++kill) {
    SCOPED_TRACE(kill);
    std::vector<std::string> before;
    for (const std::string& name : killed.files())
      if (isTemporary(name)) before.push_back(name);
    MarlProcess marl(killed, args, named);
    // Killed once it has made a random number of its three videos'
    // temporary files, which come first and stay until it ends (waiting
    // for a frame's too could miss each brief one under load).
    const std::size_t made = std::size_t(moment(pick));
    std::set<std::string> seen;
    marl.waitForFiles(
        [&](const std::vector<std::string>& names) {
          for (const std::string& name : names)
            if (isTemporary(name) &&
                std::count(before.begin(), before.end(), name) == 0)
              seen.insert(name);
          return seen.size() >= made;
        },
        std::chrono::seconds(120));
    marl.signal(SIGKILL);
    const RunResult dead = marl.waitAtMost(std::chrono::seconds(120));
    if (dead.signal != SIGKILL) {
      // The runs killed before it had finished every frame, and it only
      // had the videos to write: a whole set, without leftovers. The next
      // run starts from nothing, so that it has files to write.
      ASSERT_EQ(dead.status, 0) << dead.err;
      for (const std::string& name : killed.files()) {
        EXPECT_FALSE(isTemporary(name)) << name;
        std::filesystem::remove(killed.path() + "/" + name);
      }
      continue;
    }
    // What the killed run left may stay; what the one before left is gone
    // once this one has made a file beside it (and so looked first).
    std::vector<std::string> now, fresh;
    for (const std::string& name : killed.files())
      if (isTemporary(name)) now.push_back(name);
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                        std::back_inserter(fresh));
    leftBehind += int(fresh.size());
    if (!fresh.empty() && !before.empty()) {
      ++cleanedAfter;
      for (const std::string& old : before)
        EXPECT_EQ(std::count(now.begin(), now.end(), old), 0) << old;
    }
  }
  EXPECT_GT(leftBehind, 0) << "no kill caught a named temporary file";
  EXPECT_GT(cleanedAfter, 0) << "no run wrote beside another's leftovers";
  MarlProcess last(killed, args, named);
  const RunResult finished = last.waitAtMost(std::chrono::seconds(120));
  EXPECT_EQ(finished.status, 0) << finished.err;
  for (const std::string& name : killed.files())
    EXPECT_FALSE(isTemporary(name)) << name;
  expectSameSet(killed, setOf(whole));
}

}  // namespace
}  // namespace marl_e2e

// Kept counts with the real binary: pictures coloured again from a counts
// file, runs counted on from one, and checkpoints that outlive a SIGKILL.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "attractor/hit_grid.h"
#include "e2e/marl_process.h"
#include "image/counts_tiff.h"
#include "readers/counts_file_reader.h"

namespace marl_e2e {
namespace {

using Words = std::vector<std::string>;

Words joined(Words a, const Words& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A counts file, under its own name or a numbered one.
bool isCounts(const std::string& name) {
  return name.find("_counts") != std::string::npos &&
         name.find(".tif") != std::string::npos;
}

std::string countsIn(const TempFolder& folder) {
  for (const std::string& name : folder.files())
    if (isCounts(name)) return folder.path() + "/" + name;
  return "";
}

// The files of the folder but its counts and the captured output.
std::vector<std::string> pictures(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folder.files())
    if (name[0] != '.' && !isCounts(name)) names.push_back(name);
  return names;
}

void expectSamePictures(const TempFolder& a, const TempFolder& b) {
  ASSERT_EQ(pictures(a), pictures(b));
  for (const std::string& name : pictures(a))
    EXPECT_TRUE(a.read(name) == b.read(name)) << name;
}

const Words Small = {"size=200", "it=1500000"};

TEST(CountsEndToEnd, ColouringTheCountsGivesTheRunsPicturesByteForByte) {
  const std::vector<Words> cases = {
      {"image=jpeg"},
      {"image=tiff", "depth=16"},
      {"image=png", "depth=16", "background=none"},
      {"image=gif", "palette=magma"},
      {"image=bmp", "width=300", "height=120", "shiftx=0.25"},
      {"image=webp", "colors=0b0b2e,1f6fb2,f2f2f2", "tone=log"},
      {"image=png", "quazi=true", "qline=6", "qsize=150"},
  };
  for (const Words& extra : cases) {
    SCOPED_TRACE(extra[0] + " " + extra.back());
    TempFolder made;
    const RunResult run = runMarl(made, joined(joined(Small, extra), {"counts=true"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string counts = countsIn(made);
    ASSERT_NE(counts, "");
    TempFolder again;
    const RunResult coloured = runMarl(again, {"file=" + counts});
    ASSERT_EQ(coloured.status, 0) << coloured.err;
    EXPECT_EQ(coloured.err, "");
    EXPECT_EQ(coloured.out, run.out.substr(0, coloured.out.size()));
    EXPECT_EQ(countsIn(again), "") << "colouring writes no counts";
    expectSamePictures(made, again);
  }
}

TEST(CountsEndToEnd, OtherColoursFromTheCountsAreTheReplaysWithThem) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, joined(Small, {"counts=true"})).status, 0);
  const std::string picture = made.path() + "/" + pictures(made)[0];
  const Words changes = {"palette=viridis", "width=260", "image=png",
                         "depth=16"};
  TempFolder fromCounts, replayed;
  const RunResult a = runMarl(fromCounts, joined({"file=" + countsIn(made)}, changes));
  const RunResult b = runMarl(replayed, joined({"file=" + picture}, changes));
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  expectSamePictures(fromCounts, replayed);
}

TEST(CountsEndToEnd, CountingOnToALargerItEqualsTheDirectRun) {
  for (const char* mode : {"mode=exact", "mode=fast"}) {
    SCOPED_TRACE(mode);
    // Fast: the first run's fast orbits have begun, and stop part-way
    // through a round of some chunks.
    const bool fast = std::string(mode) == "mode=fast";
    const Words first = {"size=200", fast ? "it=3500037" : "it=1200000", mode,
                         "counts=true"};
    const std::string more = fast ? "it=9000011" : "it=4000000";
    TempFolder made;
    ASSERT_EQ(runMarl(made, first).status, 0);
    const std::string picture = made.path() + "/" + pictures(made)[0];
    TempFolder extended, direct;
    const RunResult a =
        runMarl(extended, {"file=" + countsIn(made), more, "counts=true"});
    const RunResult b = runMarl(direct, {"file=" + picture, more, "counts=true"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    expectSamePictures(extended, direct);
    // The counts, and the state to go on from, are the direct run's too.
    ASSERT_NE(countsIn(extended), "");
    EXPECT_TRUE(extended.read(countsIn(extended).substr(extended.path().size() + 1)) ==
                direct.read(countsIn(direct).substr(direct.path().size() + 1)));
  }
}

// `it` for a fast run that is checkpointed a few times on its way: `hits`
// in a release build. Fast checkpoints come between rounds of 2^27 hits,
// so the sanitizer build, too slow for `hits`, counts three rounds.
std::string longFastRun(long hits) {
  return "it=" + std::to_string(SanitizerBuild ? 3L << 27 : hits);
}

// A run with checkpoints killed once its first checkpoint is written, at a
// random moment up to 0.4 s after (well before the end on a fast machine),
// then started again with the same command, ends
// with the picture of a run never stopped: an exact and a fast replay, and
// an exact run counting on from a counts file (whose checkpoints take a
// numbered name beside it).
TEST(CountsEndToEnd, AKilledRunGoesOnFromItsCheckpoint) {
  std::mt19937 random(std::random_device{}());
  TempFolder made;
  ASSERT_EQ(runMarl(made, {"size=300", "it=1200000", "counts=true"}).status, 0);
  const std::string picture = made.path() + "/" + pictures(made)[0];
  const std::string counts = countsIn(made);
  const struct {
    const char* name;
    Words command;
    Words uninterrupted;
  } cases[] = {
      {"exact", {"file=" + picture, "it=9000000"}, {}},
      {"fast",
       {"file=" + picture, longFastRun(700000000), "mode=fast", "threads=2"},
       {}},
      {"counting on", {"file=" + counts, "it=9000000"},
       {"file=" + picture, "it=9000000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder whole;
    ASSERT_EQ(runMarl(whole, c.uninterrupted.empty() ? c.command
                                                     : c.uninterrupted)
                  .status,
              0);
    TempFolder killed;
    if (!c.uninterrupted.empty()) {
      // The counts file lies under the name this run's counts would take.
      killed.write(counts.substr(made.path().size() + 1),
                   made.read(counts.substr(made.path().size() + 1)));
    }
    Words checkpointed = joined(c.command, {"checkpoint=0.003"});
    if (!c.uninterrupted.empty())
      checkpointed[0] = "file=" + killed.path() + "/" +
                        counts.substr(made.path().size() + 1);
    const std::size_t before = killed.files().size();
    Launch launch;
    launch.frozenClock = false;  // the checkpoints need a clock that moves
    {
      MarlProcess marl(killed, checkpointed, launch);
      const bool checkpointed = marl.waitForFiles(
          [before](const std::vector<std::string>& names) {
            std::size_t done = 0;
            for (const std::string& n : names)
              done += isCounts(n) && n.find(".tmp-") == std::string::npos;
            return done > before;
          },
          std::chrono::seconds(120));
      if (!checkpointed) {
        const RunResult ended = marl.waitAtMost(std::chrono::seconds(1));
        FAIL() << "no checkpoint before the end: " << ended.err;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(
          std::uniform_int_distribution<int>(0, 400)(random)));
      marl.signal(SIGKILL);
      const RunResult dead = marl.wait();
      ASSERT_EQ(dead.signal, SIGKILL) << "the run ended before the kill";
    }
    ASSERT_EQ(pictures(killed), std::vector<std::string>{});
    const RunResult resumed = runMarl(killed, checkpointed);
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.err.find("marl: note: going on from the checkpoint"),
              std::string::npos)
        << resumed.err;
    std::vector<std::string> names;
    for (const std::string& n : pictures(killed))
      if (n.find(".tmp-") == std::string::npos) names.push_back(n);
    ASSERT_EQ(names, pictures(whole));
    for (const std::string& name : names)
      EXPECT_TRUE(killed.read(name) == whole.read(name)) << name;
  }
}

// Checkpoints as often as the option allows, written beside the orbit and
// often still writing when the next is due, change nothing: the pictures
// and the counts file are those of a run without, nothing is said, and no
// temporary file is left. Exact and fast replays (the checkpoints' clock
// moves, and a replay draws nothing from it).
TEST(CountsEndToEnd, FrequentCheckpointsLeaveThePicturesAndCountsAsWithout) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, {"size=300", "it=1200000"}).status, 0);
  const std::string picture = made.path() + "/" + pictures(made)[0];
  const Words commands[] = {
      {"file=" + picture, "size=900", "it=8000000", "counts=true"},
      {"file=" + picture, "size=900", longFastRun(900000000), "mode=fast",
       "threads=2", "counts=true"},
  };
  for (const Words& command : commands) {
    SCOPED_TRACE(command[2]);
    Launch launch;
    launch.frozenClock = false;
    TempFolder plain, checked;
    RunResult without = MarlProcess(plain, command, launch).wait();
    ASSERT_EQ(without.status, 0) << without.err;
    MarlProcess marl(checked, joined(command, {"checkpoint=0.001"}), launch);
    // A checkpoint whole under its name while no picture is made yet.
    EXPECT_TRUE(marl.waitForFiles(
        [](const std::vector<std::string>& names) {
          bool counts = false, picture = false;
          for (const std::string& n : names) {
            const bool temporary = n.find(".tmp-") != std::string::npos;
            counts |= isCounts(n) && !temporary;
            picture |= !isCounts(n) && !temporary && n[0] != '.';
          }
          return counts && !picture;
        },
        std::chrono::seconds(120)));
    const RunResult with = marl.wait();
    ASSERT_EQ(with.status, 0) << with.err;
    EXPECT_EQ(with.err, "");
    EXPECT_EQ(with.out, without.out);
    EXPECT_EQ(checked.files(), plain.files());
    for (const std::string& name : plain.files())
      if (name[0] != '.') {
        EXPECT_TRUE(checked.read(name) == plain.read(name)) << name;
      }
  }
}

// What Debian's tifffile reads from a counts file: "DTYPE ROWS COLUMNS SUM"
// on standard output, and the array's cells, little-endian, into `raw`.
std::string readWithTifffile(const std::string& path, const std::string& raw) {
  const std::string script =
      "import sys, tifffile\n"
      "a = tifffile.imread(sys.argv[1])\n"
      "print(a.dtype, a.shape[0], a.shape[1], int(a.sum(dtype='uint64')))\n"
      "open(sys.argv[2], 'wb').write(a.astype('<u4').tobytes())\n";
  const std::string command = "/usr/bin/python3 -c \"" + script + "\" '" +
                              path + "' '" + raw + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

TEST(CountsEndToEnd, TifffileReadsTheCountsAsTheGridOfUint32) {
  for (const char* mode : {"mode=exact", "mode=fast"}) {
    SCOPED_TRACE(mode);
    TempFolder made;
    ASSERT_EQ(runMarl(made, {"size=700", "it=4000000", mode, "counts=true"}).status, 0);
    const std::string counts = countsIn(made);
    marl::CountsFileReader reader;
    std::string why;
    ASSERT_TRUE(reader.open(counts, why)) << why;
    marl::HitGrid grid;
    grid.setSize(reader.side());
    ASSERT_TRUE(reader.readInto(grid, why)) << why;
    std::string cells;
    uint64_t square = 0;
    for (uint32_t r = 0; r < grid.size(); ++r) {
      for (uint32_t c = 0; c < grid.size(); ++c) {
        const uint32_t v = grid.at(r, c);
        square += v;
        for (int b = 0; b < 4; ++b) cells += char((v >> (8 * b)) & 0xFF);
      }
    }
    EXPECT_EQ(readWithTifffile(counts, made.path() + "/raw"),
              "uint32 700 700 " + std::to_string(square) + "\n");
    EXPECT_TRUE(cells == made.read("raw"));
    // Every pass after the warm-up is one hit in the grid. The exact orbit
    // lands on no edge at this size and seed; a few single-precision fast
    // orbits round to 1.0 and hit the margin, which the square leaves out.
    constexpr uint64_t Hits = 4000000 - 3001;
    if (std::string(mode) == "mode=exact") {
      EXPECT_EQ(square, Hits);
    }
    EXPECT_LE(square, Hits);
    EXPECT_GE(square, Hits - Hits / 10000);
  }
}

// A counts file from anyone: cut, counts changed under their state, a
// state from another picture, a square of another size. Each is refused
// with nothing made.
TEST(CountsEndToEnd, AStrangersCountsFileThatLiesIsRefused) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, {"size=200", "it=1500000", "counts=true"}).status, 0);
  ASSERT_EQ(runMarl(made, {"size=200", "it=1600000", "counts=true"},
                    "2026-01-01 00:00:05").status, 0);
  std::vector<std::string> both;
  for (const std::string& n : made.files())
    if (isCounts(n)) both.push_back(made.path() + "/" + n);
  ASSERT_EQ(both.size(), 2u);
  marl::CountsFileReader a, b;
  std::string why;
  ASSERT_TRUE(a.open(both[0], why) && b.open(both[1], why)) << why;
  marl::HitGrid grid;
  grid.setSize(a.side());
  ASSERT_TRUE(a.readInto(grid, why)) << why;

  TempFolder forged;
  const std::string whole = made.read(both[0].substr(made.path().size() + 1));
  forged.write("cut_counts.tif", whole.substr(0, whole.size() / 2));
  ++grid.at(100, 100);
  std::ostringstream ignored;
  ASSERT_TRUE(marl::writeCountsFile(grid, a.recipe(), a.state(),
                                    forged.path() + "/changed_counts.tif",
                                    false, 1, ignored));
  --grid.at(100, 100);
  ASSERT_TRUE(marl::writeCountsFile(grid, a.recipe(), b.state(),
                                    forged.path() + "/swapped_counts.tif",
                                    false, 1, ignored));
  marl::HitGrid smaller;
  smaller.setSize(100);
  ASSERT_TRUE(marl::writeCountsFile(smaller, a.recipe(), a.state(),
                                    forged.path() + "/smaller_counts.tif",
                                    false, 1, ignored));
  const struct {
    const char* name;
    const char* why;
  } cases[] = {
      {"cut_counts.tif", "marl: error: "},
      {"changed_counts.tif", "do not add up"},
      {"swapped_counts.tif", "not its recipe's"},
      {"smaller_counts.tif", "cells a side"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder out;
    const RunResult run =
        runMarl(out, {"file=" + forged.path() + "/" + c.name});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
    EXPECT_TRUE(out.files().empty());
  }
}

}  // namespace
}  // namespace marl_e2e

// End-to-end runs that meet faults from outside: termination signals, a
// file-size limit, a full output device and a parameter file beyond bounds.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::decodeImageFile;

bool isTemporary(const std::string& name) {
  return name.find(".tmp-") != std::string::npos;
}

// The files of the folder but the captured output.
std::vector<std::string> pictureFiles(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folder.files())
    if (name[0] != '.') names.push_back(name);
  return names;
}

int finishedIn(const std::vector<std::string>& names) {
  int n = 0;
  for (const std::string& name : names)
    n += name[0] != '.' && !isTemporary(name);
  return n;
}

int temporaryIn(const std::vector<std::string>& names) {
  int n = 0;
  for (const std::string& name : names) n += isTemporary(name);
  return n;
}

// One picture written and the next one's temporary file there.
bool writingSecondPicture(const std::vector<std::string>& names) {
  return finishedIn(names) == 1 && temporaryIn(names) == 1;
}

constexpr std::chrono::seconds Patience(120);

TEST(FaultEndToEnd, SignalsRemoveTheTemporaryFileAndKeepFinishedPictures) {
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signo);
    // The second picture's temporary file lives while 12 MB are written and
    // synced: marl is halted as soon as it appears. A run that renames it
    // first all the same is one more run that must end well, and another
    // is started.
    bool caught = false;
    for (int run = 0; run < 10 && !caught; ++run) {
      TempFolder folder;
      MarlProcess marl(folder, {"count=2", "it=0", "size=2000", "image=bmp",
                                "threads=1"});
      caught = marl.waitForFiles(writingSecondPicture, Patience) &&
               marl.halt() && writingSecondPicture(marl.namesWithUnnamed());
      if (!caught) {
        marl.resume();
        const RunResult missed = marl.waitAtMost(Patience);
        EXPECT_EQ(missed.status, 0) << missed.err;
        EXPECT_EQ(pictureFiles(folder).size(), 2u);
        continue;
      }
      marl.signal(signo);
      marl.resume();
      const RunResult stopped = marl.waitAtMost(Patience);
      EXPECT_EQ(stopped.signal, 0);
      EXPECT_EQ(stopped.status, 128 + signo);
      // The handler may run on the main thread while the worker still
      // completes the second picture: then both are whole, never partial.
      const std::vector<std::string> files = pictureFiles(folder);
      ASSERT_GE(files.size(), 1u);
      ASSERT_LE(files.size(), 2u);
      for (const std::string& name : files) {
        EXPECT_FALSE(isTemporary(name)) << name;
        EXPECT_EQ(folder.read(name).size(), 54u + 6000u * 2000u) << name;
      }
    }
    ASSERT_TRUE(caught) << "never caught writing the second picture";
  }
}

// A batch on every core stopped by Ctrl-C at any moment: finished pictures
// are whole, and no temporary or partial file is left. The moments are
// what the folder shows, whatever the machine's load.
TEST(FaultEndToEnd, InterruptedBatchLeavesOnlyWholePictures) {
  using Names = std::vector<std::string>;
  const struct {
    const char* moment;
    std::function<bool(const Names&)> reached;  // null: at once
  } moments[] = {
      {"at once", nullptr},
      {"at the first temporary file",
       [](const Names& names) { return temporaryIn(names) > 0; }},
      {"at the first picture",
       [](const Names& names) { return finishedIn(names) >= 1; }},
      {"with a temporary file after two pictures",
       [](const Names& names) {
         return finishedIn(names) >= 2 && temporaryIn(names) > 0;
       }},
      {"at half the pictures",
       [](const Names& names) { return finishedIn(names) >= 4; }},
  };
  for (const auto& at : moments) {
    SCOPED_TRACE(at.moment);
    TempFolder folder;
    MarlProcess marl(folder, {"count=4", "it=1200000", "size=700",
                              "quazi=true", "qsize=900", "threads=2"});
    if (at.reached) {
      ASSERT_TRUE(marl.waitForFiles(at.reached, Patience));
    }
    marl.signal(SIGINT);
    const RunResult run = marl.waitAtMost(Patience);
    // Before its handlers are in place (a slow start) the signal's own
    // action ends it, with nothing written yet; once it writes, they are.
    if (at.reached)
      EXPECT_TRUE(run.status == 130 || run.status == 0) << run.status;
    else
      EXPECT_TRUE(run.status == 130 || run.signal == SIGINT)
          << run.status << " " << run.signal;
    for (const std::string& name : pictureFiles(folder)) {
      ASSERT_FALSE(isTemporary(name)) << name;
      const int side = name.find("_quazi") != std::string::npos ? 900 : 700;
      EXPECT_EQ(decodeImageFile(folder.path() + "/" + name).width, side)
          << name;
    }
  }
}

TEST(FaultEndToEnd, FileSizeLimitIsAnErrorWithoutATemporaryFile) {
  TempFolder folder;
  Launch launch;
  launch.fileSizeLimit = 100000;
  MarlProcess marl(folder, {"it=0", "size=400", "image=bmp"}, launch);
  const RunResult run = marl.wait();
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("marl: error: cannot write 'symmetric_square"),
            std::string::npos);
  EXPECT_NE(run.err.find(".bmp': File too large\n"), std::string::npos)
      << run.err;
  EXPECT_TRUE(folder.files().empty());
}

TEST(FaultEndToEnd, FullStandardOutputIsAnError) {
  TempFolder folder;
  Launch launch;
  launch.standardOutput = "/dev/full";
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"count=0"}, {"help"}}) {
    MarlProcess marl(folder, words, launch);
    const RunResult run = marl.wait();
    EXPECT_EQ(run.status, 1) << words[0];
    EXPECT_EQ(run.err,
              "marl: error: cannot write to standard output: No space left on "
              "device\n");
  }
}

// A reader that has gone away ends neither the batch nor a picture.
TEST(FaultEndToEnd, ClosedPipeOnStandardOutputIsAnErrorAndPicturesAreMade) {
  TempFolder folder;
  Launch launch;
  launch.closedPipe = true;
  MarlProcess marl(folder, {"count=3", "threads=2", "it=3000000", "size=200"},
                   launch);
  const RunResult run = marl.wait();
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "marl: error: cannot write to standard output: Broken pipe\n");
  const std::vector<std::string> files = pictureFiles(folder);
  EXPECT_EQ(files.size(), 3u);
  for (const std::string& name : files) {
    EXPECT_FALSE(isTemporary(name)) << name;
    EXPECT_EQ(decodeImageFile(folder.path() + "/" + name).width, 200) << name;
  }
}

TEST(FaultEndToEnd, ParameterFileBeyondItsBoundsStopsTheRunAtOnce) {
  TempFolder folder;
  folder.write("p.txt", "count=1\nbasename=" + std::string(70000, 'x') + "\n");
  const RunResult run = runMarl(folder, {"file=p.txt"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "marl: error: cannot use parameter file 'p.txt': line 2 is longer "
            "than 65536 bytes; nothing is made\n");
  EXPECT_EQ(folder.files(), std::vector<std::string>{"p.txt"});
}

}  // namespace
}  // namespace marl_e2e

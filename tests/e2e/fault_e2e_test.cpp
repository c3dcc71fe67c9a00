// End-to-end runs that meet faults from outside: termination signals, a
// file-size limit, a full output device and a parameter file beyond bounds.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
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

// Halts `marl` at a moment when it has written one picture and has the
// temporary file of the next; false when it ended or took too long.
bool haltWhileWritingSecondPicture(MarlProcess& marl, const TempFolder& folder) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!marl.halt()) return false;
    int finished = 0, temporary = 0;
    for (const std::string& name : pictureFiles(folder))
      ++(isTemporary(name) ? temporary : finished);
    if (finished == 1 && temporary == 1) return true;
    marl.resume();
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  return false;
}

TEST(FaultEndToEnd, SignalsRemoveTheTemporaryFileAndKeepFinishedPictures) {
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    TempFolder folder;
    // Large BMP files take long enough to write to be caught at it.
    MarlProcess marl(folder, {"count=2", "it=0", "size=2000", "image=bmp",
                              "threads=1"});
    ASSERT_TRUE(haltWhileWritingSecondPicture(marl, folder)) << signo;
    marl.signal(signo);
    marl.resume();
    const RunResult run = marl.wait();
    EXPECT_EQ(run.signal, 0) << signo;
    EXPECT_EQ(run.status, 128 + signo);
    // The handler may run on the main thread while the worker still
    // completes the second picture: then both are whole, never partial.
    const std::vector<std::string> files = pictureFiles(folder);
    ASSERT_GE(files.size(), 1u) << signo;
    ASSERT_LE(files.size(), 2u) << signo;
    for (const std::string& name : files) {
      EXPECT_FALSE(isTemporary(name)) << signo;
      EXPECT_EQ(folder.read(name).size(), 54u + 6000u * 2000u) << signo;
    }
  }
}

// A batch on every core stopped by Ctrl-C at any moment: finished pictures
// are whole, and no temporary or partial file is left.
TEST(FaultEndToEnd, InterruptedBatchLeavesOnlyWholePictures) {
  for (int delayMs : {30, 120, 250, 400, 700, 1100}) {
    TempFolder folder;
    MarlProcess marl(folder, {"count=4", "it=1200000", "size=700",
                              "quazi=true", "qsize=900", "threads=2"});
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    marl.signal(SIGINT);
    const RunResult run = marl.wait();
    // Before its handlers are in place (a slow start) the signal's own
    // action ends it, with nothing written yet.
    EXPECT_TRUE(run.status == 130 || run.status == 0 || run.signal == SIGINT)
        << run.status << " " << run.signal;
    for (const std::string& name : pictureFiles(folder)) {
      ASSERT_FALSE(isTemporary(name)) << name << " after " << delayMs;
      const int side = name.find("_quazi") != std::string::npos ? 900 : 700;
      EXPECT_EQ(decodeImageFile(folder.path() + "/" + name).width, side)
          << name << " after " << delayMs << " ms";
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

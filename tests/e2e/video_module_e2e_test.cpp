// The video module is loaded only when a video is written or read: a
// still never maps FFmpeg and starts in little address space, a video run
// does map it, and a program without its module says so and makes
// nothing.
#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int threadsOf(int pid) {
  int count = 0;
  if (DIR* tasks = opendir(("/proc/" + std::to_string(pid) + "/task").c_str())) {
    while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

// The libraries mapped by a run once it is at work: its orbit threads start
// in main, so everything it links is mapped by then.
std::string mapsAtWork(MarlProcess& marl) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (threadsOf(marl.pid()) < 2 && !marl.ended() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_TRUE(marl.halt()) << "the run ended before its threads were seen";
  const std::string maps = contents("/proc/" + std::to_string(marl.pid()) + "/maps");
  marl.resume();
  return maps;
}

TEST(VideoModuleEndToEnd, OnlyAVideoRunMapsFfmpeg) {
  TempFolder folder;
  {
    MarlProcess still(folder, {"size=400", "it=400000000", "threads=2"});
    const std::string maps = mapsAtWork(still);
    EXPECT_NE(maps.find("libjpeg"), std::string::npos) << maps;
    EXPECT_EQ(maps.find("libav"), std::string::npos) << maps;
    EXPECT_EQ(maps.find("marl-video.so"), std::string::npos);
  }
  // The videos begin before the first frame, after the path is checked.
  MarlProcess video(folder, {"frames=500", "size=300", "threads=2",
                             "video=mp4"});
  const std::string maps = "/proc/" + std::to_string(video.pid()) + "/maps";
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  // Until the exec, the child's maps are the test program's, which links
  // FFmpeg itself. The loader maps the module before the libraries it
  // needs, so both are waited for in one reading of the maps.
  std::string seen;
  const auto loaded = [&] {
    seen = contents(maps);
    return seen.find("marl_tests") == std::string::npos &&
           seen.find("marl-video.so") != std::string::npos &&
           seen.find("libavcodec") != std::string::npos;
  };
  while (!loaded() && !video.ended() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(loaded()) << seen;
}

// FFmpeg's libraries alone need about 190 MB of address space; without
// them a still and the version start in 64 MB.
TEST(VideoModuleEndToEnd, AStillStartsInSixtyFourMegabytes) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer reserves terabytes of address "
                  "space, so no process of this build starts under a 64 MB "
                  "RLIMIT_AS";
#endif
  TempFolder folder;
  Launch launch;
  launch.addressSpaceLimit = 64L << 20;
  const struct {
    std::vector<std::string> args;
    const char* out;
    std::size_t files;
  } cases[] = {
      {{"--version"}, "marl " MARL_VERSION "\n", 0},
      {{"size=200", "it=100000"}, nullptr, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    MarlProcess marl(folder, c.args, launch);
    const RunResult run = marl.wait();
    EXPECT_EQ(run.status, 0) << run.err;
    if (c.out) {
      EXPECT_EQ(run.out, c.out);
    }
    EXPECT_EQ(folder.files().size(), c.files);
  }
}

// A copy of the program in BIN/ of a folder of its own, its module
// missing or broken beside it or in lib/marl/: MP4 and WebM fail before
// anything is made, with the paths tried; GIF needs no module.
TEST(VideoModuleEndToEnd, AMissingOrBrokenModuleIsAnErrorAndNothingIsMade) {
  TempFolder made;
  const RunResult mp4 = runMarl(made, {"frames=2", "size=40", "video=mp4",
                                       "keepframes=false"});
  ASSERT_EQ(mp4.status, 0) << mp4.err;
  std::string video;
  for (const std::string& name : made.files())
    if (name.size() > 4 && name.substr(name.size() - 4) == ".mp4")
      video = made.path() + "/" + name;
  ASSERT_FALSE(video.empty());

  TempFolder install;
  const std::string bin = install.path() + "/bin";
  fs::create_directories(bin);
  fs::create_directories(install.path() + "/lib/marl");
  fs::copy_file(MARL_BINARY, bin + "/marl");
  const std::string beside = bin + "/marl-video.so";
  const std::string installed = bin + "/../lib/marl/marl-video.so";
  Launch launch;
  launch.binary = bin + "/marl";
  const std::string missing =
      "marl's video module, which MP4 and WebM need, is neither '" + beside +
      "' nor '" + installed + "'";
  const struct {
    const char* broken;  // a file of junk there, if any
    std::vector<std::string> args;
    std::string error;   // what stderr starts with
  } cases[] = {
      {nullptr, {"frames=2", "size=40", "video=gif,webm"},
       "marl: error: cannot write 'symmetric_square######.webm': " + missing +
           "; install marl again, or choose video=gif or video=webp\n"
           "marl: error: no frame is made without its videos; leave out "
           "video= or the format at fault\n"},
      {nullptr, {"file=" + video, "frames=2", "video=gif"},
       "marl: error: cannot use parameter file '" + video + "': " + missing +
           "; install marl again to read this MP4 video's text; nothing is "
           "made\n"},
      {"bin", {"frames=2", "size=40", "video=mp4"},
       "marl: error: cannot write 'symmetric_square######.mp4': marl's video module, which "
       "MP4 and WebM need, cannot be loaded from '" + beside + "': " +
           beside + ": "},
      {"lib", {"frames=2", "size=40", "video=mp4"},
       "marl: error: cannot write 'symmetric_square######.mp4': marl's video module, which "
       "MP4 and WebM need, cannot be loaded from '" + installed + "': " +
           installed + ": "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    fs::remove(beside);
    fs::remove(installed);
    if (c.broken)
      std::ofstream(std::string(c.broken) == "bin" ? beside : installed)
          << "not a shared object";
    TempFolder folder;
    MarlProcess marl(folder, c.args, launch);
    const RunResult run = marl.wait();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(folder.files().empty());
    ASSERT_GE(run.err.size(), c.error.size()) << run.err;
    EXPECT_TRUE(matchesTranscript(
        run.err.substr(0, c.error.size()), c.error))
        << run.err;
  }

  // Without the module, GIF and WebP videos are made all the same.
  fs::remove(beside);
  fs::remove(installed);
  TempFolder folder;
  MarlProcess gif(folder, {"frames=2", "size=40", "video=gif,webp",
                           "keepframes=false"}, launch);
  const RunResult run = gif.wait();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(folder.files().size(), 2u);
}

}  // namespace
}  // namespace marl_e2e

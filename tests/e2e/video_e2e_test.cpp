// Animations as videos with the real binary: every format decodes to the
// frames, a video made from frames on disk is the video of one run, and a
// video makes its frames again.
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"
#include "support/decoded_video.h"

namespace marl_e2e {
namespace {

const std::vector<std::string> Six = {"frames=6", "size=96", "fps=12"};

std::vector<std::string> with(std::vector<std::string> args,
                              const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The folder's files whose names end in `extension`.
std::vector<std::string> filesEnding(const TempFolder& folder,
                                     const std::string& extension) {
  std::vector<std::string> names;
  for (const std::string& name : folder.files())
    if (name[0] != '.' && name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(),
                     extension) == 0)
      names.push_back(name);
  return names;
}

TEST(VideoEndToEnd, EveryFormatHoldsTheFramesLoopingWithTheirColours) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, with(Six, {"video=mp4,webm,gif,webp"}));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> frames = filesEnding(folder, ".png");
  ASSERT_EQ(frames.size(), 6u);
  const std::string base = frames[0].substr(0, frames[0].find("_f"));
  struct Expected {
    const char* extension;
    const char* codec;
  };
  for (const Expected& e : {Expected{"mp4", "h264"}, Expected{"webm", "vp9"},
                            Expected{"gif", "gif"}, Expected{"webp", "webp"}}) {
    SCOPED_TRACE(e.extension);
    const std::string name = base + "." + e.extension;
    EXPECT_NE(run.out.find("video of 6 frames: " + name + "\n"),
              std::string::npos)
        << run.out;
    const marl_test::DecodedVideo video =
        marl_test::decodeVideoFile(folder.path() + "/" + name);
    EXPECT_EQ(video.width, 96);
    EXPECT_EQ(video.height, 96);
    EXPECT_EQ(video.frames.size(), 6u);
    EXPECT_EQ(video.codec, e.codec);
    if (video.pixelFormat.empty()) {
      EXPECT_EQ(video.loopCount, 0);  // forever
    } else {
      EXPECT_EQ(video.frameRateNum * 1.0 / video.frameRateDen, 12.0);
    }
    if (std::string(e.extension) == "mp4") {
      EXPECT_EQ(video.pixelFormat, "yuv420p");
      const marl_test::DecodedImage png =
          marl_test::decodeImageFile(folder.path() + "/" + frames[0]);
      ASSERT_EQ(png.pixels.size(), video.frames[0].size());
      for (int shift : {16, 8, 0})
        EXPECT_NEAR(marl_test::channelMean(video.frames[0], shift),
                    marl_test::channelMean(png.pixels, shift), 3.0);
    }
  }
}

TEST(VideoEndToEnd, RangesThenOneRunOverEveryFrameMakeTheVideoOfOneRun) {
  TempFolder whole, split, elsewhere;
  const RunResult one = runMarl(whole, with(Six, {"video=mp4"}));
  ASSERT_EQ(one.status, 0) << one.err;
  const std::vector<std::string> videos = filesEnding(whole, ".mp4");
  ASSERT_EQ(videos.size(), 1u);

  const RunResult part = runMarl(split, with(Six, {"only=0-2", "video=mp4"}));
  ASSERT_EQ(part.status, 0) << part.err;
  EXPECT_NE(part.err.find("marl: warning: this run makes frames 0 to 2 of 6"),
            std::string::npos)
      << part.err;
  ASSERT_EQ(runMarl(split, with(Six, {"only=3-5"})).status, 0);
  EXPECT_TRUE(filesEnding(split, ".mp4").empty());
  const RunResult last = runMarl(split, with(Six, {"video=mp4"}));
  ASSERT_EQ(last.status, 0) << last.err;
  // Nothing rendered: every frame was read back.
  EXPECT_EQ(last.out.find("frame 0 of 6"), std::string::npos);
  EXPECT_NE(last.err.find("_f0005.png' holds this frame already"),
            std::string::npos);
  ASSERT_EQ(filesEnding(split, ".mp4"), videos);
  EXPECT_TRUE(split.read(videos[0]) == whole.read(videos[0]));

  // The video alone makes the same frames again, in another folder, later.
  const RunResult replay =
      runMarl(elsewhere, {"file=" + whole.path() + "/" + videos[0]},
              "2027-05-05 12:00:00");
  ASSERT_EQ(replay.status, 0) << replay.err;
  const std::vector<std::string> frames = filesEnding(whole, ".png");
  ASSERT_EQ(filesEnding(elsewhere, ".png"), frames);
  for (const std::string& frame : frames)
    EXPECT_TRUE(elsewhere.read(frame) == whole.read(frame)) << frame;
}

TEST(VideoEndToEnd, FramesThatCannotBeReadBackAreMadeAgainForTheVideo) {
  TempFolder whole, later;
  const std::vector<std::string> jpeg = with(Six, {"image=jpeg"});
  ASSERT_EQ(runMarl(whole, with(jpeg, {"video=mp4"})).status, 0);
  ASSERT_EQ(runMarl(later, jpeg).status, 0);
  const std::vector<std::string> frames = filesEnding(later, ".jpg");
  std::vector<std::string> before;
  for (const std::string& frame : frames) before.push_back(later.read(frame));
  const RunResult run = runMarl(later, with(jpeg, {"video=mp4"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("cannot be read back for the videos"),
            std::string::npos);
  EXPECT_EQ(run.out.find("frame 0 of 6"), std::string::npos);
  const std::vector<std::string> videos = filesEnding(whole, ".mp4");
  ASSERT_EQ(videos.size(), 1u);
  ASSERT_EQ(filesEnding(later, ".mp4"), videos);
  EXPECT_TRUE(later.read(videos[0]) == whole.read(videos[0]));
  for (std::size_t i = 0; i < frames.size(); ++i)
    EXPECT_TRUE(later.read(frames[i]) == before[i]) << frames[i];
}

TEST(VideoEndToEnd, AVideoOfCutFramesShowsTheCut) {
  TempFolder folder;
  const RunResult run = runMarl(
      folder, with(Six, {"width=120", "height=64", "shiftx=0.5", "video=gif"}));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> frames = filesEnding(folder, ".png");
  ASSERT_EQ(frames.size(), 6u);
  const marl_test::DecodedVideo video = marl_test::decodeVideoFile(
      folder.path() + "/" + filesEnding(folder, ".gif").at(0));
  EXPECT_EQ(video.width, 120);
  EXPECT_EQ(video.height, 64);
  // GIF keeps the frame's own colours: frame 0 is the PNG frame exactly.
  const marl_test::DecodedImage png =
      marl_test::decodeImageFile(folder.path() + "/" + frames[0]);
  ASSERT_EQ(video.frames.size(), 6u);
  EXPECT_TRUE(video.frames[0] == png.pixels);
}

TEST(VideoEndToEnd, KeepframesFalseWritesOnlyTheVideoAndAFullDiskNone) {
  TempFolder folder, full;
  const RunResult run =
      runMarl(folder, with(Six, {"video=gif", "keepframes=false"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("frame 0 of 6"), std::string::npos);
  const std::vector<std::string> files = filesEnding(folder, "");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(std::regex_match(files[0],
                               std::regex("symmetric_square[0-9]{6}\\.gif")));

  Launch launch;
  launch.fileSizeLimit = 4096;  // far less than the GIF
  MarlProcess marl(full, with(Six, {"video=gif", "keepframes=false"}), launch);
  const RunResult stopped = marl.wait();
  EXPECT_EQ(stopped.signal, 0);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_TRUE(std::regex_search(
      stopped.err,
      std::regex("^marl: error: cannot write 'symmetric_square[0-9]{6}"
                 "\\.gif': [^\n]+\n$")))
      << stopped.err;
  EXPECT_TRUE(filesEnding(full, "").empty());
}

// video= that names no format (an unset shell variable, a typing slip)
// makes the frames alone and says so, never silently.
TEST(VideoEndToEnd, AVideoValueNamingNoFormatWarnsAndMakesTheFramesAlone) {
  for (const char* video : {"video=", "video=,", "video=avi,mov"}) {
    SCOPED_TRACE(video);
    TempFolder folder;
    const RunResult run = runMarl(folder, with(Six, {video}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(std::string("marl: warning: ") + video +
                           ": no video format named (mp4, webm, gif or "
                           "webp); no video is made\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(filesEnding(folder, ".png").size(), 6u);
    EXPECT_EQ(folder.files().size(), 6u);
  }
}

// Sets an environment variable for the runs started while it lives.
class EnvironmentFor {
 public:
  EnvironmentFor(const char* name, const char* value) : name_(name) {
    if (value) setenv(name, value, 1);
  }
  ~EnvironmentFor() { unsetenv(name_); }

 private:
  const char* name_;
};

// A video's bytes come from its format and the frames alone: not from the
// other formats asked for, nor from what the process's memory held before
// (MALLOC_PERTURB_ gives every allocation other leftover bytes).
TEST(VideoEndToEnd, EachVideoIsTheSameAloneAsBesideEveryOtherFormat) {
  const std::vector<std::string> frames = {"frames=12", "size=240",
                                           "keepframes=false"};
  TempFolder every;
  const RunResult all =
      runMarl(every, with(frames, {"video=mp4,webm,gif,webp"}));
  ASSERT_EQ(all.status, 0) << all.err;
  ASSERT_EQ(filesEnding(every, "").size(), 4u);
  struct Alone {
    const char* video;
    const char* perturb;  // MALLOC_PERTURB_, or none
  };
  const Alone cases[] = {
      {"mp4", nullptr}, {"mp4", "85"},   {"webm", "85"},
      {"gif", "170"},   {"webp", "85"},  {"mp4,webp", "170"},
  };
  for (const Alone& c : cases) {
    SCOPED_TRACE(std::string(c.video) + " " + (c.perturb ? c.perturb : "-"));
    TempFolder folder;
    const EnvironmentFor perturbed("MALLOC_PERTURB_", c.perturb);
    const RunResult run =
        runMarl(folder, with(frames, {std::string("video=") + c.video}));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> videos = filesEnding(folder, "");
    EXPECT_EQ(videos.size(), std::string(c.video).find(',') == std::string::npos
                                 ? 1u
                                 : 2u);
    for (const std::string& video : videos)
      EXPECT_TRUE(folder.read(video) == every.read(video)) << video;
  }
}

}  // namespace
}  // namespace marl_e2e

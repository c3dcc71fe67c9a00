#include "driver/animation_settings_reader.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/settings_reader.h"

namespace marl {
namespace {

class AnimationSettingsReaderTest : public ::testing::Test {
 protected:
  AnimationRead read(std::vector<std::string> words) {
    words.insert(words.begin(), "marl");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    err_.str("");
    const ArgumentMap map(int(argv.size()), argv.data(), err_);
    settings_ = readJobSettings(map, err_).value();
    animation_ = AnimationSettings();
    OptionReader reader(map, err_);
    return readAnimationSettings(reader, settings_, animation_);
  }
  JobSettings settings_;
  AnimationSettings animation_;
  std::ostringstream err_;
};

TEST_F(AnimationSettingsReaderTest, FramesAreFastAtFiftyHitsPerPixel) {
  ASSERT_EQ(read({"frames=120", "size=200"}), AnimationRead::Animation);
  EXPECT_EQ(animation_.frames, 120);
  EXPECT_EQ(animation_.first, 0);
  EXPECT_EQ(animation_.last, 119);
  EXPECT_EQ(animation_.loopRadius, AnimationSettings::DefaultLoopRadius);
  EXPECT_FALSE(animation_.plane.has_value());
  EXPECT_EQ(settings_.mode, JobSettings::Mode::Fast);
  EXPECT_EQ(settings_.iterationMaximum, 50 * 200 * 200);
  EXPECT_EQ(settings_.imageWord, DefaultFrameImage);
  EXPECT_EQ(settings_.colour.filter, FilterKind::Density);
  EXPECT_EQ(err_.str(), "");

  ASSERT_EQ(read({"frames=1", "mode=exact", "it=5", "image=gif", "loop=0.1",
                  "plane=4294967295"}),
            AnimationRead::Animation);
  EXPECT_EQ(animation_.frames, 2);
  EXPECT_EQ(err_.str(), "marl: warning: frames=1 is below 2; using 2\n");
  EXPECT_EQ(settings_.mode, JobSettings::Mode::Exact);
  EXPECT_EQ(settings_.iterationMaximum, 5);
  EXPECT_STREQ(settings_.format->name, "gif");
  EXPECT_EQ(animation_.loopRadius, 0.1);
  EXPECT_EQ(*animation_.plane, 4294967295u);

  ASSERT_EQ(read({"frames=2", "filter=none"}), AnimationRead::Animation);
  EXPECT_EQ(settings_.colour.filter, FilterKind::None);
  ASSERT_EQ(read({"size=200"}), AnimationRead::Still);
  EXPECT_EQ(settings_.colour.filter, FilterKind::None);
}

TEST_F(AnimationSettingsReaderTest, EncoderChoices) {
  struct Case {
    std::vector<std::string> words;
    int crf;
    const char* preset;
    bool fullChroma;
    const char* warning;
  };
  const VideoSettings d;
  const Case cases[] = {
      {{}, d.h264Crf, "veryfast", false, ""},
      {{"crf=22", "preset=slow", "chroma=444"}, 22, "slow", true, ""},
      {{"crf=60"}, 51, "veryfast", false,
       "marl: warning: crf=60 is above 51; using 51\n"},
      {{"preset=quick"}, d.h264Crf, "veryfast", false,
       "marl: warning: preset=quick is not an x264 preset; using veryfast\n"},
      {{"chroma=422"}, d.h264Crf, "veryfast", false,
       "marl: warning: chroma=422 is neither 420 nor 444; using 420\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"frames=4", "video=mp4"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    ASSERT_EQ(read(words), AnimationRead::Animation);
    EXPECT_EQ(animation_.encoding.h264Crf, c.crf) << words.back();
    EXPECT_EQ(animation_.encoding.h264Preset, c.preset) << words.back();
    EXPECT_EQ(animation_.encoding.fullChroma, c.fullChroma) << words.back();
    EXPECT_EQ(err_.str(), c.warning);
  }
}

TEST_F(AnimationSettingsReaderTest, OnlyPicksARangeOfFrames) {
  struct Case {
    const char* only;
    AnimationRead read;
    int32_t first, last;
    const char* err;
  };
  const Case cases[] = {
      {"only=3-5", AnimationRead::Animation, 3, 5, ""},
      {"only=7", AnimationRead::Animation, 7, 7, ""},
      {"only=8-20", AnimationRead::Animation, 8, 9,
       "marl: warning: only=8-20 ends after the last frame; making frames 8 "
       "to 9\n"},
      {"only=10", AnimationRead::Failed, 0, 0,
       "marl: error: only=10 starts after the last frame, 9; nothing is "
       "made\n"},
      {"only=5-3", AnimationRead::Failed, 0, 0, "is not a range"},
      {"only=-2", AnimationRead::Failed, 0, 0, "is not a range"},
      {"only=1-", AnimationRead::Failed, 0, 0, "is not a range"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(read({"frames=10", c.only}), c.read) << c.only;
    EXPECT_NE(err_.str().find(c.err), std::string::npos) << err_.str();
    if (c.read == AnimationRead::Failed) continue;
    EXPECT_EQ(animation_.first, c.first) << c.only;
    EXPECT_EQ(animation_.last, c.last) << c.only;
  }
}

TEST_F(AnimationSettingsReaderTest, WithoutFramesItIsAStill) {
  ASSERT_EQ(read({"loop=0.1", "only=2", "it=7"}), AnimationRead::Still);
  EXPECT_EQ(err_.str(),
            "marl: warning: loop= is for animations and is ignored without "
            "frames=\nmarl: warning: only= is for animations and is ignored "
            "without frames=\n");
  EXPECT_EQ(settings_.mode, JobSettings::Mode::Exact);
  EXPECT_EQ(settings_.iterationMaximum, 7);
}

TEST_F(AnimationSettingsReaderTest, RecipeKeyframesMakeAMorph) {
  const std::vector<std::string> map = {
      "frames=4", "detail=2", "linear=1", "offset=0", "startx=0.5",
      "starty=0.5", "number=3", "attempt=1", "coefficients=0.1,0.2,0.3,0.4"};
  std::vector<std::string> words = map;
  words.push_back("keyframes=0.1,0.2,0.3,0.5;-0.1,0,0,0");
  ASSERT_EQ(read(words), AnimationRead::Animation);
  ASSERT_EQ(animation_.keyframes.size(), 2u);
  EXPECT_EQ(animation_.keyframes[1], (std::vector<double>{-0.1, 0, 0, 0}));
  EXPECT_EQ(animation_.keyframeNames[1], "keyframe 3");

  words.back() = "keyframes=0.1,0.2,0.3";
  EXPECT_EQ(read(words), AnimationRead::Failed);
  EXPECT_NE(err_.str().find("marl: error: keyframe 1: keyframes holds 3 "
                            "values where 4 belong"),
            std::string::npos)
      << err_.str();
}

TEST_F(AnimationSettingsReaderTest, VideosNeedEveryFrameAndKeepFramesNeedsVideos) {
  struct Case {
    std::vector<std::string> words;
    std::size_t videos;
    int fps;
    bool keepFrames;
    const char* warning;  // part of the warning, or "" for none
  };
  const Case cases[] = {
      {{"frames=8"}, 0, 30, true, ""},
      {{"frames=8", "video=gif,mp4", "fps=12", "keepframes=false"}, 2, 12,
       false, ""},
      {{"frames=8", "video=mp4", "fps=500"}, 1, 120, true, "fps="},
      {{"frames=8", "keepframes=false"}, 0, 30, true, "without video="},
      // On/off as quazi= reads it: on only when the value holds true or
      // TRUE.
      {{"frames=8", "video=webm", "keepframes=maybe"}, 1, 30, false, ""},
      {{"frames=8", "video=webm", "keepframes=TRUE"}, 1, 30, true, ""},
      {{"frames=8", "keepframes=no"}, 0, 30, true,
       "keepframes=no without video= would make nothing; the frames are "
       "kept"},
      {{"frames=8", "video=mp4", "only=2-5", "keepframes=false"}, 0, 30, true,
       "this run makes frames 2 to 5 of 8"},
      {{"frames=8", "video=mp4", "only=0-7"}, 1, 30, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.back());
    ASSERT_EQ(read(c.words), AnimationRead::Animation);
    EXPECT_EQ(animation_.videos.size(), c.videos);
    EXPECT_EQ(animation_.fps, c.fps);
    EXPECT_EQ(animation_.keepFrames, c.keepFrames);
    if (*c.warning == '\0') {
      EXPECT_EQ(err_.str(), "");
    } else {
      EXPECT_NE(err_.str().find(c.warning), std::string::npos) << err_.str();
    }
  }
  read({"video=mp4", "fps=10"});
  EXPECT_NE(err_.str().find("video= is for animations"), std::string::npos);
}

}  // namespace
}  // namespace marl

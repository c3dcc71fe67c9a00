#include "job/picture_job.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_01.hpp>
#include <boost/random/uniform_int.hpp>
#include <boost/random/uniform_real.hpp>
#include <boost/random/uniform_smallint.hpp>
#include <gtest/gtest.h>

#include "support/given_map.h"

namespace marl {
namespace {

// 2026-01-01 00:00:00 UTC, whose second is 1600 modulo 2000.
const std::time_t NewYear = 1767225600;

uint32_t red(uint32_t c) { return (c >> 16) & 0xFF; }
uint32_t green(uint32_t c) { return (c >> 8) & 0xFF; }
uint32_t blue(uint32_t c) { return c & 0xFF; }

// Tells each event as a line of its own, for the order and values.
class RecordingConsole : public JobConsole {
 public:
  void colours(uint32_t start, uint32_t finish) override {
    say("colours ", start, " ", finish);
  }
  void output(const std::string& basename, const std::string& imageWord,
              int32_t detail) override {
    say("output ", basename, " ", imageWord, " ", detail);
  }
  void pictureSize(uint32_t width, uint32_t height) override {
    say("size ", width, "x", height);
  }
  void tilingToo() override { say("tiling"); }
  void picture(const std::string& fileName, int64_t iterations) override {
    say("picture ", fileName, " ", iterations);
  }
  void progress(int64_t itcnt) override { say("itcnt ", itcnt); }
  void fillChecked(double fillval) override { say("fillval ", fillval); }
  void restarted() override { say("restarted"); }
  std::ostream& diagnostics() override { return err; }

  std::ostringstream events, err;

 private:
  template <class... Parts>
  void say(const Parts&... parts) {
    (events << ... << parts) << "\n";
  }
};

class PictureJobTest : public ::testing::Test {
 protected:
  // Prepares a job with `settings` on a fresh random source.
  bool prepare(const JobSettings& settings, std::time_t now = NewYear) {
    console_.events.str("");
    steps_ = 0;
    random_ = RandomSource();
    job_ = preparePicture(settings, random_, now, console_, &steps_);
    return job_.has_value();
  }
  static JobSettings quick() {
    JobSettings s;
    s.iterationMaximum = 0;
    return s;
  }
  const PicturePlan& p() const { return job_->plan; }
  bool finish() { return finishPicture(*job_, console_); }
  std::string events() const { return console_.events.str(); }
  // Detail 3 at `side`, the pictures going into `folder`.
  static JobSettings small(const char* folder, int64_t steps, uint32_t side) {
    JobSettings s;
    s.iterationMaximum = steps;
    s.detail = 3;
    s.side = side;
    s.basename = std::string(folder) + "/a";
    return s;
  }

  RecordingConsole console_;
  std::atomic<int64_t> steps_{0};
  RandomSource random_;
  std::optional<PreparedPicture> job_;
};

TEST_F(PictureJobTest, EchoOfTheSettings) {
  JobSettings s = quick();
  s.imageWord = "Gif!";
  ASSERT_TRUE(prepare(s));
  EXPECT_EQ(job_->hits->grid().size(), 1201u);
  EXPECT_EQ(job_->hits->grid().stride(), 1211u);
  for (uint32_t c : {p().startColour, p().finishColour}) {
    EXPECT_EQ(c >> 24, 0xFFu);
    for (uint32_t channel : {red(c), green(c), blue(c)}) {
      EXPECT_GE(channel, 55u);
      EXPECT_LE(channel, 255u);
    }
  }
  std::ostringstream expected;
  expected << "colours " << p().startColour << " " << p().finishColour
           << "\noutput symmetric_square Gif! 6\nsize 1201x1201\npicture "
           << p().names.fileName << " 0\n";
  EXPECT_EQ(events(), expected.str());
  EXPECT_EQ(console_.err.str(), "");
  // The plan holds what the options fixed, for the stages after.
  EXPECT_EQ(p().options.side, 1201u);
  EXPECT_EQ(p().options.iterationMaximum, 0);
  EXPECT_EQ(p().options.format, s.format);
  EXPECT_FALSE(p().tiling);
  EXPECT_FALSE(p().frame);
}

TEST_F(PictureJobTest, ClockDecidesTheDrawsAndGivenChannelsAreNotDrawn) {
  ASSERT_TRUE(prepare(quick()));
  const PicturePlan first = p();
  ASSERT_TRUE(prepare(quick()));
  EXPECT_EQ(p().startColour, first.startColour);
  EXPECT_EQ(p().finishColour, first.finishColour);
  ASSERT_TRUE(prepare(quick(), NewYear + 1));
  EXPECT_NE(p().startColour, first.startColour);

  JobSettings given = quick();
  const uint32_t channels[6] = {255, 255, 7, 0, 0, 255};
  for (int c = 0; c < 6; ++c) given.channels[c] = channels[c];
  ASSERT_TRUE(prepare(given));
  EXPECT_EQ(p().startColour, 0xFFFFFF07u);
  EXPECT_EQ(p().finishColour, 0xFF0000FFu);
  EXPECT_EQ(events().find("colours 4294967047 4278190335\n"), 0u);
}

TEST_F(PictureJobTest, QuaziValuesAreDrawnInTheirRangesOrLimited) {
  JobSettings s = quick();
  s.quazi = true;
  s.side = 300;
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(prepare(s, NewYear + i));
    ASSERT_TRUE(p().tiling);
    const QuaziSettings& q = *p().tiling;
    EXPECT_GE(q.qline, 5);
    EXPECT_LE(q.qline, 42);
    EXPECT_EQ(p().spacingUnits.size(), std::size_t(q.qline));
    EXPECT_GE(q.qsize, 240);
    EXPECT_LT(q.qsize, 660);
    for (int32_t position : {q.qx, q.qy}) {
      EXPECT_GE(position, 50);
      EXPECT_LE(position, 300);
    }
    EXPECT_GE(q.qscale, 0.05);
    EXPECT_LT(q.qscale, 3.0);
    EXPECT_GE(q.qsep, 0.01);
    EXPECT_LT(q.qsep, 0.1);
  }
  EXPECT_NE(events().find("size 300x300\ntiling\npicture "), std::string::npos);
  // Below a side of 50 the position range is empty; it stays bounded.
  s.side = 45;
  ASSERT_TRUE(prepare(s));
  EXPECT_GE(p().tiling->qx, 45);
  EXPECT_LE(p().tiling->qx, 50);
  // A given position is lowered to the tiling's side, even below 20.
  s.qsize = 10;
  s.qx = 20;
  s.qy = 5000;
  console_.err.str("");
  ASSERT_TRUE(prepare(s));
  EXPECT_EQ(p().tiling->qx, 10);
  EXPECT_EQ(p().tiling->qy, 10);
  EXPECT_EQ(console_.err.str(),
            "marl: warning: qx=20 is above qsize 10; using 10\n"
            "marl: warning: qy=5000 is above qsize 10; using 10\n");
  // A recipe's position is the one the tiling was made with: kept.
  s.keepQy = true;
  ASSERT_TRUE(prepare(s));
  EXPECT_EQ(p().tiling->qx, 10);
  EXPECT_EQ(p().tiling->qy, 5000);
}

// The draw sequence of a whole job, replayed from its written description
// on a bare engine: any change to the order changes every later picture.
TEST_F(PictureJobTest, DrawSequenceIsPinned) {
  JobSettings s;
  s.iterationMaximum = 1000001;  // one fill check, perhaps restarts
  s.detail = 2;
  s.side = 40;
  s.quazi = true;
  s.channels[1] = 9;  // G0 given: not drawn
  s.qsize = 300;      // given: not drawn
  std::srand(4242);
  ASSERT_TRUE(prepare(s, NewYear + 7));
  std::size_t restarts = 0;
  for (std::size_t at = events().find("restarted"); at != std::string::npos;
       at = events().find("restarted", at + 1))
    ++restarts;

  boost::random::mt19937 e;
  auto small = [&](int lo, int hi) {
    return boost::random::uniform_smallint<int>(lo, hi)(e);
  };
  auto integer = [&](int lo, int hi) { return boost::uniform_int<int>(lo, hi)(e); };
  auto real = [&](double lo, double hi) {
    return boost::uniform_real<double>(lo, hi)(e);
  };
  auto unit = [&] { return boost::random::uniform_01<double>()(e); };
  for (int i = 0; i < 1607; ++i) {  // 1. the clock's second mod 2000
    small(0, 200);
    integer(0, 99000);
  }
  for (int i = 0; i < 3 * 12006; ++i) small(0, 200);  // 2. colour slots
  const uint32_t r0 = 55 + small(0, 200);              // 3. open channels
  const uint32_t b0 = 55 + small(0, 200);
  EXPECT_EQ(p().startColour, 0xFF000000u + r0 * 65536 + 9 * 256 + b0);
  for (int c = 0; c < 3; ++c) small(0, 200);
  for (int i = 0; i < 100; ++i) {  // 4. the tiling's values
    e();
    integer(40, 50);  // an empty range 50..40 draws over 40..50
    integer(5, 42);
    e();
  }
  ASSERT_TRUE(p().tiling);
  const QuaziSettings& q = *p().tiling;
  EXPECT_EQ(q.qline, integer(5, 42));
  EXPECT_EQ(q.qsize, 300);
  EXPECT_EQ(q.qx, integer(40, 50));
  EXPECT_EQ(q.qy, integer(40, 50));
  EXPECT_EQ(q.qscale, real(0.05, 3.0));
  EXPECT_EQ(q.qsep, real(0.01, 0.1));
  std::srand(4242);
  int imageNumber = -1, linear = 0;
  double offset = 0, first = 0;
  for (std::size_t attempt = 0; attempt <= restarts; ++attempt) {  // 5., 6.
    linear = small(-3, 3);
    e.discard(202);
    unit();  // the start point
    unit();
    offset = std::rand() % 2 == 0 ? 0.5 : 0.0;
    first = unit() * 0.8 - 0.4;
    for (int k = 1; k < 4; ++k) unit();
    imageNumber = small(0, 30000);
  }
  EXPECT_EQ(p().map.linearCoefficient, linear);
  EXPECT_EQ(p().map.offsetX, offset);
  EXPECT_EQ(p().map.coefficientMatrix[0][0], first);
  char name[64];
  std::snprintf(name, sizeof name, "symmetric_square%06d.jpg", imageNumber);
  EXPECT_EQ(p().names.fileName, name);
  for (double u : p().spacingUnits) EXPECT_EQ(u, unit());  // 7.
  EXPECT_EQ(random_.engine(), e);
}

// A map made at one side and given again at twice the side counts the same
// orbit: x * 2S is exactly 2 * (x * S), so every cell splits into 2 x 2.
TEST_F(PictureJobTest, GivenMapAtTwiceTheSideNestsItsCells) {
  char folder[] = "/tmp/marl-job-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  JobSettings s = small(folder, 1200000, 90);
  ASSERT_TRUE(prepare(s));
  ASSERT_TRUE(finish());
  const HitGrid small = job_->hits->grid();
  s.map = marl_test::givenMapOf(p());
  s.side = 180;
  ASSERT_TRUE(prepare(s, NewYear + 999));  // the clock no longer matters
  ASSERT_TRUE(finish());
  EXPECT_EQ(events().find("fillval"), std::string::npos);
  const HitGrid& large = job_->hits->grid();
  uint64_t total = 0;
  for (uint32_t r = 0; r < 90; ++r) {
    for (uint32_t c = 0; c < 90; ++c) {
      const uint32_t sum = large.at(2 * r, 2 * c) + large.at(2 * r, 2 * c + 1) +
                           large.at(2 * r + 1, 2 * c) +
                           large.at(2 * r + 1, 2 * c + 1);
      ASSERT_EQ(sum, small.at(r, c)) << r << "," << c;
      total += sum;
    }
  }
  EXPECT_GT(total, 1000000u);
  std::filesystem::remove_all(folder);
}

// A replay feeds the progress display's step counter like a drawn map,
// exact or fast: every step it takes, counted from its attempt's first.
TEST_F(PictureJobTest, GivenMapCountsItsStepsInBothModes) {
  char folder[] = "/tmp/marl-job-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  GivenMap given;
  given.linearCoefficient = 1;
  given.startX = 0.3;
  given.startY = 0.6;
  given.coefficients = {0.5, -0.2, 0.1, 0.3, 0.7, -0.4, 0.2, -0.6, 0.05};
  given.imageNumber = 7;
  for (JobSettings::Mode mode :
       {JobSettings::Mode::Exact, JobSettings::Mode::Fast}) {
    for (int32_t attempt : {1, 2}) {
      JobSettings s = small(folder, 2500000, 60);  // enough for fast orbits
      s.mode = mode;
      given.attempt = attempt;
      s.map = given;
      ASSERT_TRUE(prepare(s));
      ASSERT_TRUE(finish()) << console_.err.str();
      EXPECT_EQ(steps_.load(), s.iterationMaximum - (attempt - 1))
          << int(mode) << " " << attempt;
    }
  }
  std::filesystem::remove_all(folder);
}

TEST_F(PictureJobTest, UnallocatableGridStopsTheJobAfterTheColours) {
  JobSettings s = quick();
  s.side = 0xFFFFFFF0u;  // no machine has memory for this
  EXPECT_FALSE(prepare(s));
  EXPECT_EQ(console_.err.str(),
            "marl: error: cannot allocate the hit grid for size=4294967280: "
            "out of memory; give a smaller size\n");
  EXPECT_EQ(events().find("size "), std::string::npos);
  EXPECT_NE(events().find("output "), std::string::npos);
}

}  // namespace
}  // namespace marl

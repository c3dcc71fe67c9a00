// End-to-end runs of the real binary: the console transcript, the help
// exits, the count line, the parameter file and the job echo.
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_smallint.hpp>
#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

// The colours the first job of a run draws for channels the options leave
// open, derived straight from the engine: the frozen second skips 1600 pairs
// of draws, then the job's 12006 colour slots take three draws each.
class FirstJobColours {
 public:
  FirstJobColours() { engine_.discard(2 * (kFrozenSeconds % 2000) + 3 * 12006); }
  int channel() {
    boost::random::uniform_smallint<int> draw(0, 200);
    return 55 + draw(engine_);
  }

 private:
  boost::random::mt19937 engine_;
};

std::string colourLine(const char* label, int r, int g, int b) {
  return std::string(label) + "Red " + std::to_string(r) + " Green " +
         std::to_string(g) + " Blue " + std::to_string(b) + "\n";
}

std::string echo(int r0, int g0, int b0, int r1, int g1, int b1,
                 const std::string& basename, const std::string& word,
                 int detail, unsigned size) {
  return colourLine("Start color = ", r0, g0, b0) +
         colourLine("Final color = ", r1, g1, b1) + "base file name is " +
         basename + "\nImage will be " + word + " type\nDetail level = " +
         std::to_string(detail) + "\nThe image will be " +
         std::to_string(size) + " x " + std::to_string(size) + " pixels\n";
}

const std::vector<std::string> kColours = {"R0=10", "G0=20", "B0=30",
                                           "R1=200", "G1=210", "B1=220"};

std::vector<std::string> with(std::vector<std::string> words) {
  words.insert(words.end(), kColours.begin(), kColours.end());
  return words;
}

std::string fixedEcho(const std::string& word = "jpeg", int detail = 6,
                      unsigned size = 1201) {
  return echo(10, 20, 30, 200, 210, 220, "symmetric_square", word, detail,
              size);
}

TEST(DriverEndToEnd, HelpEndsTheRunAfterTheUsageText) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"help"}, {"-h"}, {"-h", "count=2"},
        {"help=yes"}, {"count=2", "-h=1"}}) {
    TempFolder folder;
    const RunResult run = runMarl(folder, args);
    EXPECT_EQ(run.status, 0) << args[0];
    EXPECT_EQ(run.out, usageText()) << args[0];
    EXPECT_EQ(run.err, "") << args[0];
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(DriverEndToEnd, CountsOfNoImage) {
  for (auto [given, shown] : std::vector<std::pair<std::string, std::string>>{
           {"count=0", "0"}, {"count=abc", "0"}, {"count=-3", "-3"}}) {
    TempFolder folder;
    const RunResult run = runMarl(folder, {given});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, usageText() + shown + " image(s) will be created\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(DriverEndToEnd, HelpAfterAPairIsIgnoredWithAWarning) {
  TempFolder folder;
  const RunResult run = runMarl(folder, with({"count=2", "it=0", "help"}));
  EXPECT_EQ(run.status, 0);
  const std::string job =
      fixedEcho() + "symmetric_square######.jpg\nWill run to 0\n";
  EXPECT_TRUE(matchesTranscript(
      run.out, usageText() + "2 image(s) will be created\n" + job + job))
      << run.out;
  EXPECT_EQ(folder.files().size(), 2u);
  EXPECT_EQ(run.err,
            "marl: warning: ignoring 'help': a word without '=' counts only "
            "before the first key=value word\n");
}

TEST(DriverEndToEnd, NoArgumentsMakesOneDefaultImage) {
  TempFolder folder;
  const RunResult run = runMarl(folder, {});
  FirstJobColours colours;
  const int r0 = colours.channel(), g0 = colours.channel(),
            b0 = colours.channel(), r1 = colours.channel(),
            g1 = colours.channel(), b1 = colours.channel();
  EXPECT_EQ(run.status, 0);
  const std::string head = usageText() + "1 image(s) will be created\n" +
                           echo(r0, g0, b0, r1, g1, b1, "symmetric_square",
                                "jpeg", 6, 1201);
  ASSERT_EQ(run.out.substr(0, head.size()), head);

  // Then the file name, the attempts judged at 1,000,000 (all but the last
  // reset for filling less than 15%), and a progress line every 10,000,000.
  std::istringstream lines(run.out.substr(head.size()));
  std::string name, line;
  std::getline(lines, name);
  EXPECT_TRUE(std::regex_match(name, std::regex("symmetric_square\\d{6}\\.jpg")));
  std::getline(lines, line);
  EXPECT_EQ(line, "Will run to 200000000");
  double fill = 0;
  do {
    std::getline(lines, line);
    ASSERT_EQ(line, "itcnt = 1000000");
    std::getline(lines, line);
    ASSERT_EQ(line.rfind("fillval = ", 0), 0u);
    fill = std::stod(line.substr(10));
    if (fill < 0.15) {
      std::getline(lines, line);
      ASSERT_EQ(line, "Reseting as unfilled");
    }
  } while (fill < 0.15);
  for (int i = 1; i <= 19; ++i) {
    std::getline(lines, line);
    EXPECT_EQ(line, "itcnt = " + std::to_string(i * 10000000));
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(run.err, "");

  ASSERT_EQ(folder.files(), std::vector<std::string>{name});
  const DecodedImage picture = decodeImageFile(folder.path() + "/" + name);
  EXPECT_EQ(picture.width, 1201);
  EXPECT_EQ(picture.height, 1201);
}

TEST(DriverEndToEnd, ParameterFileFillsTheMapBehindTheCommandLine) {
  TempFolder folder;
  folder.write("p.txt",
               "\\ a comment\nR0=200\nG0=5\ncount=3\nhelp\nG0=6\nx\n"
               "image=tiff\nit=0\nR1=1\nG1=2\nB1=3\n");
  const RunResult run = runMarl(folder, {"file=p.txt", "R0=10"});
  EXPECT_EQ(run.status, 0);
  // The first job's blue channel is the only start channel left to draw.
  FirstJobColours colours;
  const std::string first =
      echo(10, 5, colours.channel(), 1, 2, 3, "symmetric_square", "tiff", 6,
           1201);
  const std::regex transcript(
      "(\\n[^]*)3 image\\(s\\) will be created\\n"
      "(Start color = Red 10 Green 5 Blue \\d+\\n"
      "Final color = Red 1 Green 2 Blue 3\\n"
      "base file name is symmetric_square\\nImage will be tiff type\\n"
      "Detail level = 6\\nThe image will be 1201 x 1201 pixels\\n"
      "symmetric_square\\d{6}\\.tif\\nWill run to 0\\n){3}");
  EXPECT_TRUE(std::regex_match(run.out, transcript)) << run.out;
  const std::size_t firstJob = run.out.find("Start color");
  EXPECT_EQ(run.out.substr(firstJob, first.size()), first);
  EXPECT_EQ(run.err,
            "marl: warning: ignoring parameter-file line 'help': it has no "
            "'='\n");
}

TEST(DriverEndToEnd, ColourAndImageWordsAreEchoedAsApplied) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, {"R0=300", "G0=-1", "B0=7.9", "R1=abc", "G1=0",
                       "B1=255", "image=png", "detail=13", "size=10", "it=0"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(matchesTranscript(
      run.out, usageText() + "1 image(s) will be created\n" +
                   echo(255, 255, 7, 0, 0, 255, "symmetric_square", "png", 12,
                        40) +
                   "symmetric_square######.jpg\nWill run to 0\n"))
      << run.out;
}

TEST(DriverEndToEnd, QuaziIsAnnouncedWithAndWithoutItsOptions) {
  for (std::vector<std::string> extra :
       {std::vector<std::string>{}, {"qline=7", "qsize=300", "qx=100",
                                     "qy=120", "qscale=0.5", "qsep=0.05"}}) {
    TempFolder folder;
    extra.insert(extra.begin(), {"quazi=true", "it=0", "size=200",
                                 "basename=q", "image=gif"});
    const RunResult run = runMarl(folder, with(extra));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(matchesTranscript(
        run.out, usageText() + "1 image(s) will be created\n" +
                     echo(10, 20, 30, 200, 210, 220, "q", "gif", 6, 200) +
                     "A quazi-crystal image tiling will also be created\n"
                     "q######.gif\nWill run to 0\n"))
        << run.out;
    EXPECT_EQ(run.err, "");
  }
}

TEST(DriverEndToEnd, SameClockSameTranscript) {
  TempFolder a, b;
  const RunResult first = runMarl(a, {"count=2", "it=0", "quazi=true"});
  const RunResult second = runMarl(b, {"count=2", "it=0", "quazi=true"});
  EXPECT_EQ(first.out, second.out);
  EXPECT_EQ(first.status, second.status);
}

}  // namespace
}  // namespace marl_e2e

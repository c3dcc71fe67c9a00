// The console transcripts of whole runs, made in this process through
// runMarl with a frozen clock and captured streams.
#include "driver/driver.h"

#include <unistd.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "e2e/transcript.h"

namespace marl_e2e {
namespace {

// Runs the program with `args` inside `folder`, as the binary would.
RunResult runHere(const TempFolder& folder,
                  const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"marl"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  char previous[4096];
  if (getcwd(previous, sizeof previous) == nullptr ||
      chdir(folder.path().c_str()) != 0) {
    ADD_FAILURE() << "cannot enter " << folder.path();
    return {};
  }
  RunResult result;
  result.status = marl::runMarl(int(argv.size()), argv.data(), out, err,
                                [] { return std::time_t(FrozenSeconds); });
  if (chdir(previous) != 0) ADD_FAILURE() << "cannot return to " << previous;
  result.out = out.str();
  result.err = err.str();
  return result;
}

const std::vector<std::string> Colours = {"R0=10", "G0=20", "B0=30",
                                           "R1=200", "G1=210", "B1=220"};

std::vector<std::string> with(std::vector<std::string> words) {
  words.insert(words.end(), Colours.begin(), Colours.end());
  return words;
}

std::string fixedEcho(const std::string& word = "jpeg", int detail = 6,
                      unsigned size = 1201) {
  return echo(10, 20, 30, 200, 210, 220, "symmetric_square", word, detail,
              size);
}

TEST(DriverTest, HelpEndsTheRunAfterTheUsageText) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"help"}, {"-h"}, {"-h", "count=2"},
        {"help=yes"}, {"count=2", "-h=1"}}) {
    TempFolder folder;
    const RunResult run = runHere(folder, args);
    EXPECT_EQ(run.status, 0) << args[0];
    EXPECT_EQ(run.out, usageText()) << args[0];
    EXPECT_EQ(run.err, "") << args[0];
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(DriverTest, CountsOfNoImage) {
  for (auto [given, shown] : std::vector<std::pair<std::string, std::string>>{
           {"count=0", "0"}, {"count=abc", "0"}, {"count=-3", "-3"}}) {
    TempFolder folder;
    const RunResult run = runHere(folder, {given});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, usageText() + shown + " image(s) will be created\n");
    EXPECT_EQ(run.err, given == "count=abc"
                           ? "marl: warning: count=abc is not a whole number; "
                             "using 0\n"
                           : "");
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(DriverTest, HelpAfterAPairIsIgnoredWithAWarning) {
  TempFolder folder;
  const RunResult run = runHere(folder, with({"count=2", "it=0", "help"}));
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

TEST(DriverTest, ParameterFileFillsTheMapBehindTheCommandLine) {
  TempFolder folder;
  folder.write("p.txt",
               "\\ a comment\nR0=200\nG0=5\ncount=3\nhelp\nG0=6\nx\n"
               "image=tiff\nit=0\nR1=1\nG1=2\nB1=3\n");
  const RunResult run = runHere(folder, {"file=p.txt", "R0=10"});
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

TEST(DriverTest, ColourAndImageWordsAreEchoedAsApplied) {
  TempFolder folder;
  const RunResult run =
      runHere(folder, {"R0=300", "G0=-1", "B0=7.9", "R1=abc", "G1=0",
                       "B1=255", "image=jpg", "detail=13", "size=10", "it=0"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(matchesTranscript(
      run.out, usageText() + "1 image(s) will be created\n" +
                   echo(255, 255, 7, 0, 0, 255, "symmetric_square", "jpg", 12,
                        40) +
                   "symmetric_square######.jpg\nWill run to 0\n"))
      << run.out;
}

TEST(DriverTest, QuaziIsAnnouncedWithAndWithoutItsOptions) {
  for (std::vector<std::string> extra :
       {std::vector<std::string>{}, {"qline=7", "qsize=300", "qx=100",
                                     "qy=120", "qscale=0.5", "qsep=0.05"}}) {
    TempFolder folder;
    extra.insert(extra.begin(), {"quazi=true", "it=0", "size=200",
                                 "basename=q", "image=gif"});
    const RunResult run = runHere(folder, with(extra));
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

}  // namespace
}  // namespace marl_e2e

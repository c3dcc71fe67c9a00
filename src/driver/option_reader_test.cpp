#include "driver/option_reader.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "colour/gradient.h"
#include "options/option_keys.h"
#include "support/command_words.h"
#include "support/picture_texts.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

// A 1 x 1 GIF with a comment, for withTexts to replace: the smallest
// picture that carries a recipe.
const char TinyGif[] =
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff"
    "\x21\xfe\x01x\x00"
    "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b";
const char RecipeHead[] =
    "\\ marl recipe: 'marl file=PICTURE' makes this picture again; options"
    " on the command line win\n";

std::string show(const std::optional<int64_t>& v) {
  return v ? std::to_string(*v) : "absent";
}
std::string show(const std::optional<double>& v) {
  if (!v) return "absent";
  std::ostringstream text;
  text << *v;
  return text.str();
}

// One value read one way, from the command line or from a picture's recipe.
struct Case {
  const char* pair;  // key=value
  std::function<std::string(OptionReader&, const char*)> read;
  const char* used;   // the value read, shown
  const char* problem;  // what follows "key=value " when it is reported
  const char* instead;  // what a warning says is used; "" when none
};

const auto Integer = [](OptionReader& r, const char* k) {
  return show(r.integer(k));
};
const auto Real = [](OptionReader& r, const char* k) { return show(r.real(k)); };
const auto Channel = [](OptionReader& r, const char* k) {
  const std::optional<uint32_t> c = r.channel(k);
  return c ? std::to_string(*c) : "absent";
};
const auto OnOff = [](OptionReader& r, const char* k) {
  const std::optional<bool> on = r.onOff(k);
  return on ? (*on ? "on" : "off") : "absent";
};
const auto BlendChoice = [](OptionReader& r, const char* k) {
  Blend blend = Blend::Rgb;
  r.choice(k, BlendWords, blend);
  return std::string(wordFor(BlendWords, blend));
};

const Case Cases[] = {
    {"size=39", Integer, "40", "is below 40", "using 40"},
    {"size=70000", Integer, "65535", "is above 65535", "using 65535"},
    {"size=abc", Integer, "40", "is not a whole number", "using 40"},
    {"detail= 7 ", Integer, "7", "", ""},
    {"detail=7x", Integer, "7", "is not a whole number", "using 7"},
    {"qsize=-99999999999", Integer, "-2147483648", "is out of range",
     "using -2147483648"},
    {"it=1000000000000", Integer, "1000000000000", "", ""},
    {"it=lots", Integer, "0", "is not a whole number", "using 0"},
    {"plane=4294967295", Integer, "4294967295", "", ""},
    {"gamma=0.5e1", Real, "5", "", ""},
    {"gamma=99", Real, "10", "is above 10", "using 10"},
    {"qscale=nan", Real, "0.05", "is not a finite number", "using 0.05"},
    {"qsep=-INF", Real, "0.01", "is not a finite number", "using 0.01"},
    {"shiftx=0.5zz", Real, "0.5", "is not a number", "using 0.5"},
    {"R0=300", Channel, "255", "is not in 0..255", "using 255"},
    {"G0=-1", Channel, "255", "is not in 0..255", "using 255"},
    {"B0=7.9", Channel, "7", "is not a whole number", "using 7"},
    {"B1=255", Channel, "255", "", ""},
    // On when the value holds true or TRUE, as quazi= always was; a recipe
    // holds only true or false.
    {"quazi=true", OnOff, "on", "", ""},
    {"reverse=false", OnOff, "off", "", ""},
    {"reverse=xTRUEx", OnOff, "on", "is neither true nor false", ""},
    {"quazi=True", OnOff, "off", "is neither true nor false", ""},
    {"quazi=1", OnOff, "off", "is neither true nor false", ""},
    {"blend=oklab", BlendChoice, "oklab", "", ""},
    {"blend=y", BlendChoice, "rgb", "is not rgb or oklab", "using rgb"},
};

class OptionReaderTest : public ::testing::Test {
 protected:
  // The reading of `c`, from the command line or from a picture's recipe;
  // what it printed is left in err_.
  std::string run(const Case& c, bool fromPicture) {
    std::vector<std::string> words;
    if (fromPicture) {
      const std::string lines = std::string(RecipeHead) + c.pair + "\n";
      std::ofstream(dir_.file("in.gif"), std::ios::binary)
          << marl_test::withTexts(std::string(TinyGif, sizeof TinyGif - 1),
                                  {marl_test::sealed(lines)});
      words.push_back("file=" + dir_.file("in.gif"));
    } else {
      words.push_back(c.pair);
    }
    const marl_test::CommandWords command(words);
    err_.str("");
    const ArgumentMap map(command.argc(), command.argv(), err_);
    EXPECT_EQ(map.readPicture(), fromPicture) << err_.str();
    OptionReader read(map, err_);
    const std::string pair = c.pair;
    const std::string key = pair.substr(0, pair.find('='));
    const std::string used = c.read(read, key.c_str());
    failed_ = read.failed();
    return used;
  }
  marl_test::TempDir dir_;
  std::ostringstream err_;
  bool failed_ = false;
};

TEST_F(OptionReaderTest, EachKindIsReadLimitedAndWarnedOrRefused) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.pair);
    const std::string problem = c.problem;
    // From the command line: the value used, one warning naming both.
    EXPECT_EQ(run(c, false), c.used);
    EXPECT_FALSE(failed_);
    const std::string warning =
        problem.empty() || !*c.instead
            ? ""
            : "marl: warning: " + std::string(c.pair) + " " + problem + "; " +
                  c.instead + "\n";
    EXPECT_EQ(err_.str(), warning);
    // From a picture's recipe: a value marl never writes is refused.
    run(c, true);
    EXPECT_EQ(failed_, !problem.empty());
    const std::string refusal =
        problem.empty() ? ""
                        : "marl: error: the recipe in '" +
                              dir_.file("in.gif") + "' is unusable: " +
                              c.pair + " " + problem +
                              "; no picture is made\n";
    EXPECT_EQ(err_.str(), refusal);
  }
}

TEST_F(OptionReaderTest, AbsentKeysReadAsAbsentAndSayNothing) {
  const marl_test::CommandWords command({});
  const ArgumentMap map(command.argc(), command.argv(), err_);
  OptionReader read(map, err_);
  EXPECT_FALSE(read.integer(key::Size));
  EXPECT_FALSE(read.real(key::Gamma));
  EXPECT_FALSE(read.channel(key::R0));
  EXPECT_FALSE(read.onOff(key::Quazi));
  EXPECT_EQ(err_.str(), "");
  EXPECT_FALSE(read.failed());
}

// A value that only the format makes unusable is refused only when the
// recipe chose the format too; the warning has its own words.
TEST_F(OptionReaderTest, AProblemOfTwoKeysIsRefusedOnlyWhenBothCameFromThePicture) {
  for (const bool imageOnCommandLine : {false, true}) {
    const std::string lines = std::string(RecipeHead) + "depth=16\nimage=jpeg\n";
    std::ofstream(dir_.file("in.gif"), std::ios::binary)
        << marl_test::withTexts(std::string(TinyGif, sizeof TinyGif - 1),
                                {marl_test::sealed(lines)});
    std::vector<std::string> words = {"file=" + dir_.file("in.gif")};
    if (imageOnCommandLine) words.push_back("image=bmp");
    const marl_test::CommandWords command(words);
    err_.str("");
    const ArgumentMap map(command.argc(), command.argv(), err_);
    OptionReader read(map, err_);
    read.report(key::Depth, "16",
                {"does not fit its JPEG picture", "using 8",
                 "needs image=png or image=tiff", key::Image});
    EXPECT_EQ(read.failed(), !imageOnCommandLine);
    EXPECT_EQ(err_.str(),
              imageOnCommandLine
                  ? "marl: warning: depth=16 needs image=png or image=tiff; "
                    "using 8\n"
                  : "marl: error: the recipe in '" + dir_.file("in.gif") +
                        "' is unusable: depth=16 does not fit its JPEG "
                        "picture; no picture is made\n");
  }
}

// What no reading looked at is still checked, strictly, when a picture's
// recipe holds it.
TEST_F(OptionReaderTest, KeysNoReadingLookedAtAreCheckedByTheirKind) {
  struct Unread {
    const char* lines;
    const char* says;  // "" when it fits
  } cases[] = {
      {"frame=3\nqline=7\nloop=0.5\n", ""},
      {"frame=-1\n", "frame=-1 is not a whole number from 0 to 999998"},
      {"frame=2x\n", "frame=2x is not a whole number from 0 to 999998"},
      {"qline=99\n", "qline=99 is not a whole number from 5 to 42"},
      {"qx=5\n", "qx=5 is not a whole number of at least 20"},
      {"qsize=70000\n", "qsize=70000 is not a whole number of at most 65535"},
      {"loop=nan\n", "loop=nan is not a number from 0 to 1"},
      {"quazi=yes\n", "quazi=yes is neither true nor false"},
      {"spacings=0.5,1\n", "spacings value 2 is not a number from 0 up to 1"},
      {"keyframes=0.5;2\n", "keyframes value 1 is not a number from -1 to 1"},
  };
  for (const Unread& u : cases) {
    SCOPED_TRACE(u.lines);
    std::ofstream(dir_.file("in.gif"), std::ios::binary)
        << marl_test::withTexts(
               std::string(TinyGif, sizeof TinyGif - 1),
               {marl_test::sealed(std::string(RecipeHead) + u.lines)});
    const marl_test::CommandWords command({"file=" + dir_.file("in.gif")});
    err_.str("");
    const ArgumentMap map(command.argc(), command.argv(), err_);
    OptionReader read(map, err_);
    read.checkUnread();
    EXPECT_EQ(read.failed(), *u.says != '\0');
    EXPECT_EQ(err_.str(), *u.says ? "marl: error: the recipe in '" +
                                        dir_.file("in.gif") +
                                        "' is unusable: " + u.says +
                                        "; no picture is made\n"
                                  : "");
  }
  // Read, a value is the reading's to judge, and is not checked again.
  std::ofstream(dir_.file("in.gif"), std::ios::binary)
      << marl_test::withTexts(
             std::string(TinyGif, sizeof TinyGif - 1),
             {marl_test::sealed(std::string(RecipeHead) + "frame=-1\n")});
  const marl_test::CommandWords command({"file=" + dir_.file("in.gif")});
  err_.str("");
  const ArgumentMap map(command.argc(), command.argv(), err_);
  OptionReader read(map, err_);
  read.text(key::Frame);
  read.checkUnread();
  EXPECT_FALSE(read.failed());
}

}  // namespace
}  // namespace marl

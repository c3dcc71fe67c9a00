#include "driver/option_reader.h"

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace marl {
namespace {

struct Reading {
  explicit Reading(std::vector<std::string> words) {
    words.insert(words.begin(), "marl");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    map = std::make_unique<ArgumentMap>(int(argv.size()), argv.data(), err);
  }
  std::ostringstream err;
  std::unique_ptr<ArgumentMap> map;
};

TEST(OptionReaderTest, EachChangedValueGetsOneWarningNamingBoth) {
  struct Case {
    const char* word;
    int64_t lo, hi, used;
    const char* warning;  // empty: none
  } cases[] = {
      {"size=39", 40, 16384, 40, "size=39 is below 40; using 40"},
      {"size=16385", 40, 16384, 16384, "size=16385 is above 16384; using 16384"},
      {"size=abc", 40, 16384, 40, "size=abc is not a whole number; using 40"},
      {"detail=13", 2, 12, 12, "detail=13 is above 12; using 12"},
      {"detail= 7 ", 2, 12, 7, ""},
      {"detail=7x", 2, 12, 7, "detail=7x is not a whole number; using 7"},
      {"count=99999999999", INT32_MIN, INT32_MAX, INT32_MAX,
       "count=99999999999 is out of range; using 2147483647"},
      {"it=1000000000000", INT64_MIN, INT64_MAX, 1000000000000, ""},
      {"it=lots", INT64_MIN, INT64_MAX, 0, "it=lots is not a whole number; using 0"},
  };
  for (const Case& c : cases) {
    Reading r({c.word});
    const std::string key = std::string(c.word).substr(0, std::string(c.word).find('='));
    OptionReader read(*r.map, r.err);
    EXPECT_EQ(read.integer(key.c_str(), c.lo, c.hi), c.used) << c.word;
    const std::string expected =
        *c.warning ? "marl: warning: " + std::string(c.warning) + "\n" : "";
    EXPECT_EQ(r.err.str(), expected) << c.word;
  }
  Reading absent({});
  OptionReader read(*absent.map, absent.err);
  EXPECT_FALSE(read.integer("size", 40, 16384).has_value());
  EXPECT_EQ(absent.err.str(), "");
}

TEST(OptionReaderTest, RealsThatAreNotFiniteReadAsZeroThenLimited) {
  Reading r({"qscale=nan", "qsep=inf", "qx=0.5e-1", "qy=-INF", "R0=0.5zz"});
  OptionReader read(*r.map, r.err);
  EXPECT_EQ(read.real("qscale", 0.05, 3.0), 0.05);
  EXPECT_EQ(read.real("qsep", 0.01, 0.1), 0.01);
  EXPECT_EQ(read.real("qx", 0.01, 0.1), 0.05);
  EXPECT_EQ(read.real("qy", -1.0, 1.0), 0.0);
  EXPECT_EQ(read.real("R0", 0.0, 1.0), 0.5);  // read as far as it goes
  EXPECT_EQ(r.err.str(),
            "marl: warning: qscale=nan is not a finite number; using 0.05\n"
            "marl: warning: qsep=inf is not a finite number; using 0.01\n"
            "marl: warning: qy=-INF is not a finite number; using 0\n"
            "marl: warning: R0=0.5zz is not a number; using 0.5\n");
}

TEST(OptionReaderTest, ChannelsKeepTheirWrapAndSayWhenItApplies) {
  Reading r({"R0=300", "G0=-1", "B0=7.9", "R1=abc", "G1=0", "B1=255"});
  OptionReader read(*r.map, r.err);
  const uint32_t expected[6] = {255, 255, 7, 0, 0, 255};
  const char* keys[6] = {"R0", "G0", "B0", "R1", "G1", "B1"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(read.channel(keys[c]), expected[c]);
  EXPECT_EQ(r.err.str(),
            "marl: warning: R0=300 is not in 0..255; using 255\n"
            "marl: warning: G0=-1 is not in 0..255; using 255\n"
            "marl: warning: B0=7.9 is not a whole number; using 7\n"
            "marl: warning: R1=abc is not a whole number; using 0\n");
}

}  // namespace
}  // namespace marl

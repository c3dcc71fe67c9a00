// End-to-end runs whose pictures draw names that are taken: by another
// process at the same moment, by old files, or by the run's own pictures.
#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

std::vector<std::string> printedNames(const std::string& out) {
  std::vector<std::string> names;
  const std::regex name("[^\\n]*\\d{6}\\.bmp(?=\\n)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), name);
       it != std::sregex_iterator(); ++it)
    names.push_back(it->str());
  return names;
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1))
    ++n;
  return n;
}

TEST(CollisionEndToEnd, TwoProcessesInTheSameSecondBothKeepTheirPicture) {
  // The same clock and draws give the same name; the colours differ.
  const std::vector<std::string> common = {"it=200000", "size=100",
                                           "image=bmp", "R0=0", "G0=0", "B0=0"};
  std::vector<std::string> dark = common, light = common;
  for (const char* word : {"R1=40", "G1=40", "B1=40"}) dark.push_back(word);
  for (const char* word : {"R1=250", "G1=250", "B1=250"}) light.push_back(word);
  TempFolder folder;
  MarlProcess first(folder, dark), second(folder, light);
  const RunResult a = first.wait(), b = second.wait();
  EXPECT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(b.status, 0) << b.err;
  const std::vector<std::string> names = printedNames(a.out);
  ASSERT_EQ(names.size(), 1u);
  ASSERT_EQ(printedNames(b.out), names);
  const std::string moved = names[0].substr(0, names[0].size() - 4) + "-2.bmp";
  ASSERT_EQ(folder.files(), (std::vector<std::string>{moved, names[0]}));
  EXPECT_NE(folder.read(moved), folder.read(names[0]));
  // The one that stepped aside says so.
  EXPECT_EQ(a.err + b.err, "marl: warning: '" + names[0] + "' exists; wrote '" +
                               moved + "' instead\n");
}

TEST(CollisionEndToEnd, EveryPictureOfALongRunIsKeptBesideOldFiles) {
  // A first run learns the 300 names this clock gives; the second run finds
  // each of them taken by an old file before it starts.
  const std::vector<std::string> words = {"count=300", "it=0", "size=40",
                                          "image=bmp"};
  TempFolder probe, folder;
  const std::vector<std::string> names = printedNames(runMarl(probe, words).out);
  ASSERT_EQ(names.size(), 300u);
  const std::set<std::string> distinct(names.begin(), names.end());
  ASSERT_LT(distinct.size(), 300u) << "the run should repeat a name";
  for (const std::string& name : distinct) folder.write(name, "old");

  const RunResult run = runMarl(folder, words);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(printedNames(run.out), names);
  const std::vector<std::string> files = folder.files();
  EXPECT_EQ(files.size(), distinct.size() + 300);
  const auto old = std::count_if(files.begin(), files.end(), [&](auto& f) {
    return folder.read(f) == "old";
  });
  EXPECT_EQ(std::size_t(old), distinct.size());
  EXPECT_EQ(countOf(run.err, "marl: warning: '"), 300u);
}

}  // namespace
}  // namespace marl_e2e

// seed=: the run's draws from a number instead of the clock, so that one
// seed makes the same pictures anywhere and other seeds other pictures,
// also from many processes at once.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

// The value of `key` in the recipe a JPEG carries as plain text.
std::string recipeValue(const std::string& bytes, const std::string& key) {
  const std::size_t at = bytes.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  const std::size_t from = at + key.size() + 2;
  return bytes.substr(from, bytes.find('\n', from) - from);
}

struct Made {
  RunResult run;
  std::vector<std::string> names;
  std::vector<std::string> bytes;
};

Made make(const TempFolder& folder, const std::vector<std::string>& args,
          const char* time) {
  Made made;
  made.run = runMarl(folder, args, time);
  made.names = folder.files();
  for (const std::string& name : made.names)
    made.bytes.push_back(folder.read(name));
  return made;
}

const std::vector<std::string> Small = {"count=3", "size=64", "it=200000",
                                        "detail=4"};

std::vector<std::string> with(std::vector<std::string> args,
                              const std::string& word) {
  args.push_back(word);
  return args;
}

TEST(SeedEndToEnd, OneSeedTheSameFilesAnywhereAtAnyTimeOtherSeedsOtherMaps) {
  TempFolder here, there, other, replayed;
  const Made one = make(here, with(Small, "seed=42"), FrozenTime);
  const Made again = make(there, with(Small, "seed=42"), "2031-07-19 13:37:11");
  const Made seven = make(other, with(Small, "seed=43"), FrozenTime);
  ASSERT_EQ(one.run.status, 0) << one.run.err;
  ASSERT_EQ(one.names.size(), 3u);
  EXPECT_EQ(one.run.out, again.run.out);
  EXPECT_EQ(one.names, again.names);
  EXPECT_TRUE(one.bytes == again.bytes);
  EXPECT_EQ(recipeValue(one.bytes[0], "seed"), "42");

  // Each picture of the other seed has a map of its own.
  ASSERT_EQ(seven.names.size(), 3u);
  std::set<std::string> maps;
  for (const Made* made : {&one, &seven})
    for (const std::string& bytes : made->bytes)
      maps.insert(recipeValue(bytes, "coefficients"));
  EXPECT_EQ(maps.size(), 6u);
  EXPECT_EQ(maps.count(""), 0u);

  // A seeded picture's recipe, seed and all, makes it again byte for byte.
  const RunResult replay = runMarl(
      replayed, {"file=" + here.path() + "/" + one.names[1]},
      "2029-02-03 04:05:06");
  ASSERT_EQ(replay.status, 0) << replay.err;
  ASSERT_EQ(replayed.files(), std::vector<std::string>{one.names[1]});
  EXPECT_TRUE(replayed.read(one.names[1]) == one.bytes[1]);
}

TEST(SeedEndToEnd, WithoutASeedTheClockStillDecides) {
  TempFolder seeded, early, late;
  const Made first = make(early, Small, FrozenTime);
  const Made second = make(late, Small, "2026-01-01 00:00:01");
  const Made zero = make(seeded, with(Small, "seed=0"), FrozenTime);
  ASSERT_EQ(first.names.size(), 3u);
  EXPECT_NE(first.names, second.names);
  EXPECT_EQ(recipeValue(first.bytes[0], "seed"), "");
  // seed=0 is a seed: not the clock's draws of the same second.
  EXPECT_NE(recipeValue(zero.bytes[0], "coefficients"),
            recipeValue(first.bytes[0], "coefficients"));
}

// The batch in small: four processes of four seeds at once, at the
// real clock, into one folder and one catalogue.
TEST(SeedEndToEnd, FourSeedsInFourProcessesMakeDistinctPicturesOneCatalogue) {
  TempFolder folder;
  const int count = 3;
  const std::string command =
      "cd '" + folder.path() + "' && parallel --will-cite -j 4 " +
      MARL_BINARY + " seed={} count=" + std::to_string(count) +
      " mode=fast size=64 it=300000 catalogue=batch.jsonl ::: 1 2 3 4"
      " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0)
      << "GNU parallel is missing? scripts/install-deps.sh installs it";
  std::vector<std::string> pictures;
  std::set<std::string> contents;
  for (const std::string& name : folder.files()) {
    if (name == "batch.jsonl") continue;
    pictures.push_back(name);
    contents.insert(folder.read(name));
  }
  EXPECT_EQ(pictures.size(), 4u * count);
  EXPECT_EQ(contents.size(), 4u * count);

  const std::string catalogue = folder.read("batch.jsonl");
  ASSERT_FALSE(catalogue.empty());
  EXPECT_EQ(catalogue.back(), '\n');
  std::set<std::string> listed;
  std::multiset<unsigned> seeds;
  std::size_t from = 0;
  for (std::size_t end; (end = catalogue.find('\n', from)) != std::string::npos;
       from = end + 1) {
    const nlohmann::json line =
        nlohmann::json::parse(catalogue.substr(from, end - from));
    seeds.insert(line["seed"].get<unsigned>());
    for (const auto& file : line["files"]) listed.insert(file.get<std::string>());
    EXPECT_EQ(line["mode"], "fast");
  }
  EXPECT_EQ(listed, std::set<std::string>(pictures.begin(), pictures.end()));
  for (unsigned seed = 1; seed <= 4; ++seed)
    EXPECT_EQ(seeds.count(seed), std::size_t(count)) << "seed " << seed;
}

}  // namespace
}  // namespace marl_e2e

// catalogue=: one JSON line per picture made, whole even when many
// processes append to one catalogue, the same on any number of threads, and
// a catalogue that cannot take a line is no success.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "e2e/marl_process.h"
#include "readers/embedded_text.h"

namespace marl_e2e {
namespace {

// The catalogue's lines, each checked to be one JSON object.
std::vector<nlohmann::json> linesOf(const std::string& catalogue) {
  std::vector<nlohmann::json> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = catalogue.find('\n', from)) != std::string::npos;
       from = end + 1) {
    const std::string text = catalogue.substr(from, end - from);
    EXPECT_TRUE(nlohmann::json::accept(text)) << "not JSON: " << text;
    if (nlohmann::json::accept(text)) lines.push_back(nlohmann::json::parse(text));
  }
  EXPECT_EQ(from, catalogue.size()) << "the catalogue ends inside a line";
  return lines;
}

TEST(CatalogueEndToEnd, AThousandPicturesFromEightProcessesAThousandLines) {
  TempFolder folder;
  std::vector<std::unique_ptr<MarlProcess>> processes;
  for (int seed = 1; seed <= 8; ++seed)
    processes.push_back(std::make_unique<MarlProcess>(
        folder,
        std::vector<std::string>{"seed=" + std::to_string(seed), "count=125",
                                 "size=40", "it=2000", "detail=2",
                                 "image=bmp", "threads=1",
                                 "catalogue=pictures.jsonl"}));
  for (auto& process : processes) {
    const RunResult run = process->waitAtMost(std::chrono::seconds(300));
    EXPECT_EQ(run.status, 0) << run.err;
  }
  const std::vector<nlohmann::json> lines =
      linesOf(folder.read("pictures.jsonl"));
  ASSERT_EQ(lines.size(), 1000u);
  // Every line names a picture that is there, and every picture is listed
  // once: names taken by another process's picture come numbered.
  std::set<std::string> listed;
  std::set<std::pair<unsigned, int>> places;
  for (const nlohmann::json& line : lines) {
    ASSERT_EQ(line["files"].size(), 1u);
    listed.insert(line["files"][0].get<std::string>());
    places.emplace(line["seed"].get<unsigned>(), line["picture"].get<int>());
    EXPECT_EQ(line["size"], 40);
    EXPECT_EQ(line["check"].get<std::string>().size(), 16u);
  }
  EXPECT_EQ(places.size(), 1000u);
  std::set<std::string> pictures;
  for (const std::string& name : folder.files())
    if (name != "pictures.jsonl") pictures.insert(name);
  EXPECT_EQ(listed, pictures);
}

TEST(CatalogueEndToEnd, OneOrTwoThreadsListTheRunInOrderTheSameWay) {
  std::string catalogues[2];
  for (int threads = 1; threads <= 2; ++threads) {
    TempFolder folder;
    const RunResult run = runMarl(
        folder, {"count=4", "size=48", "it=1200000", "quazi=true", "qsize=40",
                 "threads=" + std::to_string(threads), "catalogue=c.jsonl"});
    ASSERT_EQ(run.status, 0) << run.err;
    catalogues[threads - 1] = folder.read("c.jsonl");
    const std::vector<nlohmann::json> lines = linesOf(catalogues[threads - 1]);
    ASSERT_EQ(lines.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const nlohmann::json& line = lines[std::size_t(i)];
      EXPECT_EQ(line["picture"], i + 1);
      EXPECT_TRUE(line["seed"].is_null());
      ASSERT_EQ(line["files"].size(), 2u);  // the picture and its tiling
      const std::string name = line["files"][0];
      const std::string bytes = folder.read(name);
      // The line's check and number are those of the picture's recipe.
      EXPECT_NE(bytes.find("\ncheck=" + line["check"].get<std::string>()),
                std::string::npos);
      EXPECT_NE(bytes.find("\nnumber=" + std::to_string(line["number"].get<int>())),
                std::string::npos);
      // The fill its check found, as the console told it, and the cover of
      // the finished picture, which is at least that.
      const double fill = line["fill"].get<double>();
      EXPECT_GE(fill, 0.15);
      std::ostringstream told;
      told << "fillval = " << fill << "\n";
      EXPECT_NE(run.out.find(told.str()), std::string::npos) << told.str();
      EXPECT_GE(line["cover"].get<double>(), fill);
      EXPECT_LE(line["cover"].get<double>(), 1.0);
    }
  }
  EXPECT_EQ(catalogues[0], catalogues[1]);
}

TEST(CatalogueEndToEnd, AnAnimationListsEachFrameThenItsVideos) {
  TempFolder folder;
  const RunResult run =
      runMarl(folder, {"frames=4", "size=40", "it=20000", "video=gif",
                       "seed=9", "catalogue=a.jsonl"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<nlohmann::json> lines = linesOf(folder.read("a.jsonl"));
  ASSERT_EQ(lines.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[std::size_t(i)]["kind"], "frame");
    EXPECT_EQ(lines[std::size_t(i)]["frame"], i);
    EXPECT_EQ(lines[std::size_t(i)]["seed"], 9);
  }
  const nlohmann::json& videos = lines[4];
  EXPECT_EQ(videos["kind"], "videos");
  ASSERT_EQ(videos["files"].size(), 1u);
  // The GIF's recipe, read as a replay reads it: a long text lies in
  // several comment blocks, to be joined.
  const marl::EmbeddedTextResult text = marl::readEmbeddedText(
      folder.path() + "/" + videos["files"][0].get<std::string>());
  ASSERT_EQ(text.status, marl::EmbeddedTextResult::Found) << text.reason;
  std::string recipe;
  for (const std::string& piece : text.texts) recipe += piece;
  EXPECT_NE(recipe.find("\ncheck=" + videos["check"].get<std::string>()),
            std::string::npos) << recipe;
  EXPECT_EQ(folder.files().size(), 6u);  // four frames, the video, the list
}

TEST(CatalogueEndToEnd, ACatalogueThatTakesNoLineIsNoSuccess) {
  {
    // Refused before any work.
    TempFolder folder;
    const RunResult run =
        runMarl(folder, {"size=40", "it=2000", "catalogue=" + folder.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("marl: error: cannot open the catalogue '" +
                           folder.path() + "' for appending: Is a directory"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("image(s) will be created"), std::string::npos);
    EXPECT_TRUE(folder.files().empty());
  }
  {
    // A line the file-size limit refuses: the picture stays, told unlisted.
    TempFolder folder;
    folder.write("full.jsonl", std::string(7990, 'x') + "\n");
    Launch launch;
    launch.fileSizeLimit = 8000;
    MarlProcess marl(folder,
                     {"size=40", "it=2000", "image=bmp", "catalogue=full.jsonl"},
                     launch);
    const RunResult run = marl.wait();
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("' to the catalogue 'full.jsonl': File too large; "
                           "the picture is made but not listed\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(folder.files().size(), 2u);
    EXPECT_EQ(folder.read("full.jsonl"), std::string(7990, 'x') + "\n");
  }
}

}  // namespace
}  // namespace marl_e2e

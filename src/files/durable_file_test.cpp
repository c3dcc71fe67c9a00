#include "files/durable_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::TempDir;

TEST(DurableFileTest, NumberGoesBeforeTheExtensionOfTheLastPart) {
  const struct {
    const char* name;
    int number;
    const char* numbered;
  } cases[] = {
      {"symmetric_square011920.jpg", 2, "symmetric_square011920-2.jpg"},
      {"out/b.c.gif", 12, "out/b.c-12.gif"},
      {"a.d/name", 3, "a.d/name-3"},
      {"dir/.hidden", 2, "dir/.hidden-2"},
      {"plain", 2, "plain-2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(numberedName(c.name, c.number), c.numbered) << c.name;
}

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the judge says of the file found under the name decides: a foreign
// one gives the numbered name, a twin keeps its place and this copy goes,
// a broken one is replaced; each says so.
TEST(DurableFileTest, FoundFileIsSteppedAroundKeptOrMendedAsJudged) {
  using Kind = FoundFile::Kind;
  const struct {
    const char* what;
    bool judged;
    Kind kind;
    std::vector<std::string> entries;
    const char* inA;
    const char* written;
    const char* err;
  } cases[] = {
      {"no judge", false, Kind::Foreign, {"a.png", "a-2.png"}, "old", "a-2.png",
       "marl: warning: 'DIR/a.png' exists; wrote 'DIR/a-2.png' instead\n"},
      {"foreign", true, Kind::Foreign, {"a.png", "a-2.png"}, "old", "a-2.png",
       "marl: warning: 'DIR/a.png' exists; wrote 'DIR/a-2.png' instead\n"},
      {"twin", true, Kind::Twin, {"a.png"}, "old", "a.png",
       "marl: note: 'DIR/a.png' holds this very picture already (another run "
       "made it); dropped this copy\n"},
      {"broken", true, Kind::Broken, {"a.png"}, "new", "a.png",
       "marl: warning: 'DIR/a.png' was broken (cut short); replaced it with "
       "the one made now\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::ofstream(dir.file("a.png")) << "old";
    std::vector<std::string> asked;
    FoundFileJudge judge;
    if (c.judged) {
      judge = [&](const std::string& path, const std::string& made) {
        asked.push_back(path);
        EXPECT_EQ(contentOf(made), "new");
        return FoundFile{c.kind, "cut short"};
      };
    }
    std::ostringstream err;
    DurableFile file(err);
    ASSERT_TRUE(file.create(dir.file("a.png"), judge));
    const std::string bytes = "new";
    ASSERT_TRUE(file.temporary().writeAt(
        0, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    std::string written;
    ASSERT_TRUE(file.finish(&written));
    EXPECT_EQ(written, dir.file(c.written));
    EXPECT_EQ(file.droppedAsTwin(), c.kind == Kind::Twin && c.judged);
    std::vector<std::string> entries = c.entries;
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(dir.entries(), entries);
    EXPECT_EQ(contentOf(dir.file("a.png")), c.inA);
    std::string expected = c.err;
    for (std::size_t at; (at = expected.find("DIR")) != std::string::npos;)
      expected.replace(at, 3, dir.path());
    EXPECT_EQ(err.str(), expected);
    if (c.judged) {
      EXPECT_EQ(asked, std::vector<std::string>{dir.file("a.png")});
    }
  }
}

// A twin under a numbered name is found too: a run made twice beside a
// foreign file doubles nothing.
TEST(DurableFileTest, TwinUnderANumberedNameIsFound) {
  TempDir dir;
  std::ofstream(dir.file("a.png")) << "foreign";
  std::ofstream(dir.file("a-2.png")) << "other";
  std::ofstream(dir.file("a-3.png")) << "new";
  std::ostringstream err;
  DurableFile file(err);
  ASSERT_TRUE(file.create(dir.file("a.png"), judgeBySameBytes));
  const std::string bytes = "new";
  ASSERT_TRUE(file.temporary().writeAt(
      0, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  std::string written;
  ASSERT_TRUE(file.finish(&written));
  EXPECT_TRUE(file.droppedAsTwin());
  EXPECT_EQ(written, dir.file("a-3.png"));
  EXPECT_EQ(dir.entries(),
            (std::vector<std::string>{"a-2.png", "a-3.png", "a.png"}));
  EXPECT_EQ(err.str(), "marl: note: '" + dir.file("a-3.png") +
                           "' holds this very picture already (another run "
                           "made it); dropped this copy\n");
}

TEST(DurableFileTest, OnlyTheSameBytesMakeATwin) {
  const struct {
    const char* found;
    const char* made;
    bool twin;
  } cases[] = {
      {"abc", "abc", true},   {"", "", true},    {"abc", "abd", false},
      {"abc", "abcd", false}, {"abcd", "abc", false},
  };
  TempDir dir;
  for (const auto& c : cases) {
    std::ofstream(dir.file("found"), std::ios::binary) << c.found;
    std::ofstream(dir.file("made"), std::ios::binary) << c.made;
    EXPECT_EQ(judgeBySameBytes(dir.file("found"), dir.file("made")).kind ==
                  FoundFile::Kind::Twin,
              c.twin)
        << c.found << " / " << c.made;
  }
  // A long file, past one buffer, differing only in its last byte.
  std::string big(200000, 'x');
  std::ofstream(dir.file("found"), std::ios::binary) << big;
  big.back() = 'y';
  std::ofstream(dir.file("made"), std::ios::binary) << big;
  EXPECT_EQ(judgeBySameBytes(dir.file("found"), dir.file("made")).kind,
            FoundFile::Kind::Foreign);
  EXPECT_EQ(judgeBySameBytes(dir.file("absent"), dir.file("made")).kind,
            FoundFile::Kind::Foreign);
}

}  // namespace
}  // namespace marl

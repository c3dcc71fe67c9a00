#include "driver/argument_map.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/number_text.h"

namespace marl {
namespace {

struct Built {
  std::vector<std::string> words;
  std::ostringstream diagnostics;
  std::unique_ptr<ArgumentMap> map;
};

std::unique_ptr<Built> build(std::vector<std::string> words) {
  auto b = std::make_unique<Built>();
  b->words = std::move(words);
  std::vector<const char*> argv;
  for (const std::string& w : b->words) argv.push_back(w.c_str());
  b->map = std::make_unique<ArgumentMap>(int(argv.size()), argv.data(),
                                         b->diagnostics);
  return b;
}

std::string value(const ArgumentMap& map, const std::string& key) {
  const std::string* v = map.find(key);
  return v ? *v : "<absent>";
}

class ParameterFile {
 public:
  explicit ParameterFile(const std::string& text) {
    char name[] = "/tmp/marl-params-XXXXXX";
    int fd = mkstemp(name);
    path_ = name;
    std::FILE* f = fdopen(fd, "w");
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
  ~ParameterFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(NumberText, IntegerReadsLikeAtoiAndSaturates) {
  EXPECT_EQ(parseInteger("42"), 42);
  EXPECT_EQ(parseInteger("  -17xyz"), -17);
  EXPECT_EQ(parseInteger("+8"), 8);
  EXPECT_EQ(parseInteger("2,"), 2);
  EXPECT_EQ(parseInteger("7.9"), 7);
  EXPECT_EQ(parseInteger("abc"), 0);
  EXPECT_EQ(parseInteger(""), 0);
  EXPECT_EQ(parseInteger("- 5"), 0);
  EXPECT_EQ(parseInteger("2147483647"), 2147483647);
  EXPECT_EQ(parseInteger("2147483648"), 2147483647);
  EXPECT_EQ(parseInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(parseInteger("-99999999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(parseInteger("99999999999999999999999"), 2147483647);
}

TEST(ArgumentMap, FirstValueWinsAndBareWordsCountOnlyBeforeAPair) {
  auto b = build({"marl", "-h", "R0=10", "R0=20", "help", "basename=a=b",
                  "=x", "count=2,"});
  const ArgumentMap& map = *b->map;
  EXPECT_EQ(value(map, "marl"), "");
  EXPECT_EQ(value(map, "-h"), "");
  EXPECT_EQ(value(map, "R0"), "10");
  EXPECT_FALSE(map.has("help"));
  EXPECT_EQ(value(map, "basename"), "a=b");
  EXPECT_EQ(value(map, ""), "x");
  EXPECT_EQ(value(map, "count"), "2,");
}

TEST(ArgumentMap, DiagnosticsNameWordsNobodyReads) {
  auto b = build({"/usr/bin/marl", "sise=300", "count=2", "help", "-f"});
  const std::string text = b->diagnostics.str();
  EXPECT_NE(text.find("marl: warning: unknown option 'sise'"),
            std::string::npos);
  EXPECT_NE(text.find("marl: warning: ignoring 'help'"), std::string::npos);
  EXPECT_NE(text.find("use file=PATH"), std::string::npos);
  // Argument 0 is the program's path, never a typo.
  EXPECT_EQ(text.find("/usr/bin/marl"), std::string::npos);
  // Known keys and bare help before the first pair give no warning.
  EXPECT_EQ(build({"marl", "help", "qsep=0.1", "R1=3"})->diagnostics.str(), "");
}

TEST(ArgumentMap, ParameterFileFillsWhatTheCommandLineLeftOpen) {
  ParameterFile file(
      "\\ a comment\nR0=200\nG0=5\ncount=3\nhelp\nG0=6\nx\nimage=tiff\r\n"
      "a\\=1\nR1 = 100\nfile=other\n=z");
  auto b = build({"marl", "file=" + file.path(), "R0=10"});
  const ArgumentMap& map = *b->map;
  EXPECT_EQ(value(map, "R0"), "10");
  EXPECT_EQ(value(map, "G0"), "5");
  EXPECT_EQ(value(map, "count"), "3");
  EXPECT_EQ(value(map, "image"), "tiff");  // carriage return dropped
  EXPECT_EQ(value(map, "file"), file.path());
  EXPECT_FALSE(map.has("help"));
  EXPECT_FALSE(map.has("x"));
  EXPECT_FALSE(map.has("a\\"));
  EXPECT_EQ(value(map, "R1 "), " 100");  // nothing is trimmed
  EXPECT_EQ(value(map, ""), "z");
  // marl, file, R0, G0, count, image, "R1 " and the empty key.
  EXPECT_EQ(map.values().size(), 8u);
  // A key with a blank is a typo worth naming.
  EXPECT_NE(b->diagnostics.str().find("unknown option 'R1 '"),
            std::string::npos);
}

TEST(ArgumentMap, UnreadableParameterFileIsReportedAndSkipped) {
  auto b = build({"marl", "file=/nonexistent/marl.txt", "count=2"});
  EXPECT_EQ(b->diagnostics.str(),
            "marl: warning: cannot read parameter file "
            "'/nonexistent/marl.txt': No such file or directory\n");
  EXPECT_EQ(b->map->values().size(), 3u);
  // A bare "file" has an empty path: reported the same way.
  auto bare = build({"marl", "file"});
  EXPECT_NE(bare->diagnostics.str().find("cannot read parameter file ''"),
            std::string::npos);
}

TEST(ArgumentMap, OnlyRegularParameterFilesAreRead) {
  char dir[] = "/tmp/marl-params-dir-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string fifo = std::string(dir) + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (auto [path, reason] : std::vector<std::pair<std::string, std::string>>{
           {dir, "it is a folder"},
           {"/dev/null", "it is a device, pipe or socket, not a regular file"},
           {fifo, "it is a device, pipe or socket, not a regular file"}}) {
    auto b = build({"marl", "file=" + path, "count=2"});
    EXPECT_EQ(b->diagnostics.str(), "marl: warning: cannot read parameter "
                                    "file '" + path + "': " + reason + "\n");
    EXPECT_TRUE(b->map->ok());
    EXPECT_EQ(b->map->values().size(), 3u);
  }
  std::remove(fifo.c_str());
  rmdir(dir);
}

TEST(ArgumentMap, ParameterFileBeyondItsBoundsIsAnError) {
  // A line of exactly the longest length is fine.
  const std::string longest = "basename=" + std::string(65536 - 9, 'b');
  ParameterFile fits(longest + "\nR0=1\n");
  auto good = build({"marl", "file=" + fits.path()});
  EXPECT_TRUE(good->map->ok());
  EXPECT_EQ(value(*good->map, "basename").size(), 65536u - 9);
  EXPECT_EQ(value(*good->map, "R0"), "1");

  ParameterFile longLine("R0=1\n" + longest + "b\nG0=2\n");
  auto bad = build({"marl", "file=" + longLine.path()});
  EXPECT_FALSE(bad->map->ok());
  EXPECT_EQ(bad->diagnostics.str(),
            "marl: error: cannot use parameter file '" + longLine.path() +
                "': line 2 is longer than 65536 bytes; nothing is made\n");

  std::string lines;
  while (lines.size() <= 16 * 1024 * 1024) lines += std::string(99, 'c') + "\n";
  ParameterFile large("\\" + lines);
  auto tooLarge = build({"marl", "file=" + large.path()});
  EXPECT_FALSE(tooLarge->map->ok());
  EXPECT_NE(tooLarge->diagnostics.str().find(
                "': it is larger than 16777216 bytes; nothing is made\n"),
            std::string::npos);
}

TEST(ArgumentMap, WarningsAboutWordsAreCappedAndEscaped) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "\x1b[31m" + std::to_string(i) + "\n";
  ParameterFile file(text);
  auto b = build({"marl", "file=" + file.path(), "bad\\key=1"});
  const std::string diagnostics = b->diagnostics.str();
  EXPECT_EQ(diagnostics.find('\x1b'), std::string::npos);
  EXPECT_NE(diagnostics.find("unknown option 'bad\\\\key'"), std::string::npos);
  EXPECT_NE(diagnostics.find("line '\\x1b[31m0'"), std::string::npos);
  EXPECT_NE(diagnostics.find("line '\\x1b[31m18'"), std::string::npos);
  EXPECT_EQ(diagnostics.find("line '\\x1b[31m19'"), std::string::npos);
  EXPECT_EQ(std::count(diagnostics.begin(), diagnostics.end(), '\n'), 21);
  EXPECT_NE(diagnostics.find("marl: warning: 11 more warnings about ignored "
                             "words and lines not shown\n"),
            std::string::npos);
}

}  // namespace
}  // namespace marl

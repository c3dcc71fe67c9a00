#ifndef MARL_DRIVER_ARGUMENT_MAP_H_
#define MARL_DRIVER_ARGUMENT_MAP_H_

#include <cstdint>
#include <map>
#include <set>
#include <ostream>
#include <string>

namespace marl {

class RecipeChecker;
struct EmbeddedTextResult;

// The program's whole configuration: option key to value text, from the
// command line and, when "file" names one, a parameter file. The first value
// of a key wins, so the command line beats the file. Values stay text until a
// reader converts them.
class ArgumentMap {
 public:
  // Builds the map from all arguments, argument 0 included, then from the
  // parameter file. Words nobody will read (unknown keys, bare words that
  // come too late, "-f") and a parameter file that cannot be opened or is
  // not a regular file are reported on `diagnostics` as warnings (the first
  // MaxWordWarnings about words, then a count of the rest); the map itself
  // follows the rules regardless. Text from the user is shown escaped.
  ArgumentMap(int argc, const char* const* argv, std::ostream& diagnostics);

  static constexpr int MaxWordWarnings = 20;

  // False when the parameter file was opened but not read to its end: a
  // line or the whole file beyond ParameterLines' bounds, or a read error;
  // or when it is a picture without a whole recipe (see findRecipe). That
  // has been reported as an error, and the options cannot be trusted.
  bool ok() const { return ok_; }

  bool has(const std::string& key) const { return values_.count(key) != 0; }
  const std::string* find(const std::string& key) const;

  const std::map<std::string, std::string>& values() const { return values_; }

  // The value the parameter file gives for `key`, whether or not the
  // command line overrides it; nullptr when the file has none.
  const std::string* fileValue(const std::string& key) const;
  // Whether the value in force for `key` came from the parameter file.
  bool isFromFile(const std::string& key) const;
  // Whether it came from the recipe of a picture: a value nobody typed, so
  // it must already be within its limits.
  bool isFromPicture(const std::string& key) const {
    return picture_ && isFromFile(key);
  }
  // Whether "file" named a picture, whose recipe was read.
  bool readPicture() const { return picture_; }
  // The picture's recipe alone, as if the command line gave nothing but
  // "file": every value it holds, those the command line replaces too.
  ArgumentMap recipeAlone() const;

 private:
  enum class Source { ProgramPath, CommandLine, ParameterFile };
  // Applies one command-line word or parameter-file line.
  void addWord(const std::string& word, Source source);
  void readParameterFile(const std::string& path);
  // One line of a parameter file, without its line feed.
  void addFileLine(const std::string& text);
  // Finds the recipe among a picture's texts and reads it.
  void readPictureRecipe(const EmbeddedTextResult& picture,
                         const std::string& path);
  // The lines of a checked recipe read from a picture.
  void readLinesOf(const std::string& text, const std::string& path);
  // One of them; a base name keeps only its last path component.
  void addRecipeLine(const std::string& text, const std::string& path);
  // A recipe cut short or changed is an error: it would make another picture.
  void checkRecipe(const RecipeChecker& recipe, const std::string& path);
  void failFile(const std::string& path, const std::string& why);
  void warnIfUnknown(const std::string& key);
  // Whether one more warning about a word may be shown; counts it if not.
  bool mayWarn();

  std::map<std::string, std::string> values_;
  std::map<std::string, std::string> fileValues_;
  std::set<std::string> keysFromFile_;
  bool pairSeen_ = false;
  bool picture_ = false;
  bool ok_ = true;
  int shownWarnings_ = 0;
  long hiddenWarnings_ = 0;
  std::ostream& diagnostics_;
};

}  // namespace marl

#endif  // MARL_DRIVER_ARGUMENT_MAP_H_

#include "driver/argument_map.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "base/escaped_text.h"
#include "driver/number_text.h"
#include "driver/parameter_lines.h"
#include "job/recipe.h"
#include "options/option_table.h"
#include "readers/embedded_text.h"

namespace marl {

ArgumentMap::ArgumentMap(int argc, const char* const* argv,
                         std::ostream& diagnostics)
    : diagnostics_(diagnostics) {
  for (int i = 0; i < argc; ++i)
    addWord(argv[i], i == 0 ? Source::ProgramPath : Source::CommandLine);
  if (const std::string* path = find(key::File)) readParameterFile(*path);
  if (hiddenWarnings_ > 0) {
    diagnostics_ << "marl: warning: " << hiddenWarnings_
                 << " more warnings about ignored words and lines not shown\n";
  }
}

bool ArgumentMap::mayWarn() {
  if (shownWarnings_ < MaxWordWarnings) {
    ++shownWarnings_;
    return true;
  }
  ++hiddenWarnings_;
  return false;
}

void ArgumentMap::addWord(const std::string& word, Source source) {
  const bool fromArgumentZero = source == Source::ProgramPath;
  const std::size_t equals = word.find('=');
  if (equals != std::string::npos) {
    const std::string key = word.substr(0, equals);
    if (source == Source::ParameterFile)
      fileValues_.emplace(key, word.substr(equals + 1));
    const bool inserted = values_.emplace(key, word.substr(equals + 1)).second;
    if (inserted && source == Source::ParameterFile) keysFromFile_.insert(key);
    if (inserted && !fromArgumentZero) warnIfUnknown(key);
    pairSeen_ = true;
    return;
  }
  if (word == "-f" && !fromArgumentZero) {
    if (mayWarn()) {
      diagnostics_ << "marl: warning: '-f' names no parameter file; use "
                      "file=PATH instead\n";
    }
    if (!pairSeen_) values_.emplace(word, "");
    return;
  }
  if (pairSeen_) {
    if (fromArgumentZero || !mayWarn()) return;
    if (source == Source::ParameterFile) {
      diagnostics_ << "marl: warning: ignoring parameter-file line '"
                   << Escaped{word} << "': it has no '='\n";
    } else {
      diagnostics_ << "marl: warning: ignoring '" << Escaped{word}
                   << "': a word without '=' counts only before the first "
                      "key=value word\n";
    }
    return;
  }
  const bool inserted = values_.emplace(word, "").second;
  if (inserted && !fromArgumentZero) warnIfUnknown(word);
}

void ArgumentMap::readParameterFile(const std::string& path) {
  // A picture marl wrote carries its recipe; any other file is read as text.
  const EmbeddedTextResult picture = readEmbeddedText(path);
  if (picture.status == EmbeddedTextResult::Found ||
      picture.status == EmbeddedTextResult::NoText) {
    readPictureRecipe(picture, path);
    return;
  }
  if (picture.status != EmbeddedTextResult::NotAPicture &&
      picture.status != EmbeddedTextResult::Unreadable) {
    failFile(path, picture.reason);
    return;
  }
  // Not blocking: a FIFO must be reported, not waited on.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info {};
  const char* reason = nullptr;
  if (fd < 0 || fstat(fd, &info) != 0) {
    reason = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    reason = "it is a folder";
  } else if (!S_ISREG(info.st_mode)) {
    reason = "it is a device, pipe or socket, not a regular file";
  }
  if (reason) {
    if (fd >= 0) close(fd);
    diagnostics_ << "marl: warning: cannot read parameter file '"
                 << Escaped{path} << "': " << reason << "\n";
    return;
  }

  RecipeChecker recipe;
  ParameterLines lines([this, &recipe](const std::string& line) {
    recipe.addLine(line);
    addFileLine(line);
  });
  char chunk[16384];
  int readError = 0;
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) readError = errno;
    if (n <= 0 || !lines.feed(chunk, std::size_t(n))) break;
  }
  close(fd);
  if (readError == 0 && lines.finish()) {
    checkRecipe(recipe, path);
    return;
  }

  if (readError != 0) {
    failFile(path, std::strerror(readError));
  } else if (lines.status() == ParameterLines::Status::LineTooLong) {
    failFile(path, "line " + std::to_string(lines.lineNumber()) +
                       " is longer than " + std::to_string(lines.maxLine()) +
                       " bytes");
  } else {
    failFile(path, "it is larger than " + std::to_string(lines.maxTotal()) +
                       " bytes");
  }
}

void ArgumentMap::readPictureRecipe(const EmbeddedTextResult& picture,
                                    const std::string& path) {
  const FoundRecipe recipe = findRecipe(picture.texts);
  if (recipe.status == FoundRecipe::Status::Absent) {
    ok_ = false;
    diagnostics_ << "marl: error: '" << Escaped{path}
                 << "' holds no marl recipe: "
                 << (picture.texts.empty()
                         ? picture.reason
                         : "the text this " + picture.format +
                               " picture holds is not one")
                 << "; nothing is made\n";
    return;
  }
  if (recipe.status == FoundRecipe::Status::Broken) {
    failFile(path, recipe.why);
    return;
  }
  if (recipe.otherLines > 0) {
    diagnostics_ << "marl: warning: ignoring " << recipe.otherLines
                 << (recipe.otherLines == 1 ? " line" : " lines")
                 << " of other text in '" << Escaped{path}
                 << "' beside its recipe\n";
  }
  picture_ = true;
  readLinesOf(recipe.text, path);
}

void ArgumentMap::readLinesOf(const std::string& text,
                              const std::string& path) {
  ParameterLines lines(
      [this, &path](const std::string& line) { addRecipeLine(line, path); });
  if (!lines.feed(text.data(), text.size()) || !lines.finish()) {
    failFile(path, "its recipe has a line longer than " +
                       std::to_string(lines.maxLine()) + " bytes");
  }
}

void ArgumentMap::addRecipeLine(const std::string& line,
                                const std::string& path) {
  static const std::string Key = std::string(key::Basename) + "=";
  std::string text = line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  const std::size_t slash = text.rfind('/');
  if (text.compare(0, Key.size(), Key) != 0 || slash == std::string::npos) {
    addFileLine(text);
    return;
  }
  // A picture from anyone must not choose where files are written.
  const std::string kept = text.substr(slash + 1);
  if (!has(key::Basename)) {
    diagnostics_ << "marl: warning: ignoring the folder '"
                 << Escaped{text.substr(Key.size(), slash + 1 - Key.size())}
                 << "' of the base name in '" << Escaped{path}
                 << "': a picture does not choose where files go; using "
                 << Key << Escaped{kept} << "\n";
  }
  addFileLine(Key + kept);
}

void ArgumentMap::addFileLine(const std::string& text) {
  std::string line = text;
  // Files written on Windows end their lines with a carriage return.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() < 2) return;
  if (line[0] == '\\' || line[1] == '\\') return;  // comment line
  addWord(line, Source::ParameterFile);
}

void ArgumentMap::checkRecipe(const RecipeChecker& recipe,
                              const std::string& path) {
  std::string why;
  if (recipe.verdict(why) == RecipeChecker::Verdict::Broken)
    failFile(path, why);
}

void ArgumentMap::failFile(const std::string& path, const std::string& why) {
  ok_ = false;
  diagnostics_ << "marl: error: cannot use parameter file '" << Escaped{path}
               << "': " << why << "; nothing is made\n";
}

void ArgumentMap::warnIfUnknown(const std::string& key) {
  if (findOption(key) || !mayWarn()) return;
  diagnostics_ << "marl: warning: unknown option '" << Escaped{key}
               << "' is ignored; the usage text lists the options\n";
}

const std::string* ArgumentMap::fileValue(const std::string& key) const {
  auto it = fileValues_.find(key);
  return it == fileValues_.end() ? nullptr : &it->second;
}

bool ArgumentMap::isFromFile(const std::string& key) const {
  return keysFromFile_.count(key) != 0;
}

ArgumentMap ArgumentMap::recipeAlone() const {
  ArgumentMap alone(*this);
  alone.values_ = fileValues_;
  alone.keysFromFile_.clear();
  for (const auto& pair : fileValues_) alone.keysFromFile_.insert(pair.first);
  if (const std::string* path = find(key::File)) alone.values_[key::File] = *path;
  return alone;
}

const std::string* ArgumentMap::find(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

}  // namespace marl


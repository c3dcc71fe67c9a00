#include "explore/folder_pictures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/escaped_text.h"
#include "driver/argument_map.h"
#include "options/option_keys.h"
#include "readers/embedded_text.h"

namespace marl {

namespace {

namespace fs = std::filesystem;

// The formats every browser shows in an <img>, by the reader's name.
std::string browserType(const std::string& format) {
  if (format == "JPEG") return "image/jpeg";
  if (format == "PNG") return "image/png";
  if (format == "GIF") return "image/gif";
  if (format == "WebP") return "image/webp";
  return {};
}

// The diagnostics' first line, without its "marl: KIND: " prefix.
std::string firstLine(const std::string& diagnostics) {
  std::string line = diagnostics.substr(0, diagnostics.find('\n'));
  for (const std::string prefix : {"marl: warning: ", "marl: error: "})
    if (line.compare(0, prefix.size(), prefix) == 0)
      return line.substr(prefix.size());
  return line;
}

// The recipe in `path` exactly as file= reads it; false, with `why`, when
// file= would refuse it.
bool readRecipe(const std::string& path, PageRecipe& recipe, std::string& why) {
  const std::string word = std::string(key::File) + "=" + path;
  const char* argv[] = {"marl", word.c_str()};
  std::ostringstream diagnostics;
  const ArgumentMap map(2, argv, diagnostics);
  if (!map.ok() || !map.readPicture()) {
    why = firstLine(diagnostics.str());
    if (why.empty()) why = "'" + escapedText(path) + "' holds no marl recipe";
    return false;
  }
  for (const auto& [key, value] : map.values())
    if (map.isFromPicture(key) && key != key::Check && key != key::File)
      recipe[key] = value;
  return true;
}

void judge(FolderEntry& entry, std::size_t& notPictures) {
  const EmbeddedTextResult text = readEmbeddedText(entry.path);
  const std::string shownName = "'" + escapedText(entry.path) + "'";
  switch (text.status) {
    case EmbeddedTextResult::NotAPicture:
      ++notPictures;
      return;
    case EmbeddedTextResult::Found:
      break;
    default:
      entry.why = shownName + ": " + text.reason;
      return;
  }
  if (!readRecipe(entry.path, entry.recipe, entry.why)) return;
  // Judged as the page's own recipes are: one the page could not view or
  // keep is not shown.
  const PageSettings settings = readPageRecipe(entry.recipe);
  if (!settings.run) {
    entry.why = shownName + ": " + settings.refusal;
  } else if (!settings.run->job.map) {
    entry.why = shownName + ": its recipe holds no map";
  } else {
    entry.type = browserType(text.format);
    entry.shown = true;
  }
}

}  // namespace

FolderLook lookAtFolder(const std::string& folder) {
  FolderLook look;
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    look.error = "cannot read the folder '" + escapedText(folder) +
                 "': " + ec.message();
    return look;
  }
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    // Only what is a regular file through any link: a pipe or device is
    // never opened, a subfolder never entered.
    std::error_code statError;
    if (!fs::is_regular_file(it->path(), statError)) continue;
    if (names.size() == MaxFolderFiles) {
      ++look.leftOut;
      continue;
    }
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    FolderEntry entry;
    entry.name = name;
    entry.path = (fs::path(folder) / name).string();
    judge(entry, look.notPictures);
    if (entry.shown || !entry.why.empty()) look.entries.push_back(std::move(entry));
  }
  return look;
}

std::size_t FolderFiles::numberOf(const std::string& path,
                                  const std::string& type) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = numbers_.find(path);
  if (found != numbers_.end()) {
    files_[found->second].second = type;
    return found->second;
  }
  files_.emplace_back(path, type);
  numbers_[path] = files_.size() - 1;
  return files_.size() - 1;
}

bool FolderFiles::read(std::size_t number, std::string& bytes,
                       std::string& type) const {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (number >= files_.size() || files_[number].second.empty()) return false;
    path = files_[number].first;
    type = files_[number].second;
  }
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size > MaxServedBytes) return false;
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::size_t(size), '\0');
  in.read(bytes.data(), std::streamsize(size));
  bytes.resize(std::size_t(in.gcount()));
  return bool(in) || in.eof();
}

}  // namespace marl

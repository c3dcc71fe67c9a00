#ifndef MARL_EXPLORE_FOLDER_PICTURES_H_
#define MARL_EXPLORE_FOLDER_PICTURES_H_

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "explore/page_recipe.h"

namespace marl {

// One file of a folder, as the page may be shown it.
struct FolderEntry {
  std::string name;  // the file's name within the folder
  std::string path;
  // The Content-Type a browser shows it by; empty when it cannot (TIFF, a
  // video), and then the page is sent a preview made from its recipe.
  std::string type;
  PageRecipe recipe;
  bool shown = false;   // false: refused, for `why`
  std::string why;      // the reason file= would give, escaped
};

// What a look at a folder found: its pictures and the files refused, in the
// order of their names. Files that are no picture at all (notes, a
// catalogue) are counted apart: they are not the page's business.
struct FolderLook {
  std::vector<FolderEntry> entries;
  std::size_t notPictures = 0;
  std::size_t leftOut = 0;  // beyond MaxFolderFiles
  std::string error;        // the folder itself cannot be read
};

// A look reads at most this many files of a folder.
constexpr std::size_t MaxFolderFiles = 5000;

// Reads the recipe of every regular file in `folder` (not its subfolders)
// as file= reads one: with the bounded readers, so that a hostile file costs
// no more than a picture of marl's, and is refused with the same reason;
// then judges it as the page's own recipes are judged, so a shown picture
// is one the page can view, tune and keep.
FolderLook lookAtFolder(const std::string& folder);

// The files of the folder the explorer was given, by number: the page names
// a file only by the number it was sent, so no path from a client reaches
// the file system.
class FolderFiles {
 public:
  // The number for `path`, the same each look.
  std::size_t numberOf(const std::string& path, const std::string& type);
  // The bytes and type of file `number` when a browser can show it and it
  // is no larger than MaxServedBytes.
  bool read(std::size_t number, std::string& bytes, std::string& type) const;

  static constexpr std::size_t MaxServedBytes = std::size_t(32) << 20;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::size_t> numbers_;
  std::vector<std::pair<std::string, std::string>> files_;  // path, type
};

}  // namespace marl

#endif  // MARL_EXPLORE_FOLDER_PICTURES_H_

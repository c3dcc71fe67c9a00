#ifndef MARL_READERS_COUNTS_FILE_READER_H_
#define MARL_READERS_COUNTS_FILE_READER_H_

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

#include "attractor/hit_grid.h"

namespace marl {

// Reads a counts file (image/counts_tiff.h) from anyone: the header first,
// every size in it bounded before anything is allocated, then the counts
// strip by strip straight into a grid, so that reading needs the grid and
// one strip. Every failure is a reason, as words to follow the file's
// name; libtiff prints nothing.
class CountsFileReader {
 public:
  // Texts longer than this are not a counts file's: its recipe and state
  // (1024 fast orbits' points among it) take some tens of kilobytes.
  static constexpr std::size_t MaxText = std::size_t(1) << 20;
  // No strip of a counts file is larger (it writes about a megabyte).
  static constexpr uint64_t MaxStripBytes = uint64_t(1) << 26;

  CountsFileReader();
  ~CountsFileReader();
  CountsFileReader(const CountsFileReader&) = delete;
  CountsFileReader& operator=(const CountsFileReader&) = delete;

  // False, with `why`, when `path` cannot be read or is no counts file.
  bool open(const std::string& path, std::string& why);
  uint32_t side() const { return side_; }
  const std::string& recipe() const { return recipe_; }
  const std::string& state() const { return state_; }
  // Reads the counted square into `grid`, which must be of side(); its
  // margin is left as it is. False, with `why`, on a damaged strip.
  bool readInto(HitGrid& grid, std::string& why);

  // The open file and libtiff's handle on it.
  struct Source;

 private:
  std::unique_ptr<Source> source_;
  uint32_t side_ = 0;
  uint32_t stripRows_ = 0;
  std::string recipe_;
  std::string state_;
};

// Whether `path` is a TIFF that carries a counts state: a cheap look at
// its first directory, for choosing how to read it.
bool isCountsFile(const std::string& path);

}  // namespace marl

#endif  // MARL_READERS_COUNTS_FILE_READER_H_

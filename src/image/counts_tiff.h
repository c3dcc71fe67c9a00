#ifndef MARL_IMAGE_COUNTS_TIFF_H_
#define MARL_IMAGE_COUNTS_TIFF_H_

#include <cstdint>
#include <ostream>
#include <string>

#include "attractor/hit_grid.h"

namespace marl {

// A counts file: the counted square of a hit grid (not its margin) as a
// one-sample 32-bit unsigned TIFF, side x side, compressed in strips of a
// few rows, a BigTIFF when a classic one might pass 4 GiB. Its
// ImageDescription is the picture's recipe; the state that lets the run go
// on is text in a tag of its own (CountsStateTag), which other readers
// show as an unknown tag and otherwise ignore.
constexpr uint32_t CountsStateTag = 65101;

// Makes libtiff know CountsStateTag, for writing and reading alike; safe
// to call from any thread, any number of times.
void registerCountsStateTag();

// Rows per strip for a side: about a megabyte of counts, so that writing
// and reading need the grid and one strip, no more.
uint32_t countsStripRows(uint32_t side);

// Writes `grid` with its recipe and state under `fileName` through a
// DurableFile: a new name as pictures get (numbered when taken), or, with
// `replace`, over the file there (a checkpoint superseding the last one).
// Strips are packed on `threads` threads. Reports failures on `err`; the
// name written goes to `*writtenName`.
bool writeCountsFile(const HitGrid& grid, const std::string& recipe,
                     const std::string& state, const std::string& fileName,
                     bool replace, unsigned threads, std::ostream& err,
                     std::string* writtenName = nullptr);

}  // namespace marl

#endif  // MARL_IMAGE_COUNTS_TIFF_H_

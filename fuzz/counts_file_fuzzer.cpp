// libFuzzer target for the counts-file reader: the input is a whole file,
// read as marl reads a counts file given as file=COUNTS.tif, its state
// parsed and checked against the counts it holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "attractor/hit_grid.h"
#include "job/counts_state.h"
#include "readers/counts_file_reader.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// One file per fuzzing process, rewritten for every input.
const std::string& countsFile() {
  static const std::string path = [] {
    char name[] = "/tmp/marl-fuzz-counts-XXXXXX";
    const int fd = mkstemp(name);
    check(fd >= 0);
    close(fd);
    std::atexit([] { unlink(countsFile().c_str()); });
    return std::string(name);
  }();
  return path;
}

// marl sizes the grid from the recipe before reading; here small sides
// stand in for that, so that a run does not spend its time allocating.
constexpr uint32_t LargestReadSide = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* out = std::fopen(countsFile().c_str(), "wb");
  check(out != nullptr);
  check(std::fwrite(data, 1, size, out) == size);
  check(std::fclose(out) == 0);

  marl::CountsFileReader reader;
  std::string why;
  if (!reader.open(countsFile(), why)) {
    check(!why.empty());
    return 0;
  }
  check(reader.side() >= 1 && reader.side() <= 65535);
  check(reader.recipe().size() <= marl::CountsFileReader::MaxText);
  check(reader.state().size() <= marl::CountsFileReader::MaxText);
  marl::CountsState state;
  if (!marl::parseCountsState(reader.state(), reader.recipe(), state, why)) {
    check(!why.empty());
  }
  if (reader.side() > LargestReadSide) return 0;
  marl::HitGrid grid;
  grid.setSize(reader.side());
  if (!reader.readInto(grid, why)) {
    check(!why.empty());
    return 0;
  }
  state.side = reader.side();
  if (!marl::restoreGrid(state, grid, why)) check(!why.empty());
  return 0;
}

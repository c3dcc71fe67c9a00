// What making pictures durable costs: many small pictures written as marl
// writes them (temporary file synced, renamed, folder synced) against the
// same steps without either sync.
//
// The machine is shared and its disk is too, so each iteration writes one
// picture each way, alternating, and the ratio of the two totals is
// reported. The pictures go into a new folder in the working folder, not
// into /tmp, which may be a memory file system where syncing costs nothing.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/picture_rows.h"
#include "image/image_file.h"
#include "image/image_format.h"
#include "files/temporary_file.h"

namespace marl {
namespace {

using Clock = std::chrono::steady_clock;

// The temporary file as an encoder's sink, as marl writes pictures.
class TemporarySink : public ByteSink {
 public:
  explicit TemporarySink(TemporaryFile& file) : file_(file) {}
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size) override {
    size_ = std::max(size_, offset + size);
    return file_.writeAt(offset, bytes, size);
  }
  std::uint64_t size() const override { return size_; }

 private:
  TemporaryFile& file_;
  std::uint64_t size_ = 0;
};

// A side x side RGB pattern, held whole.
class PatternRows : public RowSource {
 public:
  explicit PatternRows(int side) : pixels_(std::size_t(side) * side * 3) {
    shape_.width = shape_.height = side;
    unsigned char* p = pixels_.data();
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        *p++ = (unsigned char)(x * 7 % 256);
        *p++ = (unsigned char)(y * 5 % 256);
        *p++ = (unsigned char)((x ^ y) % 256);
      }
  }
  const PictureShape& shape() const override { return shape_; }
  bool rereadable() const override { return true; }
  void readRows(int first, int count, unsigned char* out) override {
    std::copy_n(pixels_.data() + shape_.rowBytes() * std::size_t(first),
                shape_.rowBytes() * std::size_t(count), out);
  }

 private:
  PictureShape shape_;
  std::vector<unsigned char> pixels_;
};

// Encodes `rows` into a temporary file and renames it to `name`, with no
// sync at all.
bool writeWithoutSync(RowSource& rows, const ImageFormat& format,
                      const std::string& name) {
  std::string error;
  TemporaryFile file;
  if (!file.create(name)) return false;
  TemporarySink sink(file);
  return format.encode(rows, EncodeOptions(), sink, error) && file.close() &&
         file.moveToNewName(name);
}

void BM_SmallPicturesWithAndWithoutSync(benchmark::State& state) {
  const int side = int(state.range(0));
  PatternRows bitmap(side);
  const ImageFormat& format = *findFormat("jpeg");

  namespace fs = std::filesystem;
  std::string folder = "marl-bench-sync-XXXXXX";
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("cannot make a folder in the working folder");
    return;
  }
  Clock::duration synced{}, unsynced{};
  std::ostringstream err;
  int64_t n = 0;
  for (auto _ : state) {
    const std::string number = std::to_string(n++);
    const std::string syncedName = folder + "/s" + number + ".jpg";
    const std::string name = folder + "/p" + number + ".jpg";
    const Clock::time_point start = Clock::now();
    const bool durable = writeImageFile(bitmap, format, syncedName, err, {});
    const Clock::time_point middle = Clock::now();
    const bool plain = writeWithoutSync(bitmap, format, name);
    const Clock::time_point end = Clock::now();
    if (!durable || !plain) {
      state.SkipWithError(("cannot write: " + err.str()).c_str());
      break;
    }
    synced += middle - start;
    unsynced += end - middle;
  }
  std::error_code ignored;
  state.counters["bytes"] =
      double(fs::file_size(folder + "/p0.jpg", ignored));
  fs::remove_all(folder, ignored);
  using Ms = std::chrono::duration<double, std::milli>;
  const double count = double(n > 0 ? n : 1);
  state.counters["synced_ms"] = Ms(synced).count() / count;
  state.counters["unsynced_ms"] = Ms(unsynced).count() / count;
  state.counters["ratio"] =
      Ms(synced).count() / std::max(Ms(unsynced).count(), 1e-9);
}
BENCHMARK(BM_SmallPicturesWithAndWithoutSync)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marl

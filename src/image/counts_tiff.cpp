#include "image/counts_tiff.h"

#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "base/c_handle.h"
#include "files/durable_file.h"
#include "image/tiff_client.h"

namespace marl {

namespace {

// libtiff writes the temporary file through these.
struct TemporaryOut {
  TemporaryFile* file;
  toff_t position;
  toff_t size;
  int writeError;
};

tmsize_t noRead(thandle_t, void*, tmsize_t) { return 0; }

tmsize_t outWrite(thandle_t handle, void* buffer, tmsize_t size) {
  auto* out = static_cast<TemporaryOut*>(handle);
  if (size <= 0) return 0;
  if (!out->file->writeAt(out->position,
                          static_cast<const unsigned char*>(buffer),
                          std::size_t(size))) {
    if (out->writeError == 0) out->writeError = errno;
    return -1;
  }
  out->position += toff_t(size);
  if (out->position > out->size) out->size = out->position;
  return size;
}

toff_t outSeek(thandle_t handle, toff_t offset, int whence) {
  auto* out = static_cast<TemporaryOut*>(handle);
  switch (whence) {
    case SEEK_SET: out->position = offset; break;
    case SEEK_CUR: out->position += offset; break;
    case SEEK_END: out->position = out->size + offset; break;
    default: return toff_t(-1);
  }
  return out->position;
}

int noClose(thandle_t) { return 0; }
toff_t outSize(thandle_t handle) { return static_cast<TemporaryOut*>(handle)->size; }

bool setFields(TIFF* tif, uint32_t side, const std::string& recipe,
               const std::string& state) {
  // Deflate, which every TIFF reader decodes (Debian's tifffile reads ZSTD
  // only with a codec package beside it), at its fastest level (see
  // packStrip): counts are mostly runs of zeros and small numbers, packed
  // well by any level.
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
            TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_NONE) &&
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, countsStripRows(side)) &&
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, recipe.c_str()) &&
            TIFFSetField(tif, CountsStateTag, state.c_str());
  return ok;
}

bool needsBigTiff(uint32_t side, std::size_t textBytes) {
  const double cells = double(side) * double(side) * 4.0;
  return cells * 1.01 + double(textBytes) + double(1 << 24) >= 4294967296.0;
}

// One strip packed: its rows copied out of the grid (whose rows carry the
// margin) and deflated as libtiff would, into `packed`.
bool packStrip(const HitGrid& grid, uint32_t first, uint32_t rows,
               std::vector<uint32_t>& cells, std::vector<unsigned char>& packed) {
  const uint32_t side = grid.size();
  for (uint32_t r = 0; r < rows; ++r)
    std::memcpy(&cells[std::size_t(r) * side], grid.row(first + r),
                sizeof(uint32_t) * side);
  const uLong bytes = uLong(sizeof(uint32_t)) * rows * side;
  uLongf size = uLongf(packed.size());
  if (compress2(packed.data(), &size,
                reinterpret_cast<const Bytef*>(cells.data()), bytes,
                1) != Z_OK)
    return false;
  packed.resize(size);
  return true;
}

// The strips are packed on `threads` threads, a round of one strip each at
// a time, and written in order: the counts at the end on every core the
// count had, a checkpoint beside the orbit on those it leaves. Memory: two
// strips a thread.
bool writeStrips(const HitGrid& grid, TIFF* tif, unsigned threads) {
  const uint32_t side = grid.size();
  const uint32_t stripRows = countsStripRows(side);
  const uint32_t strips = (side + stripRows - 1) / stripRows;
  const std::size_t workers = std::clamp<std::size_t>(threads, 1, 16);
  const uLong bound = compressBound(uLong(sizeof(uint32_t)) * stripRows * side);
  std::vector<std::vector<uint32_t>> cells(
      workers, std::vector<uint32_t>(std::size_t(stripRows) * side));
  std::vector<std::vector<unsigned char>> packed(workers);
  std::vector<char> packedOk(workers);
  for (uint32_t round = 0; round < strips; round += uint32_t(workers)) {
    const std::size_t count = std::min<std::size_t>(workers, strips - round);
    auto pack = [&](std::size_t w) {
      const uint32_t first = (round + uint32_t(w)) * stripRows;
      packed[w].resize(bound);
      packedOk[w] = packStrip(grid, first, std::min(stripRows, side - first),
                              cells[w], packed[w]);
    };
    std::vector<std::thread> helpers;
    for (std::size_t w = 1; w < count; ++w) {
      try {
        helpers.emplace_back(pack, w);
      } catch (...) {
        packedOk[w] = 2;  // packed below, on this thread
      }
    }
    pack(0);
    for (std::thread& helper : helpers) helper.join();
    for (std::size_t w = 1; w < count; ++w)
      if (packedOk[w] == 2) pack(w);
    for (std::size_t w = 0; w < count; ++w) {
      if (packedOk[w] != 1 ||
          TIFFWriteRawStrip(tif, round + uint32_t(w), packed[w].data(),
                            tmsize_t(packed[w].size())) < 0)
        return false;
    }
  }
  return true;
}

bool encodeCounts(const HitGrid& grid, const std::string& recipe,
                  const std::string& state, unsigned threads,
                  TemporaryFile& file, std::string& error) {
  registerCountsStateTag();
  const uint32_t side = grid.size();
  TemporaryOut out{&file, 0, 0, 0};
  CHandle<TIFF, TIFFClose> tif(openTiffClient(
      needsBigTiff(side, recipe.size() + state.size()) ? "w8" : "w", &out,
      {noRead, outWrite, outSeek, noClose, outSize}, error));
  if (!tif) {
    if (error.empty()) error = "cannot start a TIFF stream";
    return false;
  }
  bool ok = setFields(tif.get(), side, recipe, state) &&
            writeStrips(grid, tif.get(), threads);
  ok = ok && TIFFFlush(tif.get()) == 1;
  tif.reset();  // closing may still write
  if (out.writeError != 0) {
    error = std::strerror(out.writeError);
    return false;
  }
  if (!ok && error.empty()) error = "TIFF encoding failed";
  return ok && error.empty();
}

}  // namespace

bool writeCountsFile(const HitGrid& grid, const std::string& recipe,
                     const std::string& state, const std::string& fileName,
                     bool replace, unsigned threads, std::ostream& err,
                     std::string* writtenName) {
  try {
    DurableFile file(err);
    if (!file.create(fileName)) return false;
    std::string error;
    if (!encodeCounts(grid, recipe, state, threads, file.temporary(), error))
      return file.fail(error);
    if (!replace) return file.finish(writtenName);
    if (!file.finishReplacing()) return false;
    if (writtenName) *writtenName = fileName;
    return true;
  } catch (const std::bad_alloc&) {
    reportWriteFailure(err, fileName, "out of memory");
    return false;
  }
}

}  // namespace marl

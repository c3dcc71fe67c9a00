#include "job/picture_limits.h"

#include <algorithm>
#include <string>

namespace marl {

namespace {

constexpr uint64_t BytesPerPixel = 4;
// Rows coloured and encoded at a time: a band of the widest pixels (16-bit
// RGBA, 8 bytes) with the encoder's own copy, and the column map's entry
// and gathered count per column.
constexpr uint64_t BandBytesPerColumn = 64 * 8 * 2 + 8;
// Rows of a tiling picture painted at a time, when it is painted in bands.
constexpr uint64_t TilingBandRows = 128;
// Per counting thread in fast mode: its own grid or its band buffers, at
// their largest.
constexpr uint64_t FastBufferBytes = uint64_t(8) << 20;

// Bytes a pixel an encoder holds beyond a band, for the libraries that take
// a whole picture: WebP its RGBA pixels and a copy of its own. GIF writes a
// picture of 256 colours or fewer band by band, but quantises one of more
// whole, three colour planes and an index a pixel; that is counted, as
// nothing tells which a picture will be before it is painted. BMP writes
// band by band, bottom band first.
uint64_t wholePictureBytesPerPixel(const ImageFormat& format) {
  const std::string name = format.name;
  if (name == "webp") return 8;
  if (name == "gif") return 4;
  return 0;
}

// What GIF and BMP hold more of a source they can read but once (the
// tiling picture painted in bands): its RGB pixels. The grid and a whole
// bitmap can be read again.
uint64_t oncePictureBytesPerPixel(const ImageFormat& format) {
  const std::string name = format.name;
  return name == "gif" || name == "bmp" ? 3 : 0;
}

uint32_t widthOf(const JobSettings& s) { return s.width.value_or(s.side); }
uint32_t heightOf(const JobSettings& s) { return s.height.value_or(s.side); }

// The tiling picture's side: the given qsize, or the largest a draw gives.
uint64_t largestQsize(const JobSettings& s) {
  if (s.qsize) return uint64_t(std::max(*s.qsize, 0));
  return std::min<uint64_t>(uint64_t(2.2 * s.side), JobSettings::MaxDrawnQsize);
}

// One side of a picture and the limits it meets.
struct Side {
  const char* key;  // the option that sets it
  uint64_t value;
  bool surface;     // painted into or read from a Cairo surface
  bool file;        // a side of a file in the chosen format
  const char* what;
};

}  // namespace

std::string pictureSideProblem(const JobSettings& s) {
  const Side sides[] = {
      {s.width ? "width" : "size", widthOf(s), false, true, ""},
      {s.height ? "height" : "size", heightOf(s), false, true, ""},
      {"size", s.quazi ? s.side : 0, true, false,
       "with quazi=true the tiling warps the square attractor picture from a "
       "Cairo surface"},
      // A tiling picture wider than a surface is painted in bands.
      {"qsize", s.quazi ? largestQsize(s) : 0, false, true, ""},
  };
  for (const Side& side : sides) {
    if (side.surface && side.value > MaxSurfaceSide) {
      return std::string(side.key) + "=" + std::to_string(side.value) +
             " is too large: " + side.what + ", which is at most " +
             std::to_string(MaxSurfaceSide) + " pixels a side; give " +
             side.key + "=" + std::to_string(MaxSurfaceSide) + " or less";
    }
    if (side.file && side.value > uint64_t(s.format->maxSide)) {
      return std::string(side.key) + "=" + std::to_string(side.value) +
             " is too large for " + s.format->title + " pictures, which are " +
             "at most " + std::to_string(s.format->maxSide) +
             " pixels a side; give " + side.key + "=" +
             std::to_string(s.format->maxSide) + " or less, or another image "
             "type";
    }
  }
  // A format that records its file's size in its header holds files of so
  // many bytes at most, whatever the sides.
  if (s.format->fileBytes == nullptr) return std::string();
  const struct {
    bool made;
    uint64_t width, height;
    const char* smaller;  // what to give less of
  } files[] = {
      {true, widthOf(s), heightOf(s),
       s.width || s.height ? "size, width or height," : "size"},
      {s.quazi, largestQsize(s), largestQsize(s), "qsize"},
  };
  for (const auto& file : files) {
    if (file.made && s.format->fileBytes(file.width, file.height) >
                         s.format->maxFileBytes) {
      return "a " + std::to_string(file.width) + " x " +
             std::to_string(file.height) + " picture is too large for " +
             s.format->title + " (its file would pass " +
             std::to_string((s.format->maxFileBytes + 1) >> 30) +
             " GiB); give a smaller " + file.smaller +
             " or another image type";
    }
  }
  return std::string();
}

namespace {

uint64_t gridBytes(const JobSettings& s) {
  const uint64_t stride = uint64_t(s.side) + 10;
  return stride * stride * BytesPerPixel;
}

}  // namespace

uint64_t bytesNeeded(const JobSettings& s) {
  const uint64_t grid = gridBytes(s);
  // The picture goes from the grid to the file band by band, but some
  // encoders gather it whole.
  const uint64_t whole = wholePictureBytesPerPixel(*s.format);
  uint64_t pictures = uint64_t(widthOf(s)) * BandBytesPerColumn +
                      uint64_t(widthOf(s)) * heightOf(s) * whole;
  if (s.quazi) {
    // The square attractor picture the tiling warps, a whole Cairo bitmap,
    // and the tiling picture: a whole bitmap too where one surface holds
    // it, else bands, each painting thread's and those queued for the
    // encoder.
    const uint64_t q = largestQsize(s);
    const uint64_t square = uint64_t(s.side) * s.side * BytesPerPixel;
    const uint64_t bands =
        (2 * uint64_t(std::max(s.threads, 1u)) + 1) * q * TilingBandRows *
        BytesPerPixel;
    const uint64_t tiling =
        q * q * whole +
        (q <= MaxSurfaceSide
             ? q * q * BytesPerPixel
             : bands + q * q * oncePictureBytesPerPixel(*s.format));
    pictures = std::max(pictures, square + tiling + q * BandBytesPerColumn);
  }
  const uint64_t fast = s.mode == JobSettings::Mode::Fast
                            ? uint64_t(std::max(s.threads, 1u)) * FastBufferBytes
                            : 0;
  return grid + pictures + fast;
}

std::string memoryProblem(const JobSettings& s, unsigned jobsAtOnce,
                          const UsableMemory& usable) {
  const uint64_t need = bytesNeeded(s) * std::max(jobsAtOnce, 1u);
  if (need <= usable.bytes) return std::string();
  std::string text = "a picture of size=" + std::to_string(s.side);
  if (s.width || s.height) {
    text += " (" + std::to_string(widthOf(s)) + " x " +
            std::to_string(heightOf(s)) + ")";
  }
  if (jobsAtOnce > 1) text += ", " + std::to_string(jobsAtOnce) + " at once,";
  return text + " needs about " + readableBytes(need) + " of memory, but marl " +
         "may use " + readableBytes(usable.bytes) + " (" + usable.limit +
         "); give a smaller size" +
         (s.width || s.height ? ", width or height" : "") +
         (jobsAtOnce > 1 ? " or fewer threads" : "");
}

bool checkpointCopyFits(const JobSettings& s, unsigned jobsAtOnce,
                        const UsableMemory& usable) {
  if (s.checkpointMinutes <= 0) return true;
  const uint64_t jobs = std::max(jobsAtOnce, 1u);
  const uint64_t need = bytesNeeded(s) * jobs;
  const uint64_t copies = gridBytes(s) * jobs;
  return need <= usable.bytes && copies <= usable.bytes - need;
}

}  // namespace marl

#include "readers/counts_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/c_handle.h"
#include "image/counts_tiff.h"
#include "image/tiff_client.h"
#include "readers/embedded_text.h"

namespace marl {

struct CountsFileReader::Source {
  ~Source() {
    tif.reset();
    if (fd >= 0) ::close(fd);
  }
  int fd = -1;
  toff_t position = 0;
  toff_t size = 0;
  int readError = 0;
  std::string error;
  CHandle<TIFF, TIFFClose> tif;
};

namespace {

using Source = CountsFileReader::Source;

tmsize_t sourceRead(thandle_t handle, void* buffer, tmsize_t size) {
  auto* source = static_cast<Source*>(handle);
  if (size <= 0) return 0;
  std::size_t done = 0;
  while (done < std::size_t(size)) {
    const ssize_t n = pread(source->fd, static_cast<char*>(buffer) + done,
                            std::size_t(size) - done,
                            off_t(source->position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) source->readError = errno;
    if (n <= 0) break;
    done += std::size_t(n);
  }
  source->position += done;
  return tmsize_t(done);
}

tmsize_t noWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t sourceSeek(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<Source*>(handle);
  switch (whence) {
    case SEEK_SET: source->position = offset; break;
    case SEEK_CUR: source->position += offset; break;
    case SEEK_END: source->position = source->size + offset; break;
    default: return toff_t(-1);
  }
  return source->position;
}

int noClose(thandle_t) { return 0; }
toff_t sourceSize(thandle_t handle) { return static_cast<Source*>(handle)->size; }

// Opens the file's first directory, bounding every allocation libtiff makes.
bool openSource(const std::string& path, Source& source, std::string& why) {
  source.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info {};
  if (source.fd < 0 || fstat(source.fd, &info) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    why = "it is not a regular file";
    return false;
  }
  source.size = toff_t(info.st_size);
  registerCountsStateTag();
  source.tif.reset(openTiffClient(
      "rm", &source, {sourceRead, noWrite, sourceSeek, noClose, sourceSize},
      source.error, tmsize_t(CountsFileReader::MaxStripBytes)));
  if (!source.tif) {
    why = "it is not a readable TIFF" +
          (source.error.empty() ? std::string() : ": " + source.error);
    return false;
  }
  return true;
}

bool textField(TIFF* tif, ttag_t tag, std::string& text) {
  const char* value = nullptr;
  if (TIFFGetField(tif, tag, &value) != 1 || value == nullptr) return false;
  const std::size_t length = strnlen(value, CountsFileReader::MaxText + 1);
  if (length > CountsFileReader::MaxText) return false;
  text.assign(value, length);
  return true;
}

template <typename T>
T field(TIFF* tif, ttag_t tag, T otherwise) {
  T value = otherwise;
  if (TIFFGetField(tif, tag, &value) != 1) return otherwise;
  return value;
}

}  // namespace

CountsFileReader::CountsFileReader() = default;
CountsFileReader::~CountsFileReader() = default;

bool CountsFileReader::open(const std::string& path, std::string& why) {
  source_ = std::make_unique<Source>();
  if (!openSource(path, *source_, why)) return false;
  TIFF* const tif = source_->tif.get();
  if (!textField(tif, CountsStateTag, state_)) {
    why = "it holds no counts state (it is not a counts file marl wrote, or "
          "it is cut or damaged)";
    return false;
  }
  if (!textField(tif, TIFFTAG_IMAGEDESCRIPTION, recipe_)) {
    why = "it holds no recipe";
    return false;
  }
  const uint32_t width = field<uint32_t>(tif, TIFFTAG_IMAGEWIDTH, 0);
  const uint32_t height = field<uint32_t>(tif, TIFFTAG_IMAGELENGTH, 0);
  if (width != height || width < 1 || width > MaxPictureSide) {
    why = "its counts are " + std::to_string(width) + " x " +
          std::to_string(height) + ", not a square of 1 to " +
          std::to_string(MaxPictureSide) + " cells a side";
    return false;
  }
  const uint16_t compression = field<uint16_t>(tif, TIFFTAG_COMPRESSION, 1);
  if (field<uint16_t>(tif, TIFFTAG_BITSPERSAMPLE, 1) != 32 ||
      field<uint16_t>(tif, TIFFTAG_SAMPLESPERPIXEL, 1) != 1 ||
      field<uint16_t>(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) !=
          SAMPLEFORMAT_UINT ||
      TIFFIsTiled(tif) || !TIFFIsCODECConfigured(compression)) {
    why = "its samples are not one 32-bit unsigned count a cell in strips "
          "this build can decode";
    return false;
  }
  const uint32_t stripRows = field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP, width);
  const uint64_t stripBytes = uint64_t(std::min(stripRows, height)) * width * 4;
  if (stripRows == 0 || stripBytes > MaxStripBytes ||
      TIFFNumberOfStrips(tif) != (height + std::min(stripRows, height) - 1) /
                                     std::min(stripRows, height)) {
    why = "its strips are not a counts file's";
    return false;
  }
  side_ = width;
  stripRows_ = std::min(stripRows, height);
  return true;
}

bool CountsFileReader::readInto(HitGrid& grid, std::string& why) {
  if (!source_ || !source_->tif || grid.size() != side_) {
    why = "its counts do not fit the grid";
    return false;
  }
  TIFF* const tif = source_->tif.get();
  std::vector<uint32_t> strip(std::size_t(stripRows_) * side_);
  for (uint32_t first = 0; first < side_; first += stripRows_) {
    const uint32_t rows = std::min(stripRows_, side_ - first);
    const tmsize_t bytes = tmsize_t(sizeof(uint32_t)) * rows * side_;
    if (TIFFReadEncodedStrip(tif, first / stripRows_, strip.data(), bytes) !=
        bytes) {
      why = "its counts are cut or damaged at row " + std::to_string(first) +
            (source_->error.empty() ? std::string() : ": " + source_->error);
      return false;
    }
    for (uint32_t r = 0; r < rows; ++r)
      std::memcpy(grid.row(first + r), &strip[std::size_t(r) * side_],
                  sizeof(uint32_t) * side_);
  }
  return true;
}

bool isCountsFile(const std::string& path) {
  Source source;
  std::string why;
  if (!openSource(path, source, why)) return false;
  const char* state = nullptr;
  return TIFFGetField(source.tif.get(), CountsStateTag, &state) == 1 &&
         state != nullptr;
}

}  // namespace marl

#ifndef MARL_BASE_PICTURE_ROWS_H_
#define MARL_BASE_PICTURE_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace marl {

// What a picture is made of, as encoders see it: width x height pixels of
// red, green, blue and, with alpha, an unassociated (not premultiplied)
// alpha sample, each 8 or 16 bits deep.
struct PictureShape {
  int width = 0;
  int height = 0;
  int depth = 8;  // bits per sample: 8 or 16
  bool alpha = false;

  int samples() const { return alpha ? 4 : 3; }
  std::size_t rowBytes() const {
    return std::size_t(width) * std::size_t(samples()) * std::size_t(depth / 8);
  }
};

// Hands out the rows of a picture, so that no encoder needs the whole
// picture in memory at once. Rows are asked for top to bottom, each once,
// unless the source says it is rereadable.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const PictureShape& shape() const = 0;
  // Writes rows first .. first + count - 1 into `out`, rowBytes() each, back
  // to back: samples in R, G, B[, A] order, 8-bit bytes or 16-bit words in
  // the machine's byte order.
  virtual void readRows(int first, int count, unsigned char* out) = 0;
  // True when rows may be read again and in any order, each read giving the
  // same pixels: an encoder may then go over the picture twice, or bottom
  // up, instead of holding it whole. False (the safe answer, for a source
  // made as it is read) binds readers to one pass, top to bottom.
  virtual bool rereadable() const { return false; }
};

// Rows handed to an encoder at a time: enough to keep the calls cheap, few
// enough that a band of the widest picture stays a few tens of MB.
constexpr int BandRows = 64;

// Calls `take(rows, first, count)` for every band of `source` in order, with
// the band's rows back to back; stops and returns false as soon as `take`
// does.
bool forEachBand(
    RowSource& source,
    const std::function<bool(const unsigned char* rows, int first, int count)>&
        take);

// Every row of `source`, back to back, for libraries that take a whole
// picture at once.
std::vector<unsigned char> readWholePicture(RowSource& source);

// A source's rows read once and held whole, so that they can be read again:
// for an encoder that needs another look at a one-pass source.
class HeldRows : public RowSource {
 public:
  explicit HeldRows(RowSource& source)
      : shape_(source.shape()), pixels_(readWholePicture(source)) {}

  const PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override;
  bool rereadable() const override { return true; }

 private:
  PictureShape shape_;
  std::vector<unsigned char> pixels_;
};

// Where an encoder's bytes go: a temporary file or memory. Formats that fix
// up their header at the end (TIFF) write at an earlier offset again.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes `size` bytes at `offset`, growing the output as needed. False,
  // with errno set, when they cannot be written.
  virtual bool writeAt(std::uint64_t offset, const unsigned char* bytes,
                       std::size_t size) = 0;
  // Bytes written so far (the highest offset reached).
  virtual std::uint64_t size() const = 0;

  bool append(const unsigned char* bytes, std::size_t size) {
    return writeAt(this->size(), bytes, size);
  }
};

// A sink that keeps the bytes in memory.
class MemorySink : public ByteSink {
 public:
  bool writeAt(std::uint64_t offset, const unsigned char* bytes,
               std::size_t size) override;
  std::uint64_t size() const override { return bytes.size(); }

  std::vector<unsigned char> bytes;
};

}  // namespace marl

#endif  // MARL_BASE_PICTURE_ROWS_H_

#include "base/picture_rows.h"

#include <algorithm>
#include <cstring>

namespace marl {

bool forEachBand(
    RowSource& source,
    const std::function<bool(const unsigned char* rows, int first, int count)>&
        take) {
  const PictureShape& shape = source.shape();
  const int band = std::min(BandRows, std::max(shape.height, 1));
  std::vector<unsigned char> rows(shape.rowBytes() * std::size_t(band));
  for (int first = 0; first < shape.height; first += band) {
    const int count = std::min(band, shape.height - first);
    source.readRows(first, count, rows.data());
    if (!take(rows.data(), first, count)) return false;
  }
  return true;
}

std::vector<unsigned char> readWholePicture(RowSource& source) {
  const PictureShape& shape = source.shape();
  std::vector<unsigned char> pixels(shape.rowBytes() *
                                    std::size_t(shape.height));
  if (shape.height > 0)
    source.readRows(0, shape.height, pixels.data());
  return pixels;
}

void HeldRows::readRows(int first, int count, unsigned char* out) {
  const std::size_t row = shape_.rowBytes();
  if (count > 0)
    std::memcpy(out, pixels_.data() + row * std::size_t(first),
                row * std::size_t(count));
}

bool MemorySink::writeAt(std::uint64_t offset, const unsigned char* data,
                         std::size_t size) {
  const std::size_t end = std::size_t(offset) + size;
  if (end > bytes.size()) bytes.resize(end);
  if (size > 0) std::memcpy(bytes.data() + offset, data, size);
  return true;
}

}  // namespace marl

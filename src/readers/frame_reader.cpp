#include "readers/frame_reader.h"

#include <spng.h>

#include <cstdio>
#include <vector>

#include "base/c_handle.h"
#include "image/bitmap_rows.h"
#include "base/picture_rows.h"

namespace marl {

namespace {

int closeFile(std::FILE* file) { return std::fclose(file); }

// Decoded RGBA rows, handed to paintBitmap.
class DecodedRows : public RowSource {
 public:
  DecodedRows(int width, int height, std::vector<unsigned char> rgba)
      : rgba_(std::move(rgba)) {
    shape_.width = width;
    shape_.height = height;
    shape_.alpha = true;
  }
  const PictureShape& shape() const override { return shape_; }
  void readRows(int first, int count, unsigned char* out) override {
    const std::size_t row = shape_.rowBytes();
    std::copy(rgba_.begin() + std::ptrdiff_t(row * std::size_t(first)),
              rgba_.begin() + std::ptrdiff_t(row * std::size_t(first + count)),
              out);
  }

 private:
  std::vector<unsigned char> rgba_;
  PictureShape shape_;
};

}  // namespace

bool readPngFrame(const std::string& path, Bitmap& frame, std::string& error) {
  const CHandle<std::FILE, closeFile> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open it";
    return false;
  }
  const CHandle<spng_ctx, spng_ctx_free> ctx(spng_ctx_new(0));
  if (!ctx) {
    error = "out of memory";
    return false;
  }
  int status = spng_set_png_file(ctx.get(), file.get());
  if (!status)
    status = spng_set_image_limits(ctx.get(), uint32_t(frame.width()),
                                   uint32_t(frame.height()));
  spng_ihdr ihdr{};
  if (!status) status = spng_get_ihdr(ctx.get(), &ihdr);
  if (status) {
    error = std::string("not a PNG frame of this animation: ") +
            spng_strerror(status) + "; only PNG frames are read back";
    return false;
  }
  if (int(ihdr.width) != frame.width() || int(ihdr.height) != frame.height()) {
    error = "it is " + std::to_string(ihdr.width) + " x " +
            std::to_string(ihdr.height) + ", not the animation's " +
            std::to_string(frame.width()) + " x " +
            std::to_string(frame.height());
    return false;
  }
  if (ihdr.bit_depth != 8) {
    // Its high bytes need not be the 8-bit colouring a video is made of.
    error = "a " + std::to_string(ihdr.bit_depth) +
            "-bit frame is not what its video holds";
    return false;
  }
  std::size_t size = 0;
  status = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size);
  std::vector<unsigned char> rgba(size);
  if (!status)
    status = spng_decode_image(ctx.get(), rgba.data(), size, SPNG_FMT_RGBA8,
                               SPNG_DECODE_TRNS);
  if (status) {
    error = std::string("cannot decode it: ") + spng_strerror(status);
    return false;
  }
  DecodedRows rows(frame.width(), frame.height(), std::move(rgba));
  paintBitmap(rows, frame);
  return true;
}

}  // namespace marl

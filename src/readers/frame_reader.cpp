#include "readers/frame_reader.h"

#include <spng.h>

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "base/c_handle.h"

namespace marl {

namespace {

int closeFile(std::FILE* file) { return std::fclose(file); }

// Decoded RGBA rows.
class DecodedRows : public RowSource {
 public:
  DecodedRows(int width, int height, std::vector<unsigned char> rgba)
      : rgba_(std::move(rgba)) {
    shape_.width = width;
    shape_.height = height;
    shape_.alpha = true;
  }
  const PictureShape& shape() const override { return shape_; }
  bool rereadable() const override { return true; }
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

std::unique_ptr<RowSource> readPngFrame(const std::string& path, int width,
                                        int height, std::string& error) {
  const CHandle<std::FILE, closeFile> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open it";
    return nullptr;
  }
  const CHandle<spng_ctx, spng_ctx_free> ctx(spng_ctx_new(0));
  if (!ctx) {
    error = "out of memory";
    return nullptr;
  }
  int status = spng_set_png_file(ctx.get(), file.get());
  if (!status)
    status = spng_set_image_limits(ctx.get(), uint32_t(width),
                                   uint32_t(height));
  spng_ihdr ihdr{};
  if (!status) status = spng_get_ihdr(ctx.get(), &ihdr);
  if (status) {
    error = std::string("not a PNG frame of this animation: ") +
            spng_strerror(status) + "; only PNG frames are read back";
    return nullptr;
  }
  if (int(ihdr.width) != width || int(ihdr.height) != height) {
    error = "it is " + std::to_string(ihdr.width) + " x " +
            std::to_string(ihdr.height) + ", not the animation's " +
            std::to_string(width) + " x " + std::to_string(height);
    return nullptr;
  }
  if (ihdr.bit_depth != 8) {
    // Its high bytes need not be the 8-bit colouring a video is made of.
    error = "a " + std::to_string(ihdr.bit_depth) +
            "-bit frame is not what its video holds";
    return nullptr;
  }
  std::size_t size = 0;
  status = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size);
  std::vector<unsigned char> rgba;
  try {
    if (!status) rgba.resize(size);
  } catch (const std::bad_alloc&) {
    error = "no memory for it";
    return nullptr;
  }
  if (!status)
    status = spng_decode_image(ctx.get(), rgba.data(), size, SPNG_FMT_RGBA8,
                               SPNG_DECODE_TRNS);
  if (status) {
    error = std::string("cannot decode it: ") + spng_strerror(status);
    return nullptr;
  }
  try {
    return std::make_unique<DecodedRows>(width, height, std::move(rgba));
  } catch (const std::bad_alloc&) {
    error = "no memory for it";
    return nullptr;
  }
}

}  // namespace marl

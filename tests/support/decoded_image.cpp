#include "support/decoded_image.h"

#include <fstream>
#include <iterator>

#include <boost/gil.hpp>
#include <boost/gil/extension/io/bmp.hpp>
#include <gif_lib.h>
#include <spng.h>
#include <webp/decode.h>
#include <tiffio.h>
#include <turbojpeg.h>

namespace marl_test {

namespace {

uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

std::vector<unsigned char> bytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
}

// Adds one pixel of 16-bit samples, and its high bytes to `pixels`.
void addDeep(DecodedImage& image, uint64_t a, uint64_t r, uint64_t g,
             uint64_t b) {
  image.deep.push_back(a << 48 | r << 32 | g << 16 | b);
  image.pixels.push_back(pack(uint32_t(a >> 8), uint32_t(r >> 8),
                              uint32_t(g >> 8), uint32_t(b >> 8)));
}

DecodedImage decodePng(const std::string& path) {
  const std::vector<unsigned char> bytes = bytesOf(path);
  DecodedImage image;
  spng_ctx* ctx = spng_ctx_new(0);
  spng_ihdr ihdr{};
  std::size_t size = 0;
  if (spng_set_png_buffer(ctx, bytes.data(), bytes.size()) == 0 &&
      spng_get_ihdr(ctx, &ihdr) == 0) {
    const bool deep = ihdr.bit_depth == 16;
    const int format = deep ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    std::vector<unsigned char> out;
    if (spng_decoded_image_size(ctx, format, &size) == 0) {
      out.resize(size);
      if (spng_decode_image(ctx, out.data(), size, format, 0) == 0) {
        image.width = int(ihdr.width);
        image.height = int(ihdr.height);
        image.depth = ihdr.bit_depth;
        image.alpha = ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
        for (std::size_t i = 0; i < size; i += deep ? 8 : 4) {
          if (deep) {
            const auto* s = reinterpret_cast<const uint16_t*>(&out[i]);
            addDeep(image, s[3], s[0], s[1], s[2]);
          } else {
            image.pixels.push_back(
                pack(out[i + 3], out[i], out[i + 1], out[i + 2]));
          }
        }
      }
    }
  }
  spng_ctx_free(ctx);
  return image;
}

DecodedImage decodeWebp(const std::string& path) {
  const std::vector<unsigned char> bytes = bytesOf(path);
  DecodedImage image;
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
    return image;
  int width = 0, height = 0;
  uint8_t* rgba = WebPDecodeRGBA(bytes.data(), bytes.size(), &width, &height);
  if (!rgba) return image;
  image.width = width;
  image.height = height;
  image.alpha = features.has_alpha;
  for (std::size_t i = 0; i < std::size_t(width) * height * 4; i += 4)
    image.pixels.push_back(pack(rgba[i + 3], rgba[i], rgba[i + 1], rgba[i + 2]));
  WebPFree(rgba);
  return image;
}

DecodedImage decodeJpeg(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  DecodedImage image;
  tjhandle handle = tjInitDecompress();
  int width, height, subsampling, colourspace;
  if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height,
                          &subsampling, &colourspace) == 0) {
    std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
    if (tjDecompress2(handle, bytes.data(), bytes.size(), rgb.data(), width, 0,
                      height, TJPF_RGB, 0) == 0) {
      image.width = width;
      image.height = height;
      image.subsampling = subsampling;
      for (std::size_t i = 0; i < rgb.size(); i += 3)
        image.pixels.push_back(pack(255, rgb[i], rgb[i + 1], rgb[i + 2]));
    }
  }
  tjDestroy(handle);
  return image;
}

// The stored samples themselves: libtiff's RGBA reader would premultiply.
DecodedImage decodeTiff(const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (!tiff) return {};
  uint32_t width = 0, height = 0;
  uint16_t samples = 0, bits = 0, extraCount = 0;
  uint16_t* extra = nullptr;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  const bool unassociatedAlpha =
      TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) &&
      extraCount == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA;
  DecodedImage image;
  if ((bits == 8 || bits == 16) &&
      (samples == 3 || (samples == 4 && unassociatedAlpha))) {
    std::vector<unsigned char> line(TIFFScanlineSize(tiff));
    for (uint32_t y = 0; y < height; ++y) {
      if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) {
        image.pixels.clear();
        break;
      }
      for (uint32_t x = 0; x < width; ++x) {
        if (bits == 16) {
          const auto* s =
              reinterpret_cast<const uint16_t*>(line.data()) + x * samples;
          addDeep(image, samples == 4 ? s[3] : 65535, s[0], s[1], s[2]);
          continue;
        }
        const unsigned char* s = line.data() + x * samples;
        image.pixels.push_back(
            pack(samples == 4 ? s[3] : 255, s[0], s[1], s[2]));
      }
    }
    if (image.pixels.size() == std::size_t(width) * height) {
      image.width = int(width);
      image.height = int(height);
      image.samples = samples;
      image.depth = bits;
      image.alpha = samples == 4;
    }
  }
  TIFFClose(tiff);
  return image;
}

DecodedImage decodeGif(const std::string& path) {
  DecodedImage image;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return image;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap
                                    ? frame.ImageDesc.ColorMap
                                    : gif->SColorMap;
    if (map) {
      image.width = frame.ImageDesc.Width;
      image.height = frame.ImageDesc.Height;
      image.colours = map->ColorCount;
      const std::size_t count = std::size_t(image.width) * image.height;
      for (std::size_t i = 0; i < count; ++i) {
        const GifColorType c = map->Colors[frame.RasterBits[i]];
        image.pixels.push_back(pack(255, c.Red, c.Green, c.Blue));
      }
    }
  }
  DGifCloseFile(gif, &error);
  return image;
}

DecodedImage decodeBmp(const std::string& path) {
  DecodedImage image;
  boost::gil::rgb8_image_t picture;
  try {
    boost::gil::read_image(path, picture, boost::gil::bmp_tag());
  } catch (const std::exception&) {
    return image;
  }
  const auto view = boost::gil::const_view(picture);
  image.width = int(view.width());
  image.height = int(view.height());
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const auto p = view(x, y);
      image.pixels.push_back(pack(255, p[0], p[1], p[2]));
    }
  return image;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

DecodedImage decodeImageFile(const std::string& path) {
  if (endsWith(path, ".jpg")) return decodeJpeg(path);
  if (endsWith(path, ".tif")) return decodeTiff(path);
  if (endsWith(path, ".gif")) return decodeGif(path);
  if (endsWith(path, ".bmp")) return decodeBmp(path);
  if (endsWith(path, ".png")) return decodePng(path);
  if (endsWith(path, ".webp")) return decodeWebp(path);
  return {};
}

}  // namespace marl_test

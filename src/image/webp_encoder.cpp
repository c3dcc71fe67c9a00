#include <webp/encode.h>
#include <webp/mux.h>

#include <vector>

#include "base/c_handle.h"
#include "image/image_encoders.h"
#include "image/xmp_packet.h"

namespace marl {

namespace {

// High enough that the speckle of a picture survives; 4:2:0 is all lossy
// WebP has, so the sharper colour conversion is asked for too.
constexpr int DefaultQuality = 90;

const char* reasonOf(WebPEncodingError code) {
  switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      return OutOfMemoryWhileEncoding;
    case VP8_ENC_ERROR_BAD_DIMENSION:
      return "picture too large for WebP (16383 pixels a side at most)";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
      return "the picture is too detailed for lossy WebP at this quality";
    case VP8_ENC_ERROR_FILE_TOO_BIG:
      return "the WebP file would pass 4 GiB";
    default:
      return "WebP encoding failed";
  }
}

// Owns what the encoder allocates.
struct EncodedPicture {
  WebPPicture picture;
  WebPMemoryWriter memory;
  EncodedPicture() {
    WebPPictureInit(&picture);
    WebPMemoryWriterInit(&memory);
  }
  ~EncodedPicture() {
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&memory);
  }
  EncodedPicture(const EncodedPicture&) = delete;
  EncodedPicture& operator=(const EncodedPicture&) = delete;
};

struct Assembled {
  WebPData data;
  Assembled() { WebPDataInit(&data); }
  ~Assembled() { WebPDataClear(&data); }
  Assembled(const Assembled&) = delete;
  Assembled& operator=(const Assembled&) = delete;
};

bool encodeImage(RowSource& rows, const EncodeOptions& options,
                 EncodedPicture& encoded, std::string& error) {
  const PictureShape& shape = rows.shape();
  WebPConfig config;
  if (!WebPConfigInit(&config)) {
    error = "the WebP library does not match its header";
    return false;
  }
  if (options.lossless) {
    config.lossless = 1;
  } else {
    config.quality =
        float(options.quality > 0 ? options.quality : DefaultQuality);
    config.use_sharp_yuv = 1;
  }
  // The encoder takes a whole picture; WebP's side limit keeps it at most
  // 1 GiB.
  std::vector<unsigned char> pixels = readWholePicture(rows);
  WebPPicture& picture = encoded.picture;
  picture.use_argb = options.lossless ? 1 : 0;
  picture.width = shape.width;
  picture.height = shape.height;
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &encoded.memory;
  const int stride = int(shape.rowBytes());
  const int imported =
      shape.alpha ? WebPPictureImportRGBA(&picture, pixels.data(), stride)
                  : WebPPictureImportRGB(&picture, pixels.data(), stride);
  if (!imported) {
    error = reasonOf(picture.error_code);
    return false;
  }
  std::vector<unsigned char>().swap(pixels);
  if (!WebPEncode(&config, &picture)) {
    error = reasonOf(picture.error_code);
    return false;
  }
  return true;
}

}  // namespace

bool encodeWebp(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, true, "WebP", error)) return false;
  if (shape.width > WEBP_MAX_DIMENSION || shape.height > WEBP_MAX_DIMENSION) {
    error = reasonOf(VP8_ENC_ERROR_BAD_DIMENSION);
    return false;
  }
  EncodedPicture encoded;
  if (!encodeImage(rows, options, encoded, error)) return false;
  if (options.text.empty()) {
    if (out.append(encoded.memory.mem, encoded.memory.size)) return true;
    error = "cannot write the WebP";
    return false;
  }
  const CHandle<WebPMux, WebPMuxDelete> mux(WebPMuxNew());
  const std::string packet = xmpPacketOf(options.text);
  const WebPData image{encoded.memory.mem, encoded.memory.size};
  const WebPData xmp{reinterpret_cast<const uint8_t*>(packet.data()),
                     packet.size()};
  Assembled file;
  WebPMuxError status = mux ? WebPMuxSetImage(mux.get(), &image, 0)
                            : WEBP_MUX_MEMORY_ERROR;
  if (status == WEBP_MUX_OK)
    status = WebPMuxSetChunk(mux.get(), "XMP ", &xmp, 0);
  if (status == WEBP_MUX_OK) status = WebPMuxAssemble(mux.get(), &file.data);
  if (status != WEBP_MUX_OK) {
    error = status == WEBP_MUX_MEMORY_ERROR ? OutOfMemoryWhileEncoding
                                            : "cannot add the text to the WebP";
    return false;
  }
  if (out.append(file.data.bytes, file.data.size)) return true;
  error = "cannot write the WebP";
  return false;
}

}  // namespace marl

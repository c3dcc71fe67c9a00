#include <turbojpeg.h>

#include <vector>

#include "base/c_handle.h"
#include "render/image_encoders.h"
#include "render/jpeg_comment.h"

namespace marl {

namespace {

constexpr int DefaultQuality = 95;

}  // namespace

bool encodeJpeg(RowSource& rows, const EncodeOptions& options, ByteSink& out,
                std::string& error) {
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "JPEG", error)) return false;
  // TurboJPEG compresses a whole picture at once.
  std::vector<unsigned char> pixels = readWholePicture(rows);
  const CHandle<void, tjDestroy> handle(tjInitCompress());
  if (!handle) {
    error = tjGetErrorStr2(nullptr);
    return false;
  }
  unsigned char* encoded = nullptr;
  unsigned long encodedSize = 0;
  const int quality = options.quality > 0 ? options.quality : DefaultQuality;
  const int status = tjCompress2(handle.get(), pixels.data(), shape.width, 0,
                                 shape.height, TJPF_RGB, &encoded, &encodedSize,
                                 TJSAMP_444, quality, 0);
  const CHandle<unsigned char, tjFree> compressed(encoded);
  if (status != 0) {
    error = tjGetErrorStr2(handle.get());
    return false;
  }
  std::vector<unsigned char>().swap(pixels);
  // Room for the comment too, so that inserting it moves bytes within the
  // buffer instead of copying them to a new one.
  std::vector<unsigned char> jpeg;
  jpeg.reserve(encodedSize + options.text.size() +
               4 * (options.text.size() / MaxJpegCommentSegment + 1));
  jpeg.assign(encoded, encoded + encodedSize);
  // TurboJPEG has no way to write a comment, so it goes in afterwards.
  if (!insertJpegComment(jpeg, options.text, error)) return false;
  if (!out.append(jpeg.data(), jpeg.size())) {
    error = "cannot write the JPEG";
    return false;
  }
  return true;
}

}  // namespace marl

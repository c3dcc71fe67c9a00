#include <turbojpeg.h>

#include "base/c_handle.h"
#include "render/image_encoders.h"
#include "render/jpeg_comment.h"

namespace marl {

namespace {

// Cairo's ARGB32 is a native-endian 32-bit word, so its byte order in memory
// depends on the machine.
constexpr int CairoPixelFormat =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? TJPF_BGRA : TJPF_ARGB;
constexpr int Quality = 95;

}  // namespace

bool encodeJpeg(const Bitmap& bitmap, const std::string& embeddedText,
                std::vector<unsigned char>& out, std::string& error) {
  const CHandle<void, tjDestroy> handle(tjInitCompress());
  if (!handle) {
    error = tjGetErrorStr2(nullptr);
    return false;
  }
  cairo_surface_flush(bitmap.surface());
  const int pitch = cairo_image_surface_get_stride(bitmap.surface());
  unsigned char* jpeg = nullptr;
  unsigned long jpegSize = 0;
  // The colour bytes are premultiplied, so dropping alpha shows transparent
  // pixels over black.
  const int status = tjCompress2(
      handle.get(), reinterpret_cast<const unsigned char*>(bitmap.row(0)),
      bitmap.width(), pitch, bitmap.height(), CairoPixelFormat, &jpeg,
      &jpegSize, TJSAMP_444, Quality, 0);
  const CHandle<unsigned char, tjFree> compressed(jpeg);
  if (status != 0) {
    error = tjGetErrorStr2(handle.get());
    return false;
  }
  // Room for the comment too, so that inserting it moves bytes within the
  // buffer instead of copying them to a new one.
  out.reserve(jpegSize + embeddedText.size() +
              4 * (embeddedText.size() / MaxJpegCommentSegment + 1));
  out.assign(jpeg, jpeg + jpegSize);
  // TurboJPEG has no way to write a comment, so it goes in afterwards.
  return insertJpegComment(out, embeddedText, error);
}

}  // namespace marl

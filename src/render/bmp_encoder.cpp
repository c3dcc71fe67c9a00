#include <boost/gil.hpp>
#include <boost/gil/extension/io/bmp.hpp>
#include <exception>
#include <new>
#include <sstream>

#include "render/image_encoders.h"

namespace marl {

bool encodeBmp(const Bitmap& bitmap, const std::string& /*embeddedText*/,
               std::vector<unsigned char>& out, std::string& error) {
  namespace gil = boost::gil;
  cairo_surface_flush(bitmap.surface());
  try {
    // Copied channel by channel rather than through GIL's colour
    // conversion, which would multiply the already premultiplied colours by
    // alpha a second time. Dropping alpha shows the pixel over black.
    gil::rgb8_image_t image(bitmap.width(), bitmap.height());
    const gil::rgb8_view_t view = gil::view(image);
    for (int y = 0; y < bitmap.height(); ++y) {
      const uint32_t* pixels = bitmap.row(y);
      gil::rgb8_view_t::x_iterator it = view.row_begin(y);
      for (int x = 0; x < bitmap.width(); ++x) {
        const uint32_t p = pixels[x];
        it[x] = gil::rgb8_pixel_t(static_cast<uint8_t>(p >> 16),
                                  static_cast<uint8_t>(p >> 8),
                                  static_cast<uint8_t>(p));
      }
    }
    std::ostringstream stream;
    // A stream swallows what its buffer throws (memory running out as it
    // grows) and merely goes bad: the picture would come out cut short.
    stream.exceptions(std::ios::badbit);
    gil::write_view(stream, gil::const_view(image), gil::bmp_tag());
    const std::string bytes = stream.str();
    out.assign(bytes.begin(), bytes.end());
    return true;
  } catch (const std::bad_alloc&) {
    error = OutOfMemoryWhileEncoding;
    return false;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace marl

#include <boost/gil.hpp>
#include <boost/gil/extension/io/bmp.hpp>
#include <exception>
#include <new>
#include <sstream>

#include "render/image_encoders.h"

namespace marl {

bool encodeBmp(RowSource& rows, const EncodeOptions& /*options*/,
               ByteSink& out, std::string& error) {
  namespace gil = boost::gil;
  const PictureShape& shape = rows.shape();
  if (!acceptShape(shape, 8, false, "BMP", error)) return false;
  try {
    // GIL's writer goes from the bottom row up, so it needs them all.
    gil::rgb8_image_t image(shape.width, shape.height);
    const gil::rgb8_view_t view = gil::view(image);
    forEachBand(rows, [&](const unsigned char* band, int first, int count) {
      const unsigned char* p = band;
      for (int y = first; y < first + count; ++y) {
        gil::rgb8_view_t::x_iterator it = view.row_begin(y);
        for (int x = 0; x < shape.width; ++x, p += 3)
          it[x] = gil::rgb8_pixel_t(p[0], p[1], p[2]);
      }
      return true;
    });
    std::ostringstream stream;
    // A stream swallows what its buffer throws (memory running out as it
    // grows) and merely goes bad: the picture would come out cut short.
    stream.exceptions(std::ios::badbit);
    gil::write_view(stream, gil::const_view(image), gil::bmp_tag());
    const std::string bytes = stream.str();
    if (!out.append(reinterpret_cast<const unsigned char*>(bytes.data()),
                    bytes.size())) {
      error = "cannot write the BMP";
      return false;
    }
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

// The job's settings echo and the draws of the values left open (steps 3
// and 4 of draw_sequence.h), interleaved as the console shows them.
#include <ostream>

#include "base/draw_sequence.h"
#include "base/escaped_text.h"
#include "job/picture_job.h"

namespace marl {

namespace {

// The three channels from `first` on, each given or drawn, packed opaque.
uint32_t colourOf(const JobSettings& settings, int first,
                  RandomSource& random) {
  uint32_t colour = 0xFF000000u;
  for (int c = first; c < first + 3; ++c) {
    const std::optional<uint32_t>& given = settings.channels[c];
    const uint32_t channel =
        given ? *given : uint32_t(55 + random.drawSmallInteger(0, 200));
    colour += channel << (8 * (first + 2 - c));
  }
  return colour;
}

void echoColour(std::ostream& out, const char* label, uint32_t colour) {
  out << label << "Red " << ((colour >> 16) & 0xFF) << " Green "
      << ((colour >> 8) & 0xFF) << " Blue " << (colour & 0xFF) << std::endl;
}

}  // namespace

int32_t PictureJob::givenPosition(const char* key, int32_t given,
                                  int32_t qsize) {
  // A given position lies on the picture: at most its side.
  if (given <= qsize) return given;
  err_ << "marl: warning: " << key << "=" << given << " is above qsize "
       << qsize << "; using " << qsize << "\n";
  return qsize;
}

bool PictureJob::drawParameters(RandomSource& random) {
  const JobSettings& s = settings_;
  parameters_.startColour = colourOf(s, 0, random);
  parameters_.finishColour = colourOf(s, 3, random);
  takeNamedPalette();
  echoColour(out_, "Start color = ", parameters_.startColour);
  echoColour(out_, "Final color = ", parameters_.finishColour);
  out_ << "base file name is " << EscapedIfNeeded{s.basename} << std::endl;
  out_ << "Image will be " << EscapedIfNeeded{s.imageWord} << " type"
       << std::endl;
  out_ << "Detail level = " << s.detail << std::endl;
  if (!allocateGrid(s.side)) return false;
  const TorusView view = pictureView();
  out_ << "The image will be " << view.width() << " x " << view.height()
       << " pixels" << std::endl;

  parameters_.quazi = s.quazi;
  if (!s.quazi) return true;
  out_ << "A quazi-crystal image tiling will also be created" << std::endl;
  drawQuaziParameters(random);
  return true;
}

void PictureJob::drawQuaziParameters(RandomSource& random) {
  const JobSettings& s = settings_;
  QuaziSettings& q = parameters_.quaziSettings;
  const int32_t side = int32_t(grid_.size());
  for (int i = 0; i < QuaziDiscardRounds; ++i) {
    random.next();
    random.drawInteger(50, side);
    random.drawInteger(5, 42);
    random.next();
  }
  q.qline = s.qline ? *s.qline : random.drawInteger(5, 42);
  if (s.qsize) {
    q.qsize = *s.qsize;
  } else {
    const double drawn = random.drawReal(0.8, 2.2) * double(grid_.size());
    q.qsize = std::min(int32_t(drawn), int32_t(JobSettings::MaxDrawnQsize));
  }
  q.qx = s.qx ? (s.keepQx ? *s.qx : givenPosition("qx", *s.qx, q.qsize))
              : random.drawInteger(50, side);
  q.qy = s.qy ? (s.keepQy ? *s.qy : givenPosition("qy", *s.qy, q.qsize))
              : random.drawInteger(50, side);
  q.qscale = s.qscale ? *s.qscale : random.drawReal(0.05, 3.0);
  q.qsep = s.qsep ? *s.qsep : random.drawReal(0.01, 0.1);
}

}  // namespace marl

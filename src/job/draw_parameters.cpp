#include <algorithm>

#include "base/draw_sequence.h"
#include "colour/colour_space.h"
#include "job/picture_draws.h"

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

// A named palette is taken as the colours are drawn, so that the echo shows
// its ends; palette=random waits for the picture's number.
void takeNamedPalette(const std::string& name, PicturePlan& plan) {
  if (name.empty() || name == "random") return;
  plan.palette = findPalette(name);
  if (!plan.palette) return;
  // The echo and the recipe's R0..B1 show the palette's two ends.
  plan.startColour = packArgb8(plan.palette->stops.front());
  plan.finishColour = packArgb8(plan.palette->stops.back());
}

int32_t givenPosition(const char* key, int32_t given, int32_t qsize,
                      JobConsole& console) {
  // A given position lies on the picture: at most its side.
  if (given <= qsize) return given;
  console.warning(key, "=", given, " is above qsize ", qsize, "; using ",
                  qsize);
  return qsize;
}

QuaziSettings drawQuaziSettings(const JobSettings& s, RandomSource& random,
                                JobConsole& console) {
  QuaziSettings q;
  const int32_t side = int32_t(s.side);
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
    const double drawn = random.drawReal(0.8, 2.2) * double(s.side);
    q.qsize = std::min(int32_t(drawn), int32_t(JobSettings::MaxDrawnQsize));
  }
  q.qx = s.qx ? (s.keepQx ? *s.qx
                          : givenPosition("qx", *s.qx, q.qsize, console))
              : random.drawInteger(50, side);
  q.qy = s.qy ? (s.keepQy ? *s.qy
                          : givenPosition("qy", *s.qy, q.qsize, console))
              : random.drawInteger(50, side);
  q.qscale = s.qscale ? *s.qscale : random.drawReal(0.05, 3.0);
  q.qsep = s.qsep ? *s.qsep : random.drawReal(0.01, 0.1);
  return q;
}

}  // namespace

void drawColours(const JobSettings& s, RandomSource& random,
                 JobConsole& console, PicturePlan& plan) {
  plan.startColour = colourOf(s, 0, random);
  plan.finishColour = colourOf(s, 3, random);
  takeNamedPalette(s.colour.palette, plan);
  console.colours(plan.startColour, plan.finishColour);
  console.output(s.basename, s.imageWord, s.detail);
}

void drawTiling(const JobSettings& s, RandomSource& random,
                JobConsole& console, PicturePlan& plan) {
  const TorusView view = pictureView(plan.options);
  console.pictureSize(view.width(), view.height());
  if (!s.quazi) return;
  console.tilingToo();
  plan.tiling = drawQuaziSettings(s, random, console);
}

}  // namespace marl

#ifndef MARL_COLOUR_GRADIENT_H_
#define MARL_COLOUR_GRADIENT_H_

#include <vector>

#include "colour/colour_space.h"

namespace marl {

// How the colours between two stops are mixed: straight lines between the
// sRGB values, or straight lines in OKLab, where equal steps look equal and
// complementary stops pass through clean colours rather than grey.
enum class Blend { Rgb, Oklab };

// The words blend= takes.
struct BlendWord {
  Blend value;
  const char* word;
};
inline constexpr BlendWord BlendWords[] = {{Blend::Rgb, "rgb"},
                                           {Blend::Oklab, "oklab"}};

// Colours along evenly spaced stops: position 0 is the first stop, 1 the
// last; positions beyond 0..1 clamp. Everything is in double precision, so
// the same gradient serves 8-bit and 16-bit pictures.
class Gradient {
 public:
  // At least one stop. With `reverse` the stops run from 1 down to 0.
  Gradient(std::vector<Rgb> stops, Blend blend, bool reverse);

  Rgb at(double position) const;

 private:
  std::vector<Rgb> stops_;
  std::vector<Oklab> labs_;  // the stops in OKLab, with Blend::Oklab
  Blend blend_;
};

// A gradient sampled once at Segments + 1 evenly spaced positions, read
// between the two nearest samples: colouring a picture through it converts
// no colour space per cell.
class GradientTable {
 public:
  static constexpr int Segments = 8192;

  explicit GradientTable(const Gradient& gradient);

  Rgb at(double position) const;

 private:
  std::vector<Rgb> samples_;
};

}  // namespace marl

#endif  // MARL_COLOUR_GRADIENT_H_

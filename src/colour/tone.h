#ifndef MARL_COLOUR_TONE_H_
#define MARL_COLOUR_TONE_H_

namespace marl {

// How a cell's count becomes a position on the gradient: by its rank among
// the cells (histogram equalisation), by log(1 + count), or by the count.
enum class Tone { Equalize, Log, Linear };

// The words tone= takes.
struct ToneWord {
  Tone value;
  const char* word;
};
inline constexpr ToneWord ToneWords[] = {
    {Tone::Equalize, "equalize"}, {Tone::Log, "log"}, {Tone::Linear, "linear"}};

}  // namespace marl

#endif  // MARL_COLOUR_TONE_H_

#ifndef MARL_OPTIONS_OPTION_TABLE_H_
#define MARL_OPTIONS_OPTION_TABLE_H_

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "options/option_keys.h"

namespace marl {

// What kind of value an option takes, which says how it is read.
enum class OptionKind {
  Word,        // asks for something as a bare word: help, version
  Whole,       // a whole number, lo..hi
  Real,        // a real number, low..high
  Channel,     // a colour channel: 0..255
  OnOff,       // on when the value holds "true" or "TRUE"
  Choice,      // one of the option's words
  Colours,     // RRGGBB stops, comma-separated
  Text,        // any text
  Path,        // a file's path
  Pictures,    // pictures marl wrote, comma-separated
  FrameRange,  // frames A-B or frame A
  Formats,     // format words, comma-separated
  RealList,    // reals low..high, comma-separated
  Blocks,      // real lists separated by ';'
  Check,       // a recipe's check: 16 hex digits
};

// Whether a picture's recipe holds the option.
enum class InRecipe {
  Never,    // a picture never holds it: a recipe with it is refused
  Carried,  // recipes carry it (when it differs from the default, for some)
  Only,     // only a recipe holds it: its presence makes a file a recipe
};

// Where the words an option's value may be come from, for the completion.
enum class WordSource {
  None,
  Fixed,          // OptionSpec::words
  Files,          // file names
  ImageFormats,   // the picture formats' plain names
  VideoFormats,   // the video formats' words
  Palettes,       // palette=list, palette=random and the built-in palettes
  BlendWords,     // the colour room's words for these
  ToneWords,
};

// One option, said once: everything the reader, the recipe check, the
// known-key warning, the docs, the man page and the completion know of it.
struct OptionSpec {
  const char* key;
  OptionKind kind;
  InRecipe recipe = InRecipe::Never;
  // Whole numbers: the limits a value is brought within.
  int64_t lo = std::numeric_limits<int32_t>::min();
  int64_t hi = std::numeric_limits<int32_t>::max();
  // Reals, and each value of a list: low..high (high itself left out with
  // highOpen).
  double low = 0.0;
  double high = 0.0;
  bool highOpen = false;
  // Read only for an animation: named in a warning without frames=.
  bool animation = false;
  // Part of the map a recipe gives: all of these or none.
  bool map = false;
  // The docs row of this option also names the options after it that set
  // `sameRow` (R0, G0, B0 share one).
  bool sameRow = false;
  WordSource words = WordSource::None;
  const char* fixedWords = "";  // space-separated, with WordSource::Fixed
  const char* value = "";       // the value's name in the docs: "N"
  const char* help = "";        // one line
  // The reference the docs give: what it does, its default and the limits
  // applied. Text in `backticks` is a literal, set in bold on the man page.
  const char* meaning = "";
  const char* byDefault = "";
  const char* limits = "";
};

// Every option, in the order the docs list them.
const std::vector<OptionSpec>& optionTable();

// The option with this key; nullptr when there is none.
const OptionSpec* findOption(const std::string& key);
// The option with this key, which must be in the table.
const OptionSpec& option(const char* key);

// Every key a picture's recipe may hold.
bool isWrittenKey(const std::string& key);
// Keys only a recipe holds: the map, its start, number and attempt, the
// tiling's spacings, an animation's keyframes and frame index, the check.
bool isRecipeOnlyKey(const std::string& key);

}  // namespace marl

#endif  // MARL_OPTIONS_OPTION_TABLE_H_

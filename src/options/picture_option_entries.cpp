// The options of the picture, its colours and its tiling.
#include "options/option_entries.h"

namespace marl {

namespace {

constexpr int64_t Int32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t Int32Min = std::numeric_limits<int32_t>::min();
// Largest side of the torus and of a picture (JobSettings::MaxSide).
constexpr int64_t MaxSide = 65535;
constexpr InRecipe Carried = InRecipe::Carried;

}  // namespace

std::vector<OptionSpec> pictureOptionEntries() {
  constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();
  constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
  return {
      {.key = key::Count, .kind = OptionKind::Whole, .value = "N",
       .help = "pictures to make",
       .byDefault = "1", .limits = "none; 0 or less makes none"},
      {.key = key::It, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = Int64Min, .hi = Int64Max, .value = "N",
       .help = "iterations of the map",
       .meaning = "iterations of the map; the one option that takes 64-bit "
                  "counts, as an enlargement may need billions of steps",
       .byDefault = "200000000; in a replay at another `size`, the recipe's "
                    "`it` times the square of the size ratio",
       .limits = "none; 3001 or less counts no hit, 1000000 or less skips "
                 "the fill check; a recipe's past a million hits a pixel of "
                 "its grid is refused unless the command line gives `it`"},
      {.key = key::Size, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 40, .hi = MaxSide, .value = "N",
       .help = "side of the square torus picture in pixels (its hit grid)",
       .byDefault = "1201; with `width` or `height` but no `size`, the "
                    "larger of them",
       .limits = "40 to 65535; with `quazi=true`, at most 32767"},
      {.key = key::Width, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 40, .hi = MaxSide, .value = "W",
       .help = "width of the picture",
       .meaning = "width of the picture: a cut from the plane the `size` x "
                  "`size` picture tiles; a replay at another `size` scales "
                  "the recipe's",
       .byDefault = "`size`",
       .limits = "40 to 65535; JPEG holds at most 65500, WebP 16383"},
      {.key = key::Height, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 40, .hi = MaxSide, .value = "H",
       .help = "height of the picture, likewise",
       .byDefault = "`size`", .limits = "40 to 65535, likewise"},
      {.key = key::ShiftX, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.0, .high = 1.0, .value = "X",
       .help = "moves the cut right by this fraction of a period",
       .byDefault = "0", .limits = "0 to 1 (1 is a whole period, as 0)"},
      {.key = key::ShiftY, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.0, .high = 1.0, .value = "Y",
       .help = "moves the cut down by this fraction of a period",
       .byDefault = "0", .limits = "0 to 1"},
      {.key = key::Detail, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 2, .hi = 12, .value = "N", .help = "harmonics per coordinate",
       .byDefault = "6", .limits = "2 to 12"},
      {.key = key::Image, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::ImageFormats, .value = "TYPE",
       .help = "file type: jpeg, tiff, gif, bmp, png or webp",
       .meaning = "file type: the value is searched for `tiff`/`Tiff`/`TIFF`,"
                  " then `gif`/`Gif`/`GIF`, then `bmp`/`Bmp`/`BMP`, then "
                  "`png`/`Png`/`PNG`, then `webp`/`Webp`/`WEBP`; the last "
                  "match wins",
       .byDefault = "`jpeg` (JPEG, `.jpg`)",
       .limits = "any other word gives JPEG; WebP holds at most 16383 pixels "
                 "a side, so `image=webp` with a larger `size` is an error"},
      {.key = key::Depth, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::Fixed, .fixedWords = "8 16", .value = "BITS",
       .help = "bits a sample, 8 or 16",
       .meaning = "bits a sample, 8 or 16; at 16 the colours themselves are "
                  "computed at 16 bits (the two-colour gradient and the "
                  "palettes, stops and tone curves alike), so an equalised "
                  "picture has far more than 256 levels a channel (recipe, "
                  "when 16)",
       .byDefault = "8",
       .limits = "PNG and TIFF only; any other value, or 16 with another "
                 "type: a warning and 8. The tiling picture stays at 8 bits"},
      {.key = key::Background, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::Fixed, .fixedWords = "none", .value = "COLOUR",
       .help = "what the cells no orbit visited become: none or RRGGBB",
       .meaning = "`none`: the cells no orbit visited are fully transparent; "
                  "`RRGGBB` (six hex digits): they are painted in that "
                  "colour, whatever the colouring (recipe)",
       .byDefault = "the colouring's own colour for them, as always",
       .limits = "`none` needs PNG, TIFF or WebP: elsewhere a warning and the "
                 "usual colour; any other word: a warning and the usual "
                 "colour"},
      {.key = key::Quality, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 1, .hi = 100, .words = WordSource::Fixed,
       .fixedWords = "lossless", .value = "Q",
       .help = "lossy quality, 1 to 100, or lossless for WebP",
       .meaning = "lossy quality, 1 to 100, or `lossless` for WebP (recipe, "
                  "when given)",
       .byDefault = "JPEG 95, WebP 90 (lossy)",
       .limits = "JPEG and WebP only (elsewhere a warning, ignored); "
                 "`lossless` only for WebP (JPEG: a warning and 95); beyond "
                 "1..100 the nearest limit, with a warning"},
      {.key = key::Basename, .kind = OptionKind::Text, .recipe = Carried,
       .words = WordSource::Files, .value = "NAME",
       .help = "the non-numeric part of file names",
       .byDefault = "`symmetric_square`",
       .limits = "none; from a picture's recipe, only its last path "
                 "component counts (a warning names the folder dropped)"},
      {.key = key::R0, .kind = OptionKind::Channel, .recipe = Carried,
       .value = "N", .help = "start colour channels",
       .byDefault = "random, 55 to 255 each",
       .limits = "above 255 gives 255, otherwise the low 8 bits (-1 gives "
                 "255)"},
      {.key = key::G0, .kind = OptionKind::Channel, .recipe = Carried,
       .sameRow = true, .value = "N"},
      {.key = key::B0, .kind = OptionKind::Channel, .recipe = Carried,
       .sameRow = true, .value = "N"},
      {.key = key::R1, .kind = OptionKind::Channel, .recipe = Carried,
       .value = "N", .help = "finish colour channels",
       .byDefault = "random, 55 to 255 each", .limits = "as above"},
      {.key = key::G1, .kind = OptionKind::Channel, .recipe = Carried,
       .sameRow = true, .value = "N"},
      {.key = key::B1, .kind = OptionKind::Channel, .recipe = Carried,
       .sameRow = true, .value = "N"},
      {.key = key::Colors, .kind = OptionKind::Colours, .recipe = Carried,
       .value = "LIST",
       .help = "colour stops from the emptiest cells to the fullest",
       .meaning = "colour stops from the emptiest cells to the fullest: 2 to "
                  "16 `RRGGBB` (a leading `#` allowed), comma-separated; the "
                  "first and last also set `R0`..`B1`, so two stops are "
                  "exactly those channels given",
       .byDefault = "none",
       .limits = "not hex, one stop or more than 16: a warning and the "
                 "colours drawn as usual"},
      {.key = key::Palette, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::Palettes, .value = "NAME",
       .help = "a built-in palette by name, or random",
       .meaning = "a built-in palette by name, or `random` (one picked by the "
                  "picture's number); `palette=list` prints every name with "
                  "its stops",
       .byDefault = "none",
       .limits = "an unknown name: a warning naming the nearest ones, and the "
                 "colours drawn as usual"},
      {.key = key::Reverse, .kind = OptionKind::OnOff, .recipe = Carried,
       .words = WordSource::Fixed, .fixedWords = "true false",
       .value = "BOOL",
       .help = "run the gradient from its last colour to its first",
       .meaning = "run the gradient from its last colour to its first when "
                  "the value contains `true` or `TRUE`",
       .byDefault = "off"},
      {.key = key::Blend, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::BlendWords, .value = "WORD",
       .help = "how the colours between two stops are mixed: rgb or oklab",
       .meaning = "how the colours between two stops are mixed: `rgb` on "
                  "straight lines between the sRGB values; `oklab` on "
                  "straight lines in the OKLab perceptual space, clipped back "
                  "into sRGB",
       .byDefault = "`rgb`", .limits = "any other word: a warning and `rgb`"},
      {.key = key::Tone, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::ToneWords, .value = "WORD",
       .help = "how a cell's count becomes a place on the gradient",
       .meaning = "how a cell's count becomes a place on the gradient: "
                  "`equalize` by its rank among the cells (histogram "
                  "equalisation); `log` as log(1 + count) / log(1 + top); "
                  "`linear` as count / top; top is the count reached by "
                  "99.9% of the visited cells, and counts above it take the "
                  "last colour",
       .byDefault = "`equalize`",
       .limits = "any other word: a warning and `equalize`"},
      {.key = key::Gamma, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.1, .high = 10.0, .value = "G",
       .help = "the place on the gradient is raised to the power 1 / gamma",
       .meaning = "the place on the gradient is raised to the power 1 / "
                  "`gamma`: above 1 moves the dim cells further along",
       .byDefault = "1", .limits = "0.1 to 10"},
      {.key = key::Quazi, .kind = OptionKind::OnOff, .recipe = Carried,
       .words = WordSource::Fixed, .fixedWords = "true false",
       .value = "BOOL", .help = "also write the tiling picture",
       .meaning = "also write the tiling picture when the value contains "
                  "`true` or `TRUE`; the `q` options are read only with it",
       .byDefault = "off"},
      {.key = key::Qline, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 5, .hi = 42, .value = "N", .help = "line families of the tiling",
       .byDefault = "random, 5 to 42", .limits = "5 to 42"},
      {.key = key::Qsize, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = Int32Min, .hi = MaxSide, .value = "N",
       .help = "side of the tiling picture in pixels",
       .byDefault = "random, 0.8 to 2.2 times `size`, at most 16384",
       .limits = "at most 65535; above 32767 the picture is painted in "
                 "bands; 0 or less is an error (no tiling picture)"},
      {.key = key::Qx, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 20, .hi = Int32Max, .value = "N",
       .help = "pixel position of the tiling's centre",
       .byDefault = "random, 50 to `size`",
       .limits = "at least 20, then at most `qsize`; a recipe's are kept as "
                 "they are (a drawn one may lie beyond `qsize`), at most "
                 "65535 and at least 20 (or its `qsize`, when smaller)"},
      {.key = key::Qy, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 20, .hi = Int32Max, .sameRow = true, .value = "N"},
      {.key = key::Qscale, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.05, .high = 3.0, .value = "S",
       .help = "view scale of the tiling",
       .meaning = "view scale: a rhombus side is `qscale` x (2 `size` - 2) "
                  "pixels",
       .byDefault = "random, 0.05 to 3.0", .limits = "0.05 to 3.0"},
      {.key = key::Qsep, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.01, .high = 0.1, .value = "S",
       .help = "tile enlargement about its centre",
       .byDefault = "random, 0.01 to 0.1", .limits = "0.01 to 0.1"},
  };
}

}  // namespace marl

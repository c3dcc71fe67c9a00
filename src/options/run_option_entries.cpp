// The options of the run, the animation and the recipe.
#include "options/option_entries.h"

namespace marl {

namespace {

constexpr InRecipe Carried = InRecipe::Carried;
constexpr InRecipe Only = InRecipe::Only;
// Most frames an animation has (AnimationSettings::MaxFrames).
constexpr int64_t MaxFrames = 999999;

}  // namespace

std::vector<OptionSpec> runOptionEntries() {
  return {
      {.key = key::Mode, .kind = OptionKind::Choice, .recipe = Carried,
       .words = WordSource::Fixed, .fixedWords = "exact fast",
       .value = "WORD", .help = "exact paints the one orbit; fast many",
       .meaning = "`exact` paints the one orbit bit for bit; `fast` paints "
                  "the density of many orbits of the same map on every core "
                  "and SIMD lane",
       .byDefault = "`exact`", .limits = "any other word: a warning and "
                                         "`exact`"},
      {.key = key::Threads, .kind = OptionKind::Whole, .lo = 1, .hi = 1024,
       .value = "N", .help = "pictures finished at once, one per thread",
       .meaning = "pictures finished at once, one per thread; in fast mode, "
                  "the cores one picture uses; the tiling picture is painted "
                  "on each picture's share",
       .byDefault = "the CPUs the process may use (its affinity mask)",
       .limits = "1 to 1024; below 1 or not a number: a warning and the "
                 "default"},
      // A batch spread over processes: its draws and its record.
      {.key = key::Seed, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 0, .hi = 4294967295, .value = "S",
       .help = "start the run's draws from this number instead of the clock",
       .meaning = "start the run's draws from this number instead of the "
                  "clock's second: one seed makes the same pictures on any "
                  "machine at any time, other seeds other pictures",
       .byDefault = "none: the clock's second",
       .limits = "0 to 4294967295"},
      {.key = key::Catalogue, .kind = OptionKind::Path,
       .words = WordSource::Files, .value = "FILE",
       .help = "append one JSON line per picture made to this file",
       .meaning = "append one JSON line per picture made to this file "
                  "(its files, number, seed, fill, size, mode, colours and "
                  "recipe check), each line whole under an advisory lock, so "
                  "that many processes may share one catalogue",
       .byDefault = "none",
       .limits = "a file that cannot be opened for appending is an error "
                 "before any picture is made"},
      {.key = key::Frames, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 2, .hi = MaxFrames, .value = "N",
       .help = "make each job an animation of this many frames",
       .meaning = "make each job an animation of this many frames instead of "
                  "one picture",
       .byDefault = "none: a still", .limits = "2 to 999999"},
      {.key = key::Loop, .kind = OptionKind::Real, .recipe = Carried,
       .low = 0.0, .high = 1.0, .animation = true, .value = "R",
       .help = "an animation's path: a circle through the job's map",
       .meaning = "an animation's path: a circle through the job's map of "
                  "radius `loop` x the norm of its coefficient block",
       .byDefault = "0.02", .limits = "0 to 1"},
      {.key = key::Plane, .kind = OptionKind::Whole, .recipe = Carried,
       .lo = 0, .hi = 4294967295, .animation = true, .value = "N",
       .help = "the plane of the loop, a number (recipe)",
       .byDefault = "drawn", .limits = "0 to 4294967295"},
      {.key = key::Morph, .kind = OptionKind::Pictures, .animation = true,
       .words = WordSource::Files, .value = "PICTURES",
       .help = "an animation's path through the maps of pictures",
       .meaning = "an animation's path through the job's map and each "
                  "picture's map in turn, comma-separated pictures marl wrote",
       .byDefault = "none",
       .limits = "same `linear`, `offset`, `detail` as the job's map"},
      {.key = key::Only, .kind = OptionKind::FrameRange, .lo = 0,
       .hi = MaxFrames - 1, .animation = true, .value = "A-B",
       .help = "make only frames A to B, or frame A",
       .meaning = "make only frames A to B (`only=A-B`) or frame A "
                  "(`only=A`), counted from 0",
       .byDefault = "every frame", .limits = "within the animation"},
      {.key = key::Keyframes, .kind = OptionKind::Blocks, .recipe = Only,
       .low = -1.0, .high = 1.0, .animation = true, .value = "BLOCKS",
       .help = "a morph's keyframes after the job's map (recipe)",
       .meaning = "a morph's keyframes after the job's map, coefficient "
                  "blocks separated by `;` (recipe)",
       .limits = "`detail` x `detail` values each, -1 to 1"},
      {.key = key::Frame, .kind = OptionKind::Whole, .recipe = Only, .lo = 0,
       .hi = MaxFrames - 1, .value = "N",
       .help = "the index of the frame a picture is (recipe)",
       .limits = "0 to 999998"},
      {.key = key::Video, .kind = OptionKind::Formats, .animation = true,
       .words = WordSource::VideoFormats, .value = "FORMATS",
       .help = "also write each animation as one looping file per format",
       .meaning = "also write each animation as one looping file per format "
                  "named, comma-separated: `mp4` (H.264), `webm` (VP9), "
                  "`gif`, `webp` (animated), each `BASENAMEnnnnnn.EXT` with "
                  "the animation's recipe inside",
       .byDefault = "none",
       .limits = "unknown words: a warning, left out; empty or no known "
                 "word: a warning, no video; with `only=` short of every "
                 "frame: a warning, no video"},
      {.key = key::Fps, .kind = OptionKind::Whole, .lo = 1, .hi = 120,
       .animation = true, .value = "N",
       .help = "frames a second of the videos", .byDefault = "30",
       .limits = "1 to 120"},
      {.key = key::KeepFrames, .kind = OptionKind::OnOff, .animation = true,
       .words = WordSource::Fixed, .fixedWords = "true false",
       .value = "BOOL", .help = "keep the frame pictures beside the videos",
       .meaning = "keep the frame pictures beside the videos: off (the "
                  "videos only) unless the value contains `true` or `TRUE`",
       .byDefault = "on",
       .limits = "off only with `video=` and every frame; otherwise a "
                 "warning and on"},
      {.key = key::Crf, .kind = OptionKind::Whole, .lo = 0, .hi = 51,
       .animation = true, .value = "N",
       .help = "the MP4 video's quality: lower is better and larger",
       .meaning = "the MP4 video's constant quality (x264's CRF): lower "
                  "keeps more of the frames in a larger file",
       .byDefault = "16", .limits = "0 to 51"},
      {.key = key::Preset, .kind = OptionKind::Choice, .animation = true,
       .words = WordSource::Fixed,
       .fixedWords = "ultrafast superfast veryfast faster fast medium slow "
                     "slower veryslow",
       .value = "WORD", .help = "the MP4 encoder's speed against file size",
       .meaning = "x264's speed preset: slower ones make a smaller file of "
                  "the same quality",
       .byDefault = "`veryfast`", .limits = "any other word: a warning and "
                                            "the default"},
      {.key = key::Chroma, .kind = OptionKind::Choice, .animation = true,
       .words = WordSource::Fixed, .fixedWords = "420 444", .value = "WORD",
       .help = "the MP4 and WebM colour resolution: 420 or 444",
       .meaning = "the MP4 and WebM videos' colour resolution: `420` halves "
                  "it each way, as every player can show; `444` keeps every "
                  "pixel's colour, which desktop browsers and players show "
                  "but many phones and hardware decoders do not",
       .byDefault = "`420`", .limits = "any other word: a warning and `420`"},
      {.key = key::File, .kind = OptionKind::Path, .words = WordSource::Files,
       .value = "PATH",
       .help = "parameter file, or a picture marl wrote, to read more "
               "options from",
       .byDefault = "none",
       .limits = "a line beyond 64 KiB, or a file beyond 16 MiB, is an "
                 "error"},
      // Kept counts: a picture's hit grid beside it, to colour again, go
      // on from, or resume after a kill.
      {.key = key::Counts, .kind = OptionKind::OnOff,
       .words = WordSource::Fixed, .fixedWords = "true false",
       .value = "BOOL",
       .help = "also write the hit grid as BASENAMEnnnnnn_counts.tif",
       .meaning = "also write the hit grid, one 32-bit count a cell, with "
                  "the recipe and the orbit's state, as "
                  "`BASENAMEnnnnnn_counts.tif`, when the value contains "
                  "`true` or `TRUE`; `file=` with that file colours it again "
                  "without counting, or goes on counting to a larger `it`",
       .byDefault = "off"},
      {.key = key::Checkpoint, .kind = OptionKind::Real, .low = 0.001,
       .high = 100000.0, .value = "MINUTES",
       .help = "rewrite the counts file this often during a run",
       .meaning = "write the counts file (as `counts=true`) every so many "
                  "minutes while counting, each time replacing the last; "
                  "the same command run again after a kill goes on from it",
       .byDefault = "none", .limits = "0.001 to 100000"},
      {.key = key::Linear, .kind = OptionKind::Whole, .recipe = Only,
       .lo = -3, .hi = 3, .map = true, .value = "N",
       .help = "the map's integer multiple of the point (recipe)",
       .byDefault = "drawn", .limits = "-3 to 3"},
      {.key = key::Offset, .kind = OptionKind::Real, .recipe = Only,
       .low = 0.0, .high = 0.5, .map = true, .value = "X",
       .help = "the map's offset, 0 or 0.5 (recipe)", .byDefault = "drawn",
       .limits = "0 to 0.5"},
      {.key = key::StartX, .kind = OptionKind::Real, .recipe = Only,
       .low = 0.0, .high = 1.0, .map = true, .value = "X",
       .help = "the start point of the kept attempt (recipe)",
       .byDefault = "drawn", .limits = "0 to 1"},
      {.key = key::StartY, .kind = OptionKind::Real, .recipe = Only,
       .low = 0.0, .high = 1.0, .map = true, .sameRow = true, .value = "Y"},
      {.key = key::Coefficients, .kind = OptionKind::RealList, .recipe = Only,
       .low = -1.0, .high = 1.0, .map = true, .value = "LIST",
       .help = "the detail x detail coefficients, row by row (recipe)",
       .meaning = "the `detail` x `detail` coefficients, row by row, "
                  "comma-separated (recipe)",
       .byDefault = "drawn",
       .limits = "`detail` x `detail` values, each -1 to 1"},
      {.key = key::Number, .kind = OptionKind::Whole, .recipe = Only,
       .lo = 0, .hi = 999999, .map = true, .value = "N",
       .help = "the six-digit picture number (recipe)", .byDefault = "drawn",
       .limits = "0 to 999999"},
      {.key = key::Attempt, .kind = OptionKind::Whole, .recipe = Only,
       .lo = 1, .map = true, .value = "N",
       .help = "which attempt of its run the map was, 1 for the first "
               "(recipe)",
       .limits = "1 to 2147483647"},
      {.key = key::Spacings, .kind = OptionKind::RealList, .recipe = Only,
       .low = 0.0, .high = 1.0, .highOpen = true, .value = "LIST",
       .help = "one spacing draw per line family of the tiling (recipe)",
       .meaning = "one spacing draw per line family of the tiling, "
                  "comma-separated (recipe)",
       .byDefault = "drawn", .limits = "`qline` values in [0, 1)"},
      {.key = key::Check, .kind = OptionKind::Check, .recipe = Only,
       .value = "HASH",
       .help = "the recipe's check over its lines before it (recipe)",
       .meaning = "the recipe's check over its lines before it (recipe): "
                  "FNV-1a 64 from the offset basis 1469598103934665603, as "
                  "16 hex digits",
       .limits = "must match"},
      {.key = key::Help, .kind = OptionKind::Word,
       .help = "print the usage text and stop"},
      {.key = key::DashH, .kind = OptionKind::Word, .sameRow = true},
      {.key = key::Version, .kind = OptionKind::Word,
       .help = "print the version and stop",
       .meaning = "print the version as `marl X.Y.Z` and stop"},
      {.key = key::DashDashVersion, .kind = OptionKind::Word,
       .sameRow = true},
      // The explorer's own options.
      {.key = key::Explore, .kind = OptionKind::Word,
       .help = "serve a local web page to find, tune and keep pictures",
       .meaning = "serve a local web page to find, tune and keep pictures "
                  "(`marl explore`); prints the one address, with its "
                  "token, to open; Ctrl-C stops it"},
      {.key = key::Port, .kind = OptionKind::Whole, .lo = 0, .hi = 65535,
       .value = "N", .help = "the explorer's port; 0 lets the system pick",
       .byDefault = "8642", .limits = "0 to 65535"},
      {.key = key::Host, .kind = OptionKind::Text, .value = "ADDRESS",
       .help = "the address the explorer listens on",
       .meaning = "the address the explorer listens on; any but the "
                  "loopback addresses lets other machines reach it (a "
                  "warning)",
       .byDefault = "`127.0.0.1` and `::1`",
       .limits = "a numeric IPv4 or IPv6 address"},
      {.key = key::Open, .kind = OptionKind::OnOff,
       .words = WordSource::Fixed, .fixedWords = "true false",
       .value = "BOOL", .help = "also open the explorer's page with xdg-open",
       .byDefault = "off", .limits = "on when the value contains `true`"},
      {.key = key::Folder, .kind = OptionKind::Path,
       .words = WordSource::Files, .value = "DIR",
       .help = "a folder whose pictures the explorer's page also shows",
       .meaning = "a folder of pictures marl made (a batch from a cluster, "
                  "say) that the explorer's page also shows, read from "
                  "their recipes as `file=` reads one; a file `file=` "
                  "would refuse is left out with a warning",
       .byDefault = "none",
       .limits = "its first 5000 files; each read as `file=` reads one"},
  };
}

}  // namespace marl

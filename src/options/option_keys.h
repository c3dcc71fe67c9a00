#ifndef MARL_OPTIONS_OPTION_KEYS_H_
#define MARL_OPTIONS_OPTION_KEYS_H_

// The one spelling of every option key. Code names a key through these, so
// that a key is spelt once and the option table (option_table.h) can say
// everything else about it.
namespace marl::key {

inline constexpr char Count[] = "count";
inline constexpr char It[] = "it";
inline constexpr char Size[] = "size";
inline constexpr char Width[] = "width";
inline constexpr char Height[] = "height";
inline constexpr char ShiftX[] = "shiftx";
inline constexpr char ShiftY[] = "shifty";
inline constexpr char Detail[] = "detail";
inline constexpr char Image[] = "image";
inline constexpr char Depth[] = "depth";
inline constexpr char Background[] = "background";
inline constexpr char Quality[] = "quality";
inline constexpr char Basename[] = "basename";
inline constexpr char R0[] = "R0";
inline constexpr char G0[] = "G0";
inline constexpr char B0[] = "B0";
inline constexpr char R1[] = "R1";
inline constexpr char G1[] = "G1";
inline constexpr char B1[] = "B1";
inline constexpr char Colors[] = "colors";
inline constexpr char Palette[] = "palette";
inline constexpr char Reverse[] = "reverse";
inline constexpr char Blend[] = "blend";
inline constexpr char Tone[] = "tone";
inline constexpr char Gamma[] = "gamma";
inline constexpr char Filter[] = "filter";
inline constexpr char DeRadius[] = "deradius";
inline constexpr char DeCurve[] = "decurve";
inline constexpr char DeMirror[] = "demirror";
inline constexpr char Quazi[] = "quazi";
inline constexpr char Qline[] = "qline";
inline constexpr char Qsize[] = "qsize";
inline constexpr char Qx[] = "qx";
inline constexpr char Qy[] = "qy";
inline constexpr char Qscale[] = "qscale";
inline constexpr char Qsep[] = "qsep";
inline constexpr char Mode[] = "mode";
inline constexpr char Threads[] = "threads";
inline constexpr char Seed[] = "seed";
inline constexpr char Catalogue[] = "catalogue";
inline constexpr char Frames[] = "frames";
inline constexpr char Loop[] = "loop";
inline constexpr char Plane[] = "plane";
inline constexpr char Morph[] = "morph";
inline constexpr char Only[] = "only";
inline constexpr char Keyframes[] = "keyframes";
inline constexpr char Frame[] = "frame";
inline constexpr char Video[] = "video";
inline constexpr char Fps[] = "fps";
inline constexpr char KeepFrames[] = "keepframes";
inline constexpr char Crf[] = "crf";
inline constexpr char Preset[] = "preset";
inline constexpr char Chroma[] = "chroma";
inline constexpr char File[] = "file";
inline constexpr char Counts[] = "counts";
inline constexpr char Checkpoint[] = "checkpoint";
inline constexpr char Number[] = "number";
inline constexpr char Attempt[] = "attempt";
inline constexpr char Linear[] = "linear";
inline constexpr char Offset[] = "offset";
inline constexpr char StartX[] = "startx";
inline constexpr char StartY[] = "starty";
inline constexpr char Coefficients[] = "coefficients";
inline constexpr char Spacings[] = "spacings";
inline constexpr char Check[] = "check";
inline constexpr char Help[] = "help";
inline constexpr char DashH[] = "-h";
inline constexpr char Version[] = "version";
inline constexpr char DashDashVersion[] = "--version";
// The explorer: a local web page to find, tune and keep pictures.
inline constexpr char Explore[] = "explore";
inline constexpr char Port[] = "port";
inline constexpr char Host[] = "host";
inline constexpr char Open[] = "open";
inline constexpr char Folder[] = "folder";

// R0, G0, B0, R1, G1, B1: the start colour's channels, then the finish's.
inline constexpr const char* Channels[6] = {R0, G0, B0, R1, G1, B1};

}  // namespace marl::key

#endif  // MARL_OPTIONS_OPTION_KEYS_H_

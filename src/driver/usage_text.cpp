#include "driver/usage_text.h"

namespace marl {

namespace {

// Fixed text, kept exactly as users have always seen it (typos included);
// the README gives the values the program really applies.
const char* const UsageLines[] = {
    "",
    "example: >>marl.exe count=2, R0=100, G0=111, B0=54, it=100000000 ...",
    " or >>marl.exe -f filename",
    "--------------where:",
    "it=nnnnnnnn The iteration maximum, default = 200000000",
    "help or -h Prints these instructions and exits",
    "file=filename Reads input paramaters from each line of the file",
    "basename=basename The non-numeric part of the filename(s)",
    "R0=nnn the red value of the start color",
    "G0=nnn the green value of the start color",
    "B0=nnn the blue value of the start color",
    "R1=nnn the red value of the finish color",
    "G1=nnn the green value of the finish color",
    "B1=nnn the blue value of the finish color",
    "count=nnn how many images to produce, default = 1",
    "image=jpeg (jpeg, gif, tiff or bmp) image files, default = jpeg",
    "size=1024 The size of one side of the image in pixels, default=1200",
    "detail=6 The detail level, between 3 and 12, default=6",
    "--------------",
    "quazi=true Also output quazi-crystal tiling image, default=false",
    "qline=nn The quazi-crystal line count (5 to 42) defaut random",
    "qsize=nnnn The size of the quazi image in pixels, default varies",
    "qx=nnnn The quazi-crystal x view position (30 to qsize)) defaut random",
    "qy=nnnn The quazi-crystal y view position (30 to qsize)) defaut random",
    "qscale=zzz The quazi-crystal trapazoid seperation (0.01 to .1)) defaut "
    "random",
    "qsep=zzz The quazi-crystal view scaling (0.05 to 3.0)) defaut random",
    "----------------",
};

}  // namespace

void printUsage(std::ostream& out) {
  for (const char* line : UsageLines) out << line << std::endl;
}

}  // namespace marl

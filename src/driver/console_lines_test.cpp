#include "driver/console_lines.h"

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/escaped_text.h"
#include "driver/ordered_console.h"

namespace marl {
namespace {

// Every line the command line has always printed for what a job tells.
TEST(ConsoleLinesTest, EachEventPrintsItsLine) {
  struct Case {
    const char* name;
    std::function<void(ConsoleLines&)> tell;
    std::string out;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"colours", [](ConsoleLines& c) { c.colours(0xFF0A0B0Cu, 0x00FFFFFFu); },
       "Start color = Red 10 Green 11 Blue 12\n"
       "Final color = Red 255 Green 255 Blue 255\n",
       ""},
      {"output",
       [](ConsoleLines& c) { c.output("a\tb", "Gif!", 6); },
       "base file name is a\\x09b\nImage will be Gif! type\n"
       "Detail level = 6\n",
       ""},
      {"size", [](ConsoleLines& c) { c.pictureSize(300, 170); },
       "The image will be 300 x 170 pixels\n", ""},
      {"tiling", [](ConsoleLines& c) { c.tilingToo(); },
       "A quazi-crystal image tiling will also be created\n", ""},
      {"picture",
       [](ConsoleLines& c) { c.picture("x000012.jpg", 200000000); },
       "x000012.jpg\nWill run to 200000000\n", ""},
      {"picture escaped", [](ConsoleLines& c) { c.picture("a\nb.png", -5); },
       "a\\x0ab.png\nWill run to -5\n", ""},
      {"orbit",
       [](ConsoleLines& c) {
         c.progress(1000000);
         c.fillChecked(0.125);
         c.restarted();
       },
       "itcnt = 1000000\nfillval = 0.125\nReseting as unfilled\n", ""},
      {"frame",
       [](ConsoleLines& c) { c.frameWritten(3, 8, "a000001_f0003.png"); },
       "frame 3 of 8: a000001_f0003.png\n", ""},
      {"video", [](ConsoleLines& c) { c.videoWritten(6, "a000001.mp4"); },
       "video of 6 frames: a000001.mp4\n", ""},
      {"diagnostics",
       [](ConsoleLines& c) {
         c.warning("qx=", 700, " is above qsize ", 300, "; using ", 300);
         c.note("'", Escaped{"f\x01"}, "' holds this frame already");
         c.error("no memory for a ", 2.5, " frame");
         c.diagnostics() << "marl: error: from an encoder\n";
       },
       "",
       "marl: warning: qx=700 is above qsize 300; using 300\n"
       "marl: note: 'f\\x01' holds this frame already\n"
       "marl: error: no memory for a 2.5 frame\n"
       "marl: error: from an encoder\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    ConsoleLines lines(out, err);
    c.tell(lines);
    EXPECT_EQ(out.str(), c.out) << c.name;
    EXPECT_EQ(err.str(), c.err) << c.name;
  }
}

// Through a batch's streams, a line reaches the console as soon as it is
// told, so that a live job's echo and progress show as they happen.
TEST(ConsoleLinesTest, LinesAreFlushedAsTold) {
  std::ostringstream out, err;
  OrderedConsole console(out, err);
  OrderedConsole::JobStreams& streams = console.open();
  ConsoleLines lines(streams.out(), streams.err());
  lines.picture("p.jpg", 10);
  EXPECT_EQ(out.str(), "p.jpg\nWill run to 10\n");
  lines.progress(7);
  lines.warning("late");
  EXPECT_EQ(out.str(), "p.jpg\nWill run to 10\nitcnt = 7\n");
  EXPECT_EQ(err.str(), "marl: warning: late\n");
  console.close(streams);
}

}  // namespace
}  // namespace marl

#include "job/job_console.h"

#include <gtest/gtest.h>

#include "base/escaped_text.h"

namespace marl {
namespace {

// A frame's console: nothing of the echo or the orbit, every diagnostic in
// the order told, each taken once.
TEST(QuietConsoleTest, KeepsOnlyDiagnostics) {
  QuietConsole console;
  console.colours(1, 2);
  console.output("a", "png", 6);
  console.pictureSize(3, 4);
  console.tilingToo();
  console.picture("a.png", 5);
  console.progress(10000000);
  console.fillChecked(0.5);
  console.restarted();
  EXPECT_EQ(console.takeDiagnostics(), "");
  console.warning("qx=", 9, " is above qsize ", 5);
  console.diagnostics() << "marl: error: an encoder's own line\n";
  console.note("'", Escaped{"a\x1b"}, "' skipped at ", 0.25);
  EXPECT_EQ(console.takeDiagnostics(),
            "marl: warning: qx=9 is above qsize 5\n"
            "marl: error: an encoder's own line\n"
            "marl: note: 'a\\x1b' skipped at 0.25\n");
  EXPECT_EQ(console.takeDiagnostics(), "");
}

}  // namespace
}  // namespace marl

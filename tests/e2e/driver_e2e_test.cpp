// End-to-end runs of the real binary: the full default run and the
// determinism of whole processes. Shorter transcripts run in-process in
// src/driver/driver_test.cpp.
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "e2e/transcript.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::DecodedImage;
using marl_test::decodeImageFile;

TEST(DriverEndToEnd, NoArgumentsMakesOneDefaultImage) {
  TempFolder folder;
  const RunResult run = runMarl(folder, {});
  FirstJobColours colours;
  const int r0 = colours.channel(), g0 = colours.channel(),
            b0 = colours.channel(), r1 = colours.channel(),
            g1 = colours.channel(), b1 = colours.channel();
  EXPECT_EQ(run.status, 0);
  const std::string head = usageText() + "1 image(s) will be created\n" +
                           echo(r0, g0, b0, r1, g1, b1, "symmetric_square",
                                "jpeg", 6, 1201);
  ASSERT_EQ(run.out.substr(0, head.size()), head);

  // Then the file name, the attempts judged at 1,000,000 (all but the last
  // reset for filling less than 15%), and a progress line every 10,000,000.
  std::istringstream lines(run.out.substr(head.size()));
  std::string name, line;
  std::getline(lines, name);
  EXPECT_TRUE(std::regex_match(name, std::regex("symmetric_square\\d{6}\\.jpg")));
  std::getline(lines, line);
  EXPECT_EQ(line, "Will run to 200000000");
  double fill = 0;
  do {
    std::getline(lines, line);
    ASSERT_EQ(line, "itcnt = 1000000");
    std::getline(lines, line);
    ASSERT_EQ(line.rfind("fillval = ", 0), 0u);
    fill = std::stod(line.substr(10));
    if (fill < 0.15) {
      std::getline(lines, line);
      ASSERT_EQ(line, "Reseting as unfilled");
    }
  } while (fill < 0.15);
  for (int i = 1; i <= 19; ++i) {
    std::getline(lines, line);
    EXPECT_EQ(line, "itcnt = " + std::to_string(i * 10000000));
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(run.err, "");

  ASSERT_EQ(folder.files(), std::vector<std::string>{name});
  const DecodedImage picture = decodeImageFile(folder.path() + "/" + name);
  EXPECT_EQ(picture.width, 1201);
  EXPECT_EQ(picture.height, 1201);
}

TEST(DriverEndToEnd, SameClockSameTranscript) {
  TempFolder a, b;
  const RunResult first = runMarl(a, {"count=2", "it=0", "quazi=true"});
  const RunResult second = runMarl(b, {"count=2", "it=0", "quazi=true"});
  EXPECT_EQ(first.out, second.out);
  EXPECT_EQ(first.status, second.status);
}

}  // namespace
}  // namespace marl_e2e

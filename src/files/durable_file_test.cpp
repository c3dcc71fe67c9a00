#include "files/durable_file.h"

#include <gtest/gtest.h>

#include <string>

namespace marl {
namespace {

TEST(DurableFileTest, NumberGoesBeforeTheExtensionOfTheLastPart) {
  const struct {
    const char* name;
    int number;
    const char* numbered;
  } cases[] = {
      {"symmetric_square011920.jpg", 2, "symmetric_square011920-2.jpg"},
      {"out/b.c.gif", 12, "out/b.c-12.gif"},
      {"a.d/name", 3, "a.d/name-3"},
      {"dir/.hidden", 2, "dir/.hidden-2"},
      {"plain", 2, "plain-2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(numberedName(c.name, c.number), c.numbered) << c.name;
}

}  // namespace
}  // namespace marl

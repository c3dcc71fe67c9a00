#include "base/usable_memory.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(UsableMemoryTest, TheTightestBoundWinsAndIsNamed) {
  const std::string meminfo =
      "MemTotal:       24000000 kB\nMemFree:  1 kB\n"
      "MemAvailable:   20000000 kB\n";
  const std::string status = "VmPeak:\t 9000 kB\nVmSize:\t  100000 kB\n"
                             "VmData:\t   50000 kB\n";
  struct Case {
    uint64_t addressSpace, data, bytes;
    const char* limit;
  } const cases[] = {
      {UINT64_MAX, UINT64_MAX, 20000000ull * 1024, "MemAvailable"},
      {1ull << 30, UINT64_MAX, (1ull << 30) - 100000ull * 1024, "RLIMIT_AS"},
      {1ull << 30, 1ull << 29, (1ull << 29) - 50000ull * 1024, "RLIMIT_DATA"},
      {50ull << 20, UINT64_MAX, 0, "RLIMIT_AS"},  // already past it
  };
  for (const Case& c : cases) {
    const UsableMemory usable =
        usableMemoryFrom(meminfo, status, c.addressSpace, c.data);
    EXPECT_EQ(usable.bytes, c.bytes) << c.limit;
    EXPECT_EQ(usable.limit, c.limit);
  }
  EXPECT_EQ(usableMemoryFrom("", "", UINT64_MAX, UINT64_MAX).bytes, UINT64_MAX);
  EXPECT_GT(usableMemory().bytes, 0u);
}

TEST(UsableMemoryTest, BytesReadAsPeopleWriteThem) {
  EXPECT_EQ(readableBytes(900), "900 bytes");
  EXPECT_EQ(readableBytes(17184194600ull), "17.2 GB");
  EXPECT_EQ(readableBytes(536870912), "537 MB");
}

}  // namespace
}  // namespace marl

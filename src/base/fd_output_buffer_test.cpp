#include "base/fd_output_buffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <string>

namespace marl {
namespace {

TEST(FdOutputBuffer, PassesBytesAndKeepsTheFirstFailure) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  {
    FdOutputBuffer buffer(pipeEnds[1]);
    std::ostream out(&buffer);
    const std::string big(10000, 'b');  // more than the buffer holds
    out << "line" << std::endl << big;
    EXPECT_TRUE(out.flush());
    EXPECT_EQ(buffer.error(), 0);
  }
  close(pipeEnds[1]);
  std::string read;
  char chunk[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
    read.append(chunk, std::size_t(n));
  close(pipeEnds[0]);
  EXPECT_EQ(read, "line\n" + std::string(10000, 'b'));

  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  FdOutputBuffer buffer(full);
  std::ostream out(&buffer);
  out << "lost" << std::endl;
  EXPECT_FALSE(out);
  EXPECT_EQ(buffer.error(), ENOSPC);
  close(full);
}

}  // namespace
}  // namespace marl

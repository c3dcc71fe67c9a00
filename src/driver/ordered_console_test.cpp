#include "driver/ordered_console.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(OrderedConsoleTest, LaterJobsWaitForEarlierOnesAndPrintWhole) {
  std::ostringstream out, err;
  OrderedConsole console(out, err);
  OrderedConsole::JobStreams& first = console.open();
  OrderedConsole::JobStreams& second = console.open();
  OrderedConsole::JobStreams& third = console.open();

  first.out() << "first 1" << std::endl;
  EXPECT_EQ(out.str(), "first 1\n");  // the oldest job is printed live
  third.out() << "third" << std::endl;
  third.err() << "third: bad\n";
  console.close(third);
  second.err() << "second: bad\n";
  second.out() << "second" << std::endl;
  console.close(second);
  first.out() << "first 2\n";
  EXPECT_EQ(out.str(), "first 1\n");
  EXPECT_EQ(err.str(), "");

  console.close(first);
  EXPECT_EQ(out.str(), "first 1\nfirst 2\nsecond\nthird\n");
  EXPECT_EQ(err.str(), "second: bad\nthird: bad\n");
  // Every job is closed and forgotten: a fourth goes live at once.
  console.waitUntilOpenBelow(1);
  console.open().out() << "fourth" << std::endl;
  EXPECT_EQ(out.str(), "first 1\nfirst 2\nsecond\nthird\nfourth\n");
}

// With both streams on one (2>&1), a held-back job reads as it was made,
// and a diagnostic follows the standard-output text written before it.
TEST(OrderedConsoleTest, HeldBackLinesAndDiagnosticsKeepTheirOrder) {
  std::ostringstream both;
  OrderedConsole console(both, both);
  OrderedConsole::JobStreams& first = console.open();
  OrderedConsole::JobStreams& second = console.open();
  for (OrderedConsole::JobStreams* job : {&second, &first}) {
    const std::string name = job == &first ? "first" : "second";
    job->out() << name << " 1\n";  // not flushed
    job->err() << name << ": warning\n";
    job->out() << name << " 2" << std::endl;
    job->err() << name << ": error\n";
  }
  console.close(second);
  console.close(first);
  EXPECT_EQ(both.str(),
            "first 1\nfirst: warning\nfirst 2\nfirst: error\n"
            "second 1\nsecond: warning\nsecond 2\nsecond: error\n");
}

TEST(OrderedConsoleTest, StatusLineIsErasedAroundOtherTextAndAtTheEnd) {
  std::ostringstream out, err;
  {
    OrderedConsole console(out, err);
    OrderedConsole::JobStreams& job = console.open();
    console.setStatus("1 of 2");
    job.err() << "marl: error: " << "x\n";  // written in two pieces
    job.err() << "marl: ";
    console.setStatus("2 of 2");  // waits for the end of the line
    job.err() << "y\n";
    job.out() << "line" << std::endl;
    console.close(job);
  }
  EXPECT_EQ(out.str(), "line\n");
  EXPECT_EQ(err.str(),
            "\r1 of 2\033[K"
            "\r\033[Kmarl: error: x\n\r1 of 2\033[K"
            "\r\033[Kmarl: y\n\r2 of 2\033[K"
            "\r\033[K\r2 of 2\033[K"  // around the standard-output line
            "\r\033[K");
}

}  // namespace
}  // namespace marl

// Batches on several threads: the same pictures and console as one thread,
// failures that stay with their picture, and the progress line on a
// terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "files/durable_file.h"

namespace marl_e2e {
namespace {

// What a run leaves: its console and every file it wrote, by name.
struct RunRecord {
  RunResult run;
  std::vector<std::string> names;
  std::vector<std::string> bytes;
};

RunRecord record(const std::vector<std::string>& args, const char* time) {
  TempFolder folder;
  RunRecord record;
  record.run = runMarl(folder, args, time);
  record.names = folder.files();
  for (const std::string& name : record.names)
    record.bytes.push_back(folder.read(name));
  return record;
}

// Runs `args` with threads=1 and threads=2 and expects the same of both.
RunRecord expectSameOnOneAndTwoThreads(std::vector<std::string> args,
                                       const char* time = FrozenTime) {
  args.push_back("threads=1");
  const RunRecord one = record(args, time);
  args.back() = "threads=2";
  const RunRecord two = record(args, time);
  EXPECT_EQ(one.run.status, 0);
  EXPECT_EQ(two.run.status, 0);
  EXPECT_EQ(one.run.out, two.run.out);
  EXPECT_EQ(one.run.err, two.run.err);
  EXPECT_EQ(one.names, two.names);
  for (std::size_t i = 0; i < one.names.size() && i < two.names.size(); ++i)
    EXPECT_TRUE(one.bytes[i] == two.bytes[i]) << one.names[i] << " differs";
  return two;
}

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1))
    ++count;
  return count;
}

TEST(BatchEndToEnd, TwoThreadsMakeWhatOneMakes) {
  const RunRecord tilings = expectSameOnOneAndTwoThreads(
      {"count=4", "it=3000000", "quazi=true", "size=300"});
  EXPECT_EQ(tilings.names.size(), 8u);
  // This second has the second and third jobs thrown away at their fill
  // checks, so their restarts' draws fall among the finishing of others.
  const RunRecord restarts = expectSameOnOneAndTwoThreads(
      {"count=3", "it=2000000"}, "2026-01-01 00:00:09");
  EXPECT_EQ(restarts.names.size(), 3u);
  EXPECT_GE(countOf(restarts.run.out, "Reseting as unfilled"), 2);
}

TEST(BatchEndToEnd, APictureThatCannotBeWrittenFailsAlone) {
  const std::vector<std::string> args = {"count=3", "it=5000", "size=100",
                                         "threads=2"};
  const RunRecord clean = record(args, FrozenTime);
  ASSERT_EQ(clean.names.size(), 3u);
  // Dangling links under the second picture's name and every numbered name
  // it could step aside to keep it from being written.
  const std::string blocked =
      clean.run.out.substr(0, clean.run.out.find(".jpg\nWill run to"));
  const std::string name = blocked.substr(blocked.rfind('\n') + 1) + ".jpg";
  TempFolder folder;
  const std::string path = folder.path() + "/" + name;
  ASSERT_EQ(symlink("nowhere", path.c_str()), 0);
  for (int n = 2; n <= marl::LastNameNumber; ++n)
    ASSERT_EQ(symlink("nowhere", marl::numberedName(path, n).c_str()), 0);
  const RunResult run = runMarl(folder, args);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, clean.run.out);
  EXPECT_EQ(countOf(run.err, "marl: error: cannot write '" + name + "'"), 1)
      << run.err;
  EXPECT_EQ(countOf(run.err, "marl: error"), 1) << run.err;
  EXPECT_EQ(folder.files().size(), 2u);  // the others, and no temporary file
}

// Runs marl in `folder` with standard error on a pseudo-terminal and
// standard output into the file `.stdout`; returns what the terminal got.
// Once `interruptWhen` holds for what the terminal has got so far, Ctrl-C
// is typed on it. A run still going after five minutes is killed.
std::string runOnTerminal(
    const TempFolder& folder, const std::vector<std::string>& args,
    int& status,
    const std::function<bool(const std::string&)>& interruptWhen = nullptr) {
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    const int out = open((folder.path() + "/.stdout").c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0 ||
        chdir(folder.path().c_str()) != 0)
      _exit(126);
    // libfaketime preloaded directly: the faketime wrapper, which Ctrl-C
    // on the terminal would end too, would leave its semaphore behind.
    setenv("TZ", "UTC", 1);
    setenv("LD_PRELOAD", "/usr/$LIB/faketime/libfaketime.so.1", 1);
    setenv("FAKETIME", FrozenTime, 1);
    std::vector<const char*> argv = {MARL_BINARY};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    execv(MARL_BINARY, const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  std::string screen;
  if (child < 0) return screen;
  char buffer[4096];
  bool interrupted = false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::minutes(5);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready = {terminal, POLLIN, 0};
    const int polled =
        left.count() > 0 ? poll(&ready, 1, int(left.count())) : 0;
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) {
      kill(child, SIGKILL);
      break;
    }
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n > 0) {
      screen.append(buffer, std::size_t(n));
      if (interruptWhen && !interrupted && interruptWhen(screen))
        interrupted = write(terminal, "\x03", 1) == 1;
    } else if (n < 0 && errno == EINTR) continue;
    else break;  // EIO once the child has closed the terminal
  }
  int raw = 0;
  waitpid(child, &raw, 0);
  close(terminal);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return screen;
}

TEST(BatchEndToEnd, ProgressLineShowsOnATerminalAndIsErasedAtTheEnd) {
  const std::vector<std::string> args = {"count=2", "it=10000000",
                                         "size=300", "threads=2"};
  TempFolder folder;
  int status = -1;
  const std::string screen = runOnTerminal(folder, args, status);
  EXPECT_EQ(status, 0);
  // Nothing but status lines, each drawn over the last, the last an erasure.
  // A slow build (the sanitizer one) shows its rate below a million.
  EXPECT_TRUE(std::regex_match(screen, std::regex("(\r[^\r\n\x1b]*\x1b\\[K)+")))
      << screen;
  EXPECT_NE(screen.find("0 of 2 pictures done"), std::string::npos);
  EXPECT_TRUE(std::regex_search(
      screen, std::regex("[01] of 2 pictures done, [0-9.]+ (M )?steps/s, "
                         "about [0-9]+:[0-9]{2} left")))
      << screen;
  EXPECT_EQ(screen.substr(screen.size() - 4), "\r\x1b[K");

  TempFolder plain;
  EXPECT_EQ(folder.read(".stdout"), runMarl(plain, args).out);
}

// Pictures times steps beyond any 64-bit count: the time left is huge, not
// the "0:00" of a total that wrapped round (and the sanitizer build reports
// nothing). The run is interrupted once the line shows a rate.
TEST(BatchEndToEnd, ProgressLineCopesWithStepCountsNearTheLimit) {
  TempFolder folder;
  int status = -1;
  const std::regex rate("steps/s, about ([0-9:]+) left");
  const std::string screen =
      runOnTerminal(folder, {"count=2", "it=9000000000000000000", "size=100",
                             "threads=2"},
                    status, [&](const std::string& shown) {
                      return std::regex_search(shown, rate);
                    });
  std::smatch left;
  ASSERT_TRUE(std::regex_search(screen, left, rate)) << screen;
  // 10000 hours or more.
  EXPECT_TRUE(std::regex_match(left[1].str(),
                               std::regex("[0-9]{5,}:[0-9]{2}:[0-9]{2}")))
      << left[0];
  EXPECT_EQ(screen.find("runtime error"), std::string::npos) << screen;
}

}  // namespace
}  // namespace marl_e2e

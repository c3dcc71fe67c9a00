#ifndef MARL_DRIVER_ORDERED_CONSOLE_H_
#define MARL_DRIVER_ORDERED_CONSOLE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace marl {

// The console of a run whose jobs overlap. Each job writes into a pair of
// streams of its own. The oldest job not yet closed writes straight through
// to the real streams; the text of later jobs is held back until every
// earlier job is closed, then printed whole, in the order it was made,
// before it too goes live. So the console reads exactly as if the jobs had
// run one after another, with standard error on standard output (2>&1)
// too. As std::cerr is tied to std::cout, a job's diagnostics stream sends
// the job's pending standard-output text first.
//
// It also keeps one status line at the foot of the diagnostics stream (a
// terminal), erased before any other text is written and drawn again once
// that text has ended its line.
class OrderedConsole {
 public:
  class JobStreams;

  OrderedConsole(std::ostream& out, std::ostream& err);
  ~OrderedConsole();
  OrderedConsole(const OrderedConsole&) = delete;
  OrderedConsole& operator=(const OrderedConsole&) = delete;

  // The streams of the next job, jobs being opened in job order.
  JobStreams& open();
  // The job writes nothing more to `streams`, which are gone after this.
  void close(JobStreams& streams);
  // Blocks until fewer than `limit` jobs are open or held back.
  void waitUntilOpenBelow(int limit);

  // Shows `text` as the status line; an empty text erases it.
  void setStatus(const std::string& text);

 private:
  enum Channel { Out = 0, Err = 1 };
  class ChannelBuffer;

  // Called by a job's stream with text it has flushed.
  void write(JobStreams& job, Channel channel, const char* text,
             std::size_t size);
  // Under the lock: prints held-back text of the jobs whose turn has come
  // and forgets the closed jobs at the front.
  void advance();
  // Under the lock: writes `text` to a real stream, around the status line.
  void print(Channel channel, const std::string& text);
  void drawStatus();
  void eraseStatus();

  std::ostream* const streams_[2];
  std::mutex mutex_;
  std::condition_variable jobForgotten_;
  std::deque<std::unique_ptr<JobStreams>> jobs_;  // open or held back
  std::string status_;
  bool statusShown_ = false;
  bool lineOpen_ = false;  // the last text printed ended inside a line
};

class OrderedConsole::ChannelBuffer : public std::streambuf {
 public:
  ChannelBuffer(OrderedConsole& console, JobStreams& job, Channel channel);

 protected:
  int sync() override;
  int_type overflow(int_type c) override;

 private:
  OrderedConsole& console_;
  JobStreams& job_;
  const Channel channel_;
  char area_[512];
};

class OrderedConsole::JobStreams {
 public:
  explicit JobStreams(OrderedConsole& console);
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

 private:
  friend class OrderedConsole;
  ChannelBuffer outBuffer_;
  ChannelBuffer errBuffer_;
  std::ostream out_;
  std::ostream err_;
  // Held-back text in the order made, one piece per run of one channel.
  std::vector<std::pair<Channel, std::string>> heldBack_;
  bool live_ = false;
  bool closed_ = false;
};

}  // namespace marl

#endif  // MARL_DRIVER_ORDERED_CONSOLE_H_

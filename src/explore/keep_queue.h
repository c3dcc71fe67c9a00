#ifndef MARL_EXPLORE_KEEP_QUEUE_H_
#define MARL_EXPLORE_KEEP_QUEUE_H_

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace marl {

// The pictures the page keeps, made one after another by marl itself, run
// with the words of the command line the page shows: so the command line
// makes the same files byte for byte, a cancelled job is ended as Ctrl-C
// ends marl (its temporary files removed, its finished files kept), and a
// job that fails cannot take the server down.
class KeepQueue {
 public:
  // What the page is told of a job: {"type": "job", "id", "state", ...}.
  using Report = std::function<void(uint64_t client, const nlohmann::json&)>;

  KeepQueue(std::string program, std::string folder, Report report);
  ~KeepQueue();
  KeepQueue(const KeepQueue&) = delete;
  KeepQueue& operator=(const KeepQueue&) = delete;

  static constexpr std::size_t MaxPerClient = 8;
  static constexpr std::size_t MaxJobs = 32;

  // Queues a job making what `words` ask for, files named from `basename`;
  // its number, or 0 when the queue is full (the page is told why).
  uint64_t add(uint64_t client, std::vector<std::string> words,
               const std::string& basename, const std::string& command);
  // Cancels the client's job `id`, waiting or running.
  void cancel(uint64_t client, uint64_t id);
  // Cancels every job and waits for the running one to end.
  void stop();

 private:
  struct Job {
    uint64_t id = 0;
    uint64_t client = 0;
    std::vector<std::string> words;
    std::string basename;
    std::string command;
  };
  void work();
  void run(const Job& job);
  // Reads the job's console as it comes, telling the page its progress;
  // its diagnostic lines ("marl: ...").
  std::string follow(const Job& job, int fd);

  const std::string program_;
  const std::string folder_;
  const Report report_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> waiting_;
  uint64_t nextId_ = 1;
  uint64_t runningId_ = 0;
  uint64_t runningClient_ = 0;
  pid_t runningPid_ = -1;
  bool cancelRunning_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// The share of the work done that a line of marl's console tells, given
// the share so far; the same share when the line tells none.
double progressFrom(const std::string& line, double sofar, int64_t& runTo);

}  // namespace marl

#endif  // MARL_EXPLORE_KEEP_QUEUE_H_

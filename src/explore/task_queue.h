#ifndef MARL_EXPLORE_TASK_QUEUE_H_
#define MARL_EXPLORE_TASK_QUEUE_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace marl {

// The work the page asks for, done on a few threads. Each client has a
// queue of its own and the threads take from the clients in turn, so one
// client asking for a hundred candidates delays another by one task, not a
// hundred; each queue, and all of them together, is bounded.
class TaskQueue {
 public:
  TaskQueue(unsigned threads, std::size_t perClient, std::size_t total);
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  // False when the client's queue or the whole is full: the task is not
  // taken.
  bool add(uint64_t client, std::function<void()> task);
  // Drops the tasks a client has not started.
  void forget(uint64_t client);
  // Tasks waiting, of all clients.
  std::size_t waiting() const;
  // Drops every waiting task and waits for the running ones.
  void stop();

 private:
  void work();

  const std::size_t perClient_;
  const std::size_t total_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::map<uint64_t, std::deque<std::function<void()>>> queues_;
  uint64_t lastServed_ = 0;
  std::size_t waiting_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace marl

#endif  // MARL_EXPLORE_TASK_QUEUE_H_

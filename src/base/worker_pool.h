#ifndef MARL_BASE_WORKER_POOL_H_
#define MARL_BASE_WORKER_POOL_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace marl {

// A fixed set of threads running posted tasks in the order posted. Tasks
// must not throw. The threads leave the signal mask as they inherit it, so
// a signal reaches the process as it would without them.
class WorkerPool {
 public:
  // Starts `threads` threads (at least one is asked for). Should the system
  // refuse some (whatever a start throws), the pool works with those it
  // got; with none at all, post runs each task on the caller, as it does
  // when no memory is left to queue a task.
  explicit WorkerPool(int threads);
  // Runs every task still queued, then joins the threads.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void post(std::function<void()> task);
  // Blocks until fewer than `limit` posted tasks are queued or running.
  void waitUntilBusyBelow(int limit);

  int threadCount() const { return int(threads_.size()); }

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable taskReady_;
  std::condition_variable taskEnded_;
  std::deque<std::function<void()>> queue_;
  int busy_ = 0;  // queued or running
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Runs `work` on the calling thread and at once on up to threads - 1 more,
// and returns when every run has returned. A thread the system refuses is
// left out, so `work` must share out what there is to do (taking items from
// a shared counter, say) so that any number of runs does all of it. `work`
// must not throw.
void runOnThreads(unsigned threads, const std::function<void()>& work);

// Calls work(begin, end) for consecutive ranges of at most `chunk` of the
// items 0..count, on up to `threads` threads; returns when all are done.
void forEachChunk(std::size_t count, std::size_t chunk, unsigned threads,
                  const std::function<void(std::size_t, std::size_t)>& work);

}  // namespace marl

#endif  // MARL_BASE_WORKER_POOL_H_

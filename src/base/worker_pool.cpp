#include "base/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <new>

namespace marl {

WorkerPool::WorkerPool(int threads) {
  // Whatever a start throws (no thread to spare, no memory), the pool works
  // with the threads it has: fewer workers, same results. With the room
  // reserved first, a failed start leaves the list as it was.
  try {
    threads_.reserve(std::size_t(std::max(threads, 0)));
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
  } catch (...) {
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::post(std::function<void()> task) {
  if (threads_.empty()) {
    task();
    return;
  }
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));  // unchanged when it throws
    ++busy_;
  } catch (const std::bad_alloc&) {
    task();  // no room in the queue: the caller runs it
    return;
  }
  taskReady_.notify_one();
}

void WorkerPool::waitUntilBusyBelow(int limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  taskEnded_.wait(lock, [&] { return busy_ < limit; });
}

void WorkerPool::work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      taskReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and nothing left to run
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
    task = nullptr;  // what it holds is freed before the pool counts it done
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --busy_;
    }
    taskEnded_.notify_all();
  }
}

void runOnThreads(unsigned threads, const std::function<void()>& work) {
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}

void forEachChunk(std::size_t count, std::size_t chunk, unsigned threads,
                  const std::function<void(std::size_t, std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  runOnThreads(threads, [&] {
    for (std::size_t begin; (begin = next.fetch_add(chunk)) < count;)
      work(begin, std::min(count, begin + chunk));
  });
}

}  // namespace marl

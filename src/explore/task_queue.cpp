#include "explore/task_queue.h"

namespace marl {

TaskQueue::TaskQueue(unsigned threads, std::size_t perClient,
                     std::size_t total)
    : perClient_(perClient), total_(total) {
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

TaskQueue::~TaskQueue() { stop(); }

bool TaskQueue::add(uint64_t client, std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || waiting_ >= total_) return false;
    auto& queue = queues_[client];
    if (queue.size() >= perClient_) return false;
    queue.push_back(std::move(task));
    ++waiting_;
  }
  ready_.notify_one();
  return true;
}

void TaskQueue::forget(uint64_t client) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = queues_.find(client);
  if (found == queues_.end()) return;
  waiting_ -= found->second.size();
  queues_.erase(found);
}

std::size_t TaskQueue::waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_;
}

void TaskQueue::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queues_.clear();
    waiting_ = 0;
  }
  ready_.notify_all();
  for (std::thread& thread : threads_)
    if (thread.joinable()) thread.join();
}

void TaskQueue::work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || waiting_ > 0; });
      if (stopping_) return;
      // The next client after the one served last, round the ring.
      auto next = queues_.upper_bound(lastServed_);
      if (next == queues_.end()) next = queues_.begin();
      lastServed_ = next->first;
      task = std::move(next->second.front());
      next->second.pop_front();
      if (next->second.empty()) queues_.erase(next);
      --waiting_;
    }
    task();
  }
}

}  // namespace marl

#include "base/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(WorkerPoolTest, RunsEveryTaskOnAtMostItsThreadsBeforeItGoes) {
  std::atomic<int> done{0}, running{0}, mostRunning{0};
  {
    WorkerPool pool(2);
    for (int i = 0; i < 40; ++i) {
      pool.post([&] {
        const int now = ++running;
        int seen = mostRunning;
        while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) {}
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        --running;
        ++done;
      });
    }
  }
  EXPECT_EQ(done, 40);
  EXPECT_LE(mostRunning, 2);
}

TEST(WorkerPoolTest, WaitUntilBusyBelowHoldsWhileTasksRun) {
  WorkerPool pool(2);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  for (int i = 0; i < 2; ++i) pool.post([released] { released.wait(); });
  std::future<void> waiter = std::async(std::launch::async, [&] {
    pool.waitUntilBusyBelow(2);
  });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(100)),
            std::future_status::timeout);
  release.set_value();
  waiter.get();
  pool.waitUntilBusyBelow(1);  // both done: returns
}

}  // namespace
}  // namespace marl

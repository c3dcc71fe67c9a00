#include "explore/task_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

namespace marl {
namespace {

TEST(TaskQueue, ServesClientsInTurnAndBoundsEachAndAll) {
  std::mutex mutex;  // outlive the queue, whose thread may still use them
  std::string order;
  TaskQueue queue(1, 3, 5);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> started;
  // The one thread held, so that what follows waits.
  ASSERT_TRUE(queue.add(9, [&] {
    started.set_value();
    released.wait();
  }));
  started.get_future().wait();
  auto task = [&](char name) {
    return [&, name] {
      std::lock_guard<std::mutex> lock(mutex);
      order += name;
    };
  };
  EXPECT_TRUE(queue.add(1, task('a')));
  EXPECT_TRUE(queue.add(1, task('a')));
  EXPECT_TRUE(queue.add(1, task('a')));
  EXPECT_FALSE(queue.add(1, task('x')));  // its own queue is full
  EXPECT_TRUE(queue.add(2, task('b')));
  EXPECT_TRUE(queue.add(3, task('c')));
  EXPECT_FALSE(queue.add(4, task('x')));  // all of them are
  EXPECT_EQ(queue.waiting(), 5u);
  release.set_value();
  for (;;) {
    std::lock_guard<std::mutex> lock(mutex);
    if (order.size() == 5) break;
  }
  // After the held client 9, round the ring from the lowest.
  EXPECT_EQ(order, "abcaa");
  EXPECT_EQ(queue.waiting(), 0u);
  EXPECT_TRUE(queue.add(4, task('d')));  // room again
}

TEST(TaskQueue, TakesTheNextClientRoundTheRing) {
  std::mutex mutex;
  std::string order;
  std::atomic<int> done{0};
  {
    TaskQueue queue(1, 10, 100);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue.add(0, [&] { released.wait(); });
    for (char c : std::string("aaa"))
      queue.add(1, [&, c] { std::lock_guard<std::mutex> l(mutex); order += c; ++done; });
    for (char c : std::string("bb"))
      queue.add(2, [&, c] { std::lock_guard<std::mutex> l(mutex); order += c; ++done; });
    queue.add(3, [&] { std::lock_guard<std::mutex> l(mutex); order += 'c'; ++done; });
    queue.forget(3);  // gone before it started
    release.set_value();
    while (done < 5) std::this_thread::yield();
  }
  EXPECT_EQ(order, "ababa");
}

}  // namespace
}  // namespace marl

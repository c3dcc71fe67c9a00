#include "driver/batch_catalogue.h"

#include "base/escaped_text.h"

namespace marl {

bool BatchCatalogue::record(int64_t index, const std::string& line,
                            const std::string& picture, JobConsole& console) {
  std::unique_lock<std::mutex> lock(mutex_);
  turn_.wait(lock, [&] { return next_ == index; });
  std::string why;
  const bool written = file_.append(line, why);
  advance();
  lock.unlock();
  turn_.notify_all();
  if (!written)
    console.error("cannot add '", Escaped{picture}, "' to the catalogue '",
                  Escaped{file_.path()}, "': ", why,
                  "; the picture is made but not listed");
  return written;
}

void BatchCatalogue::pass(int64_t index) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index != next_) {
      passed_.insert(index);
      return;
    }
    advance();
  }
  turn_.notify_all();
}

void BatchCatalogue::advance() {
  ++next_;
  while (!passed_.empty() && *passed_.begin() == next_) {
    passed_.erase(passed_.begin());
    ++next_;
  }
}

}  // namespace marl

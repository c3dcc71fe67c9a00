#include "explore/grid_cache.h"

namespace marl {

std::shared_ptr<CachedPicture> GridCache::put(
    const std::string& name, std::unique_ptr<CountedPicture> picture) {
  auto counts = std::make_shared<CachedPicture>();
  const std::size_t bytes = picture->bytes();
  counts->picture = std::move(picture);
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(name);
  if (found != entries_.end()) {
    bytes_ -= found->second.bytes;
    uses_.erase(found->second.use);
    entries_.erase(found);
  }
  uses_.push_front(name);
  entries_[name] = Entry{counts, bytes, uses_.begin()};
  bytes_ += bytes;
  evict();
  return counts;
}

std::shared_ptr<CachedPicture> GridCache::find(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = entries_.find(name);
  if (found == entries_.end()) return nullptr;
  uses_.splice(uses_.begin(), uses_, found->second.use);
  return found->second.counts;
}

void GridCache::evict() {
  // The newest stays even alone over the budget: it is the one in view.
  while (bytes_ > budget_ && uses_.size() > 1) {
    auto oldest = entries_.find(uses_.back());
    bytes_ -= oldest->second.bytes;
    entries_.erase(oldest);
    uses_.pop_back();
  }
}

std::size_t GridCache::bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

std::size_t GridCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace marl

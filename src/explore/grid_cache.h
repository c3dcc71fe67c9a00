#ifndef MARL_EXPLORE_GRID_CACHE_H_
#define MARL_EXPLORE_GRID_CACHE_H_

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "explore/counted_picture.h"

namespace marl {

// A counted picture and the lock its grid is coloured under (colouring
// refreshes the grid's count range).
struct CachedPicture {
  std::mutex lock;
  std::unique_ptr<CountedPicture> picture;
};

// The counted pictures the pages may still recolour, by name, the least
// recently used thrown out first once their grids pass the budget: a
// thousand candidates cost no more than the budget.
class GridCache {
 public:
  explicit GridCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

  // Keeps `picture` under `name`, replacing what was kept under it.
  std::shared_ptr<CachedPicture> put(const std::string& name,
                                  std::unique_ptr<CountedPicture> picture);
  // The picture kept under `name`, now the most recently used; nullptr
  // when it was never kept or has been thrown out.
  std::shared_ptr<CachedPicture> find(const std::string& name);

  std::size_t bytes() const;
  std::size_t size() const;

 private:
  struct Entry {
    std::shared_ptr<CachedPicture> counts;
    std::size_t bytes;
    std::list<std::string>::iterator use;
  };
  void evict();

  const std::size_t budget_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  std::list<std::string> uses_;  // most recent first
  std::size_t bytes_ = 0;
};

}  // namespace marl

#endif  // MARL_EXPLORE_GRID_CACHE_H_

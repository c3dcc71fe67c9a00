#ifndef MARL_EXPLORE_LOOP_PREVIEW_H_
#define MARL_EXPLORE_LOOP_PREVIEW_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "explore/keep_queue.h"

namespace marl {

// Small loops of the view, for the page to play: made by marl itself, as a
// kept loop is, in a temporary folder of their own that is emptied after
// each and removed at the end; the page fetches each video by its number.
class LoopPreviews {
 public:
  // What the page is told: {"type": "loop", "state", "progress", "video"}.
  using Report = std::function<void(uint64_t client, const nlohmann::json&)>;

  LoopPreviews(const std::string& program, Report report);
  ~LoopPreviews();

  // Makes the loop `words` ask for (named from `basename`, one WebM video);
  // false, with `why`, when it cannot be queued.
  bool start(uint64_t client, std::vector<std::string> words,
             const std::string& basename, std::string& why);
  // The video `number` the page was told of: the last few are kept.
  bool video(std::size_t number, std::string& bytes) const;
  void stop();

  static constexpr std::size_t KeptVideos = 8;
  static constexpr std::size_t MaxVideoBytes = std::size_t(64) << 20;

 private:
  void finished(uint64_t client, const nlohmann::json& job);

  const std::string program_;
  Report report_;
  std::mutex startMutex_;  // for the folder and the queue
  bool stopped_ = false;
  std::string folder_;
  mutable std::mutex mutex_;
  std::map<std::size_t, std::string> videos_;
  std::size_t nextVideo_ = 1;
  std::unique_ptr<KeepQueue> queue_;
};

}  // namespace marl

#endif  // MARL_EXPLORE_LOOP_PREVIEW_H_
